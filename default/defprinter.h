// The default printer: showing it, setting it, and printing a file on it.
#ifndef ZELVANE_DEFPRINTER_H
#define ZELVANE_DEFPRINTER_H

#include <windows.h>
#include <winspool.h>

int ShowDefaultPrinter(HWND hwnd);
int SetDefaultPrinter(HWND hwnd, const char *printerName);
int ChooseFileToPrint(HWND hwnd);
int PrintFileWithShell(HWND hwnd, const char *path);

// Rows of the command routing; 0: the window procedure returns at once.
int OnSetDefaultCommand(HWND hwnd, char *szEntry);
int OnPrintCommand(HWND hwnd, char *szEntry, char *szPrinterName);

// The platform identifier that the version query reports.
DWORD QueryPlatformId(void);

#endif
