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

// The list keeps what it had until the first server is found.
void AddRemoteServer(const char *entry)
{
    if (!s_bEmptied) {
        SendMessageA(s_fill.list, LB_RESETCONTENT, 0, 0);
        s_bEmptied = true;
    }
    AddServerEntry(&s_fill, entry);
}

} // namespace

bool RemoteFillOpen(void)
{
    return s_bOpen;
}

void JoinRemoteServers(const char *entries, size_t cb)
{
    if (!s_bOpen)
        return;
    for (size_t at = 0; at < cb; at += strlen(entries + at) + 1)
        AddRemoteServer(entries + at);
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
    s_bEmptied = false;

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
