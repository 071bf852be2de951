// Routing of WM_COMMAND to the rows of each list and menu command, and the
// About box.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "browse/browse.h"
#include "default/defprinter.h"

int OnMainCommand(HWND hwnd, WPARAM wParam, char *szEntry, char *szPrinterName)
{
    WORD id = LOWORD(wParam);
    bool selChange = HIWORD(wParam) == LBN_SELCHANGE;

    // Lists run their row only on a selection change; the remote panel's
    // toggle is recognised on its low word alone.
    if (id == IDC_LOCAL_SERVERS && selChange)
        OnServerSelected(hwnd, PANEL_LOCAL, szEntry);
    else if (id == IDC_LOCAL_PRINTERS && selChange)
        return OnPrinterSelected(hwnd, PANEL_LOCAL);
    else if (id == IDC_LOCAL_JOBS && selChange)
        OnLocalJobSelected(hwnd, szEntry);
    else if (id == IDM_SHOW_REMOTE)
        ToggleRemotePanel(hwnd);
    else if (id == IDC_REMOTE_SERVERS && selChange)
        OnServerSelected(hwnd, PANEL_REMOTE, szEntry);
    else if (id == IDC_REMOTE_PRINTERS && selChange)
        return OnPrinterSelected(hwnd, PANEL_REMOTE);
    // Menu commands match on the whole wParam, so only as the menu sends them.
    else if (wParam == IDM_PRINT)
        return OnPrintCommand(hwnd, szEntry, szPrinterName);
    else if (wParam == IDM_SET_DEFAULT)
        return OnSetDefaultCommand(hwnd, szEntry);
    else if (wParam == IDM_ABOUT)
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUT), hwnd, AboutDlgProc, 0);
    else if (wParam == IDM_SHOW_DEFAULT)
        ShowDefaultPrinter(hwnd);
    else if (wParam == IDM_EXIT)
        PostQuitMessage(0); // the loop ends; the window goes with the process
    return 1;
}

// Closes on OK only: the close box's IDCANCEL leaves the box open.
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK)
        EndDialog(hDlg, 1);
    return FALSE;
}
