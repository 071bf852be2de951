// The job lists of both panels.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

int FillJobList(HWND hwndOwner, HWND hwndList, const char *printerPath)
{
    HANDLE heap = GetProcessHeap();
    HANDLE hPrinter = NULL;
    PRINTER_INFO_2A *info = NULL;
    JOB_INFO_2A *jobs = NULL;
    const char *failure = NULL;
    int result = 0;

    if (!OpenPrinterA((LPSTR)printerPath, &hPrinter, NULL) || !hPrinter) {
        ShowStatus(hwndOwner, "Fail to access the printer", STATUS_ERROR);
        return 0;
    }

    DWORD cbInfo = 0;
    GetPrinterA(hPrinter, 2, NULL, 0, &cbInfo);
    if (cbInfo >= sizeof(PRINTER_INFO_2A))
        info = (PRINTER_INFO_2A *)HeapAlloc(heap, 0, cbInfo);
    if (!info || !GetPrinterA(hPrinter, 2, (LPBYTE)info, cbInfo, &cbInfo)) {
        failure = "Fail to access the printer";
        goto done;
    }

    {
        DWORD cJobs = info->cJobs;
        DWORD cbJobs = 0;
        DWORD cReturned = 0;
        if (!EnumJobsA(hPrinter, 0, cJobs, 2, NULL, 0, &cbJobs, &cReturned) &&
            GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            failure = "Insufficient Buffer ";
            goto done;
        }
        // A size of 0 still gives a valid block: an empty queue goes on.
        for (int attempt = 1;; ++attempt) {
            jobs = (JOB_INFO_2A *)HeapAlloc(heap, HEAP_ZERO_MEMORY, cbJobs);
            if (!jobs) {
                failure = "Failure to allocate Job storage space ";
                goto done;
            }
            cReturned = 0;
            DWORD cbFilled = 0;
            if (EnumJobsA(hPrinter, 0, cJobs, 2, (LPBYTE)jobs, cbJobs, &cbFilled, &cReturned))
                break;
            // A job queued between the two calls makes the block too small:
            // it is sized again, a few times at most.
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbFilled <= cbJobs || attempt == kFillAttempts) {
                failure = "Get job list error";
                goto done;
            }
            HeapFree(heap, 0, jobs);
            jobs = NULL;
            cbJobs = cbFilled;
        }
        DWORD fit = (DWORD)(cbJobs / sizeof(JOB_INFO_2A));
        if (cReturned > fit)
            cReturned = fit;

        BeginListFill(hwndList);
        if (cReturned == 0) {
            SendMessageA(hwndList, LB_ADDSTRING, 0, (LPARAM) "No Jobs in Queue");
            ShowStatus(hwndOwner, "No Jobs in Queue", STATUS_ERROR);
        }
        for (DWORD i = 0; i < cReturned; ++i) {
            char szJob[300];
            FormatJobEntry(szJob, sizeof szJob, (long)jobs[i].JobId, jobs[i].pDocument);
            SendMessageA(hwndList, LB_ADDSTRING, 0, (LPARAM)szJob);
        }
        EndListFill(hwndList);
        result = 1;
    }

done:
    if (failure)
        ShowStatus(hwndOwner, failure, STATUS_ERROR);
    ClosePrinter(hPrinter);
    if (info)
        HeapFree(heap, 0, info);
    if (jobs)
        HeapFree(heap, 0, jobs);
    return result;
}

int OnPrinterSelected(HWND hwnd, int panel)
{
    if (!BuildSelectedPrinterPath(panel))
        return 0; // no server selected: nothing happens, not even the emptying
    HWND hwndJobs = ListsOf(panel).jobs;
    SendMessageA(hwndJobs, LB_RESETCONTENT, 0, 0);
    FillJobList(hwnd, hwndJobs, g_szPrinterPath);
    return 1;
}

void OnLocalJobSelected(HWND hwnd, char *szEntry)
{
    GetSelectedEntry(g_hwndLocalJobs, szEntry, CCH_ENTRY);
    ShowStatus(hwnd, szEntry, STATUS_INFO);
}
