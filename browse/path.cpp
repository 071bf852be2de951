// The selected printer's path.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

// The one writer of g_szPrinterPath.
int BuildSelectedPrinterPath(int panel)
{
    bool local = panel == PANEL_LOCAL;
    HWND hwndServers = local ? g_hwndLocalServers : g_hwndRemoteServers;
    HWND hwndPrinters = local ? g_hwndLocalPrinters : g_hwndRemotePrinters;

    char szServer[200] = "";
    if (GetSelectedEntry(hwndServers, szServer, sizeof szServer) == LB_ERR)
        return 0;
    CopyText(g_szPrinterPath, sizeof g_szPrinterPath, szServer);

    char szPrinter[200] = "";
    if (GetSelectedEntry(hwndPrinters, szPrinter, sizeof szPrinter) == LB_ERR)
        return 0; // the path holds the server entry alone
    ComposePrinterPath(g_szPrinterPath, sizeof g_szPrinterPath, szServer, szPrinter);
    return 1;
}
