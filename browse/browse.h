// Printer browsing: the server, printer and job lists of both panels, the
// selected printer's path and the remote panel.
#ifndef ZELVANE_BROWSE_H
#define ZELVANE_BROWSE_H

#include <windows.h>
#include <winspool.h>

#include "browse/lookup.h"

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
// How often a filling call is made when the records outgrow the block.
const int kFillAttempts = 4;
void ReleasePrinterRecords(PrinterRecords *pr);

// Grows a heap block to hold at least cbNeeded bytes, doubling, keeping its
// first cbUsed; *cbSize is what it holds. False, the block as it was, when
// the memory can't be had.
bool GrowBlock(void **block, size_t *cbSize, size_t cbUsed, size_t cbNeeded);

// The servers of one fill of a server list, each added once. Two names are
// one server when CompareStringOrdinal finds them equal, letter case aside,
// as Windows compares computer names; the first met is listed. A fill begins
// on an empty list, or on one that its first add empties; it takes its memory
// as it grows and gives it back at EndServerFill. Out of memory, it compares
// the entries listed one by one. The list's redraw is off from the first add
// until PaintServerFill or EndServerFill, which paint it once. An entry is a
// server entry: under 202 bytes.
struct ServerSlot {
    DWORD at;   // 1 + a key's place in keys, or 0: free
    DWORD hash;
};
struct ServerFill {
    HWND list;
    WCHAR *keys;            // each name's key, one after another
    size_t cchUsed, cchSize;
    ServerSlot *slots;      // an open hash table of the keys
    DWORD cSlots, cKeys;
    WCHAR *classes;         // a unit of each class of letter case met, in the ordinal order
    size_t cClasses, cbClasses;
    bool searchList;        // out of memory: the list itself is searched
    bool quiet;             // the list's redraw is off
};
void BeginServerFill(ServerFill *fill, HWND hwndList);
LRESULT AddServerEntry(ServerFill *fill, const char *entry); // the entry's index, or -1: not added
void PaintServerFill(ServerFill *fill);
void EndServerFill(ServerFill *fill);
// Whether two server entries name one server, as a fill compares them.
bool SameServer(const char *a, const char *b);

// The remote server list's fill for this showing, which the servers of the
// lookups join as they come, while the panel stays shown; each lookup's news
// comes as WM_SERVERS_NEWS (browse/lookup.h), and what was lost on the way is
// taken at the clock's tick.
bool RemoteFillOpen(void);
// The user chose a remote server (the remote server list's row).
void NoteRemoteServerChosen(void);
void OnServersNews(HWND hwnd, WPARAM serial, LPARAM ended);
void OnServersTick(HWND hwnd);
// The window goes: lookups still running are left to end alone.
void ForgetLookups(void);

// The lookups beyond the browse, each on a worker of its own: the print
// servers that publish printers in the machine's directory domain, if it is
// in one, and the computers of the local network that answer WS-Discovery.
// A lookup that still runs is not started again: what it found and finds
// joins this showing. False when no lookup runs for it.
bool FindDirectoryServers(HWND hwndNotify);
bool FindNetworkServers(HWND hwndNotify);

// "\\" and this machine's name, cut to fit cb bytes.
void ComposeLocalMachineEntry(char *buf, size_t cb);

#endif
