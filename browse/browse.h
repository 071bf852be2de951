// Printer browsing: the server, printer and job lists of both panels, the
// selected printer's path and the remote panel.
#ifndef ZELVANE_BROWSE_H
#define ZELVANE_BROWSE_H

#include <windows.h>
#include <winspool.h>

int FillLocalServerList(HWND hwndOwner, HWND hwndList);
int FillRemoteServerList(HWND hwndOwner, HWND hwndList);
int FillLocalPrinterList(HWND hwndOwner, HWND hwndList, const char *serverEntry);
int FillRemotePrinterList(HWND hwndOwner, HWND hwndList, const char *serverEntry);
int BuildSelectedPrinterPath(int panel);
int FillJobList(HWND hwndOwner, HWND hwndList, const char *printerPath);

// The three lists of a panel (PANEL_LOCAL or any other value: the remote one).
struct PanelLists {
    HWND servers, printers, jobs;
};
PanelLists ListsOf(int panel);

// Rows of the command routing.
void OnServerSelected(HWND hwnd, int panel, char *szEntry);
int OnPrinterSelected(HWND hwnd, int panel); // 0: return at once
void OnLocalJobSelected(HWND hwnd, char *szEntry);
void ToggleRemotePanel(HWND hwnd);

// Printer records read from the spooler into a locked, movable, zero-filled
// global block. The count is never more than the filling call returned, nor
// more than the block holds; a block that can't be had, or a filling call that
// fails, gives no records.
struct PrinterRecords {
    HGLOBAL hBlock;
    void *records;
    DWORD count;
};
PrinterRecords EnumPrinterRecords(DWORD flags, const char *name, DWORD level);
void ReleasePrinterRecords(PrinterRecords *pr);

// Adds a server entry unless the list already holds it, letter case not
// counting.
void AddServerEntry(HWND hwndList, const char *entry);

// Adds the print servers that publish printers in the machine's directory
// domain, if it is in one. The list is emptied before the first add unless
// *emptied says it was; *emptied then says so.
void FillDirectoryServers(HWND hwndList, bool *emptied);
// Whether a lookup left waiting for a silent directory still runs.
bool DirectoryLookupRunning(void);

// "\\" and this machine's name, cut to fit cb bytes.
void ComposeLocalMachineEntry(char *buf, size_t cb);

#endif
