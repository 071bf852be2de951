// File > Print: the selected local printer made the default, a file chosen
// and handed to the shell's "print" verb.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"
#include "default/defprinter.h"

#include <commdlg.h>
#include <shellapi.h>
#include <string.h>

int PrintFileWithShell(HWND hwnd, const char *path)
{
    UseCom(); // the verb may be carried out by a COM object
    HINSTANCE result = ShellExecuteA(hwnd, "print", path, NULL, NULL, SW_HIDE);
    char szMessage[100];
    if ((INT_PTR)result > 32) {
        ComposeText(szMessage, sizeof szMessage, "Printing  ", path);
        ShowStatus(hwnd, szMessage, STATUS_INFO);
    } else { // the shell refused it: say so rather than claim it prints
        ComposeText(szMessage, sizeof szMessage, "Unable to Print  ", path);
        ShowStatus(hwnd, szMessage, STATUS_ERROR);
    }
    return 1;
}

int ChooseFileToPrint(HWND hwnd)
{
    char szFile[200];
    memset(szFile, 0, sizeof szFile);
    CopyText(szFile, sizeof szFile, "Qavrint");

    OPENFILENAMEA ofn;
    memset(&ofn, 0, sizeof ofn);
    // The record without the fields that later versions appended, in this
    // build's own layout.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = sizeof szFile;
    ofn.Flags = OFN_EXPLORER | OFN_READONLY;
    if (GetOpenFileNameA(&ofn) != TRUE)
        return 1; // cancelled, or the dialog failed: nothing printed, nothing said
    return PrintFileWithShell(hwnd, szFile);
}

int OnPrintCommand(HWND hwnd, char *szEntry, char *szPrinterName)
{
    bool missing = false;
    if (GetSelectedEntry(g_hwndLocalServers, szEntry, CCH_ENTRY) == LB_ERR)
        missing = true;
    CopyText(szPrinterName, CCH_PRINTER_NAME, szEntry);
    if (GetSelectedEntry(g_hwndLocalPrinters, szEntry, CCH_ENTRY) == LB_ERR)
        missing = true;
    AppendText(szPrinterName, CCH_PRINTER_NAME, "\\");
    AppendText(szPrinterName, CCH_PRINTER_NAME, szEntry);

    if (!missing)
        SetDefaultPrinter(hwnd, szPrinterName); // a failure leaves its message; printing goes on

    ChooseFileToPrint(hwnd); // always 1: a cancel or a refused file goes on as a print does
    if (!BuildSelectedPrinterPath(PANEL_LOCAL))
        return 0;
    SendMessageA(g_hwndLocalJobs, LB_RESETCONTENT, 0, 0);
    FillJobList(hwnd, g_hwndLocalJobs, g_szPrinterPath);
    return 1;
}
