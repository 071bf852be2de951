// The remote panel: shown and hidden in turn, its server list filled by the
// spooler's network browse each time it is shown, and joined by the servers
// of the directory as they come.
#include "app/app.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

#include <string.h>

namespace {

ServerFill s_fill; // the servers of this showing of the panel
bool s_bOpen;      // the panel is shown, and servers found for it may join
bool s_bEmptied;   // the list was emptied for this showing
bool s_bChosen;    // the user chose a server in this showing
char s_szChosen[202]; // that server while the list is filled anew, until it joins again

// The list keeps what it had until the first server is found. A server that
// the user chose meanwhile is selected again as it joins, its printers and
// jobs as they are. Returns the entry's index, or -1.
LRESULT AddRemoteServer(const char *entry)
{
    if (!s_bEmptied) {
        if (s_bChosen)
            GetSelectedEntry(s_fill.list, s_szChosen, sizeof s_szChosen);
        SendMessageA(s_fill.list, LB_RESETCONTENT, 0, 0);
        s_bEmptied = true;
    }
    LRESULT at = AddServerEntry(&s_fill, entry);
    if (at >= 0 && s_szChosen[0] != '\0' && SameServer(entry, s_szChosen)) {
        SendMessageA(s_fill.list, LB_SETCURSEL, (WPARAM)at, 0);
        s_szChosen[0] = '\0';
    }
    return at;
}

} // namespace

bool RemoteFillOpen(void)
{
    return s_bOpen;
}

void NoteRemoteServerChosen(void)
{
    s_bChosen = true;
    s_szChosen[0] = '\0'; // a choice in the new list stands
}

// The rows that the user sees stay put: the entry at the top stays there as
// servers are sorted in above it. An empty list fills from its first row.
void JoinRemoteServers(const char *entries, size_t cb)
{
    if (!s_bOpen)
        return;
    const LRESULT first = s_bEmptied && SendMessageA(s_fill.list, LB_GETCOUNT, 0, 0) > 0
                              ? SendMessageA(s_fill.list, LB_GETTOPINDEX, 0, 0)
                              : -1;
    LRESULT top = first;
    for (size_t at = 0; at < cb; at += strlen(entries + at) + 1) {
        LRESULT added = AddRemoteServer(entries + at);
        if (top >= 0 && added >= 0 && added <= top)
            ++top;
    }
    if (top != first)
        SendMessageA(s_fill.list, LB_SETTOPINDEX, (WPARAM)top, 0);
    PaintServerFill(&s_fill); // a page of servers listed already leaves it unpainted
}

void EndRemoteFill(void)
{
    EndServerFill(&s_fill);
    s_bOpen = false;
}

int FillRemoteServerList(HWND hwndOwner, HWND hwndList)
{
    EndRemoteFill(); // the showing before, if it was never hidden
    BeginServerFill(&s_fill, hwndList);
    s_bOpen = true;
    s_bEmptied = s_bChosen = false;
    s_szChosen[0] = '\0';

    PrinterRecords pr = EnumPrinterRecords(PRINTER_ENUM_REMOTE, NULL, 1);
    const PRINTER_INFO_1A *records = (const PRINTER_INFO_1A *)pr.records;
    for (DWORD i = 0; i < pr.count; ++i) {
        char szServer[200];
        char szEntry[202];
        ServerPartOfDescription(records[i].pDescription, szServer, sizeof szServer);
        ComposeText(szEntry, sizeof szEntry, "\\\\", szServer);
        AddRemoteServer(szEntry);
    }
    PaintServerFill(&s_fill);
    ReleasePrinterRecords(&pr);

    // The browse list is gone from current networks; a domain's print
    // servers are in its directory, which answers when it will. Without one
    // the fill ends here.
    if (!FindDirectoryServers(hwndOwner))
        EndRemoteFill();
    return 1;
}

void ToggleRemotePanel(HWND hwnd)
{
    HWND panel[] = {g_hwndRemoteFrame, g_hwndRemoteServers, g_hwndRemotePrinters, g_hwndRemoteJobs};

    // The flag changes first: the size handling imposes the layout it names.
    if (g_bRemoteHidden) {
        g_bRemoteHidden = 0;
        for (HWND h : panel)
            ShowWindow(h, SW_SHOW);
        FillRemoteServerList(hwnd, g_hwndRemoteServers);
        PlaceWindow(hwnd, 0, 0);
    } else {
        g_bRemoteHidden = 1;
        EndRemoteFill(); // what the directory finds now is not for a hidden list
        PlaceWindow(hwnd, 0, 0);
        LeaveRemoteLists(); // a hidden list must not keep the keys
        for (HWND h : panel)
            ShowWindow(h, SW_HIDE);
    }
    // The move repaints only what it uncovers; the labels of the other layout
    // ("Status :" moves, the lower column labels come and go) need the whole
    // client area painted afresh.
    InvalidateRect(hwnd, NULL, TRUE);
}
