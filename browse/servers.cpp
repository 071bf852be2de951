// The local panel's server list, and the entry of this machine.
#include "app/app.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

#include <winsock2.h>

// The same name in another letter case is the same server; a name that only
// begins another's (PS beside PS10) is a server of its own.
void AddServerEntry(HWND hwndList, const char *entry)
{
    if (SendMessageA(hwndList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)entry) == LB_ERR)
        SendMessageA(hwndList, LB_ADDSTRING, 0, (LPARAM)entry);
}

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
    BeginListFill(hwndList);
    for (DWORD i = 0; i < pr.count; ++i) {
        char szEntry[200];
        if (records[i].pServerName)
            CopyText(szEntry, sizeof szEntry, records[i].pServerName);
        else // a printer of this machine, listed under its name
            ComposeLocalMachineEntry(szEntry, sizeof szEntry);
        AddServerEntry(hwndList, szEntry);
    }
    EndListFill(hwndList);

    ReleasePrinterRecords(&pr);
    return 1;
}
