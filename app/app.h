// The main window: start-up, layout, painting, status line, clock, command
// routing and the About box.
#ifndef ZELVANE_APP_H
#define ZELVANE_APP_H

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

// Sizes of the two text buffers that each call of MainWndProc gives its rows.
#define CCH_ENTRY 100
#define CCH_PRINTER_NAME 200

// Whole-window sizes of the two layouts, both placed at 0,0.
#define MAIN_WIDTH 760
#define COLLAPSED_HEIGHT 320 // remote panel hidden
#define EXPANDED_HEIGHT 530  // remote panel shown
// The client area's height that each layout needs: down to the status line's
// foot.
#define COLLAPSED_CLIENT 261
#define EXPANDED_CLIENT 466

int RegisterMainWindowClass(HINSTANCE hInstance);
int CreateMainWindow(HINSTANCE hInstance, int nCmdShow);
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Draws one line on the status line (dark red for STATUS_ERROR, dark blue
// otherwise) and arms the timer that wipes it a second later.
int ShowStatus(HWND hwnd, const char *text, int kind);

// The WM_TIMER handling of the main window: clock tick or status wipe.
void OnMainTimer(HWND hwnd, WPARAM idTimer);

// The WM_COMMAND routing. Returns 0 when the window procedure must return 0
// at once, without the default processing.
int OnMainCommand(HWND hwnd, WPARAM wParam, char *szEntry, char *szPrinterName);

// Bulk adds to a list box: its redraw is off from BeginListFill until
// EndListFill, which turns it back on and has the list paint once. Each add
// to a visible list would otherwise update its scroll bar and repaint it.
void BeginListFill(HWND hwndList);
void EndListFill(HWND hwndList);

// Reads entry index of a list box into buf, cut to fit cb bytes. Returns
// LB_ERR, leaving buf as it was, when there is no such entry.
LRESULT GetListEntry(HWND hwndList, LRESULT index, char *buf, size_t cb);

// Reads the selected entry of a list box into buf (see GetListEntry).
// Returns the selection's index, or LB_ERR when nothing is selected or the
// entry can't be read.
LRESULT GetSelectedEntry(HWND hwndList, char *buf, size_t cb);

// Display scale (app/dpi.cpp). The layout's numbers are pixels at 96 DPI;
// Scale gives one at the main window's DPI, g_uDpi.
int Scale(int v);
UINT WindowDpi(HWND hwnd);
// The window's size for the current layout at a DPI, and the window moved to
// x,y at its size at g_uDpi.
SIZE LayoutSize(HWND hwnd, UINT dpi);
void PlaceWindow(HWND hwnd, int x, int y);
// The font of the window's text at g_uDpi is the device context's default at
// the system DPI; else a TrueType font of the system font's size at g_uDpi,
// which UseLayoutFont gives the lists too and SelectLayoutFont selects,
// returning the font it replaced (null when it selected none).
HGDIOBJ SelectLayoutFont(HDC hdc);
void UseLayoutFont(HWND hwndLists[], int count);
void ReleaseLayoutFont(void);

// COM on this thread (app/com.cpp): started at the first need, once, and
// ended after the message loop.
void UseCom(void);
void ReleaseCom(void);

// Keyboard and screen readers (app/access.cpp). A list's hidden label is made
// just before the list, which is then named and made a tab stop; then the
// control that speaks the status line.
void CreateListLabel(HWND hwnd, int id);
void MakeListReachable(HWND list, int id);
void CreateStatusRegion(HWND hwnd);
// Each status message goes to screen readers; the wipe empties it silently.
void AnnounceStatus(const char *text);
void SilenceStatus(void);
void ReleaseAccessibility(void);
// The focus stays in the list that had it across a change of active window.
void SaveListFocus(HWND hwnd);
void RestoreListFocus(void);
// Moves the focus to the local server list when a remote list has it.
void LeaveRemoteLists(void);
// Whether a contrast theme is on: text then takes the system's colours.
bool HighContrast(void);

#endif
