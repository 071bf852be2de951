// The selected printer's path.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

PanelLists ListsOf(int panel)
{
    if (panel == PANEL_LOCAL)
        return {g_hwndLocalServers, g_hwndLocalPrinters, g_hwndLocalJobs};
    return {g_hwndRemoteServers, g_hwndRemotePrinters, g_hwndRemoteJobs};
}

// The one writer of g_szPrinterPath.
int BuildSelectedPrinterPath(int panel)
{
    PanelLists lists = ListsOf(panel);

    char szServer[200] = "";
    if (GetSelectedEntry(lists.servers, szServer, sizeof szServer) == LB_ERR)
        return 0;
    CopyText(g_szPrinterPath, sizeof g_szPrinterPath, szServer);

    char szPrinter[200] = "";
    if (GetSelectedEntry(lists.printers, szPrinter, sizeof szPrinter) == LB_ERR)
        return 0; // the path holds the server entry alone
    ComposePrinterPath(g_szPrinterPath, sizeof g_szPrinterPath, szServer, szPrinter);
    return 1;
}
