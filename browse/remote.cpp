// The remote panel: shown and hidden in turn, its server list filled by the
// spooler's network browse each time it is shown.
#include "app/app.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

int FillRemoteServerList(HWND hwndOwner, HWND hwndList)
{
    (void)hwndOwner;
    bool emptied = false; // the list keeps its entries when nothing is found
    PrinterRecords pr = EnumPrinterRecords(PRINTER_ENUM_REMOTE, NULL, 1);
    if (pr.count) {
        SendMessageA(hwndList, LB_RESETCONTENT, 0, 0);
        BeginListFill(hwndList);
        emptied = true;
    }
    const PRINTER_INFO_1A *records = (const PRINTER_INFO_1A *)pr.records;
    for (DWORD i = 0; i < pr.count; ++i) {
        char szServer[200];
        char szEntry[202];
        ServerPartOfDescription(records[i].pDescription, szServer, sizeof szServer);
        ComposeText(szEntry, sizeof szEntry, "\\\\", szServer);
        AddServerEntry(hwndList, szEntry);
    }
    ReleasePrinterRecords(&pr);

    // The browse list is gone from current networks; a domain's print
    // servers are in its directory.
    FillDirectoryServers(hwndList, &emptied);
    if (emptied)
        EndListFill(hwndList);
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
