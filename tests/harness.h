// Fixture and helpers for tests that drive the real main window.
#ifndef ZELVANE_TESTS_HARNESS_H
#define ZELVANE_TESTS_HARNESS_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "fakes/spooler.h"

// The entries of a list box, in the order it shows them.
std::vector<std::string> Entries(HWND list);

// Selects entry index of a list box (-1: none), as the user would, without
// the notification.
void SetSelection(HWND list, int index);

// Selects the entry with this text; fails the test when there is none.
void SelectText(HWND list, const std::string &text);

// Removes every message waiting in this thread's queue, WM_QUIT included.
void DrainMessages();
// Handles the window's messages until no directory lookup runs and its last
// news is taken; false after 20 s.
bool AwaitDirectory();

// Dispatches every waiting message; true when a WM_QUIT was among them, whose
// exit code then goes into *code.
bool TakeQuit(WPARAM *code);

// A visible dialog of this thread, or null.
HWND FindThreadDialog();

// Whether the tests run under Wine rather than on Windows itself. The few
// tests that check Wine's own behaviour skip on Windows, saying why.
bool RunningOnWine();

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window as the program does; the spooler's script and
    // the fakes' answers must be set before.
    HWND Open();

    // A list's selection change, as the list reports it.
    LRESULT SelChange(int id);
    LRESULT Command(WPARAM wParam);

    // The texts drawn on the status line (x 80), in order.
    std::vector<std::string> StatusTexts() const;

    HWND hwnd = nullptr;
};

#endif
