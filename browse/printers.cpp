// The printer lists of both panels.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

#include <string.h>

namespace {

const char kNoPrinters[] = "No Printers Available";

} // namespace

int FillLocalPrinterList(HWND hwndOwner, HWND hwndList, const char *serverEntry)
{
    PrinterRecords pr = EnumPrinterRecords(PRINTER_ENUM_CONNECTIONS | PRINTER_ENUM_NAME, serverEntry, 2);
    g_cPrinters = pr.count;
    BeginListFill(hwndList);
    if (pr.count == 0) {
        ShowStatus(hwndOwner, kNoPrinters, STATUS_ERROR);
        SendMessageA(hwndList, LB_ADDSTRING, 0, (LPARAM)kNoPrinters);
        EndListFill(hwndList);
        ReleasePrinterRecords(&pr);
        return 0;
    }

    // Printers of this machine come without a server name; they belong to
    // the entry that the server list composed for this machine.
    char szLocal[200];
    bool haveLocal = false;

    const PRINTER_INFO_2A *records = (const PRINTER_INFO_2A *)pr.records;
    for (DWORD i = 0; i < pr.count; ++i) {
        const char *server = records[i].pServerName;
        if (!server) {
            if (!haveLocal)
                ComposeLocalMachineEntry(szLocal, sizeof szLocal);
            haveLocal = true;
            server = szLocal;
        }
        if (strcmp(serverEntry, server) != 0)
            continue;
        char szShare[200];
        if (CopyText(szShare, sizeof szShare, records[i].pShareName) != 0)
            SendMessageA(hwndList, LB_ADDSTRING, 0, (LPARAM)szShare);
    }
    EndListFill(hwndList);

    ReleasePrinterRecords(&pr);
    return 1;
}

int FillRemotePrinterList(HWND hwndOwner, HWND hwndList, const char *serverEntry)
{
    PrinterRecords pr = EnumPrinterRecords(PRINTER_ENUM_NAME, serverEntry, 2);
    SendMessageA(hwndList, LB_RESETCONTENT, 0, 0);
    BeginListFill(hwndList);
    if (pr.count == 0) {
        SendMessageA(hwndList, LB_ADDSTRING, 0, (LPARAM)kNoPrinters);
        ShowStatus(hwndOwner, kNoPrinters, STATUS_ERROR);
    }

    const PRINTER_INFO_2A *records = (const PRINTER_INFO_2A *)pr.records;
    for (DWORD i = 0; i < pr.count; ++i) {
        if (!records[i].pPrinterName)
            continue;
        // Empty parts (a name ending in a backslash) and duplicates are listed too.
        char szEntry[100];
        CopyText(szEntry, sizeof szEntry, LastNamePart(records[i].pPrinterName));
        SendMessageA(hwndList, LB_ADDSTRING, 0, (LPARAM)szEntry);
    }
    EndListFill(hwndList);

    ReleasePrinterRecords(&pr);
    return 1;
}

void OnServerSelected(HWND hwnd, int panel, char *szEntry)
{
    bool local = panel == PANEL_LOCAL;
    PanelLists lists = ListsOf(panel);

    // With no selection szEntry stays empty and the spooler is asked with "".
    GetSelectedEntry(lists.servers, szEntry, CCH_ENTRY);
    if (local)
        ShowStatus(hwnd, szEntry, STATUS_INFO);
    SendMessageA(lists.printers, LB_RESETCONTENT, 0, 0);
    SendMessageA(lists.jobs, LB_RESETCONTENT, 0, 0);
    if (local) {
        FillLocalPrinterList(hwnd, lists.printers, szEntry);
    } else {
        NoteRemoteServerChosen();
        FillRemotePrinterList(hwnd, lists.printers, szEntry);
    }
}
