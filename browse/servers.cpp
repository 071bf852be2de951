// The server lists of both panels.
#include "app/app.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

#include <winsock2.h>

namespace {

// Adds entry unless the list already holds one that begins with it, letter
// case not counting.
void AddServerEntry(HWND hwndList, const char *entry)
{
    if (SendMessageA(hwndList, LB_FINDSTRING, (WPARAM)-1, (LPARAM)entry) == LB_ERR)
        SendMessageA(hwndList, LB_ADDSTRING, 0, (LPARAM)entry);
}

} // namespace

void ComposeLocalMachineEntry(char *buf, size_t cb)
{
    char szHost[20];
    bool named = false;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(1, 1), &wsa) == 0) {
        named = gethostname(szHost, sizeof szHost) == 0 && szHost[0] != '\0';
        WSACleanup();
    }
    if (!named) {
        // No sockets layer, or a host name over 19 characters.
        DWORD cch = sizeof szHost;
        if (!GetComputerNameA(szHost, &cch))
            szHost[0] = '\0';
    }
    ComposeText(buf, cb, "\\\\", szHost);
}

int FillLocalServerList(HWND hwndOwner, HWND hwndList)
{
    (void)hwndOwner; // silent: nothing is reported
    PrinterRecords pr = EnumPrinterRecords(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, NULL, 2);
    g_cPrinters = pr.count;

    const PRINTER_INFO_2A *records = (const PRINTER_INFO_2A *)pr.records;
    for (DWORD i = 0; i < pr.count; ++i) {
        char szEntry[200];
        if (records[i].pServerName)
            CopyText(szEntry, sizeof szEntry, records[i].pServerName);
        else // a printer of this machine, listed under its name
            ComposeLocalMachineEntry(szEntry, sizeof szEntry);
        AddServerEntry(hwndList, szEntry);
    }

    ReleasePrinterRecords(&pr);
    return 1;
}

int FillRemoteServerList(HWND hwndOwner, HWND hwndList)
{
    (void)hwndOwner;
    PrinterRecords pr = EnumPrinterRecords(PRINTER_ENUM_REMOTE, NULL, 1);
    if (pr.count == 0) { // nothing found: the list stays as it was
        ReleasePrinterRecords(&pr);
        return 1;
    }

    SendMessageA(hwndList, LB_RESETCONTENT, 0, 0);
    const PRINTER_INFO_1A *records = (const PRINTER_INFO_1A *)pr.records;
    for (DWORD i = 0; i < pr.count; ++i) {
        char szServer[200];
        char szEntry[202];
        ServerPartOfDescription(records[i].pDescription, szServer, sizeof szServer);
        ComposeText(szEntry, sizeof szEntry, "\\\\", szServer);
        AddServerEntry(hwndList, szEntry);
    }

    ReleasePrinterRecords(&pr);
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
        MoveWindow(hwnd, 0, 0, MAIN_WIDTH, EXPANDED_HEIGHT, TRUE);
    } else {
        g_bRemoteHidden = 1;
        MoveWindow(hwnd, 0, 0, MAIN_WIDTH, COLLAPSED_HEIGHT, TRUE);
        for (HWND h : panel)
            ShowWindow(h, SW_HIDE);
    }
    // The move repaints only what it uncovers; the labels of the other layout
    // ("Status :" moves, the lower column labels come and go) need the whole
    // client area painted afresh.
    InvalidateRect(hwnd, NULL, TRUE);
}
