// Reading printer records with the spooler's two-call pattern.
#include "browse/browse.h"

PrinterRecords EnumPrinterRecords(DWORD flags, const char *name, DWORD level)
{
    PrinterRecords pr = {NULL, NULL, 0};
    DWORD cbNeeded = 0;
    DWORD cReturned = 0;
    LPSTR pName = (LPSTR)name; // the spooler takes a non-const name but does not write it

    EnumPrintersA(flags, pName, level, NULL, 0, &cbNeeded, &cReturned);
    // A printer added between the call that sizes the block and the one that
    // fills it makes the block too small: it is sized again, a few times at
    // most, for a spooler whose printers keep coming.
    for (int attempt = 0; cbNeeded != 0 && attempt < kFillAttempts; ++attempt) {
        pr.hBlock = GlobalAlloc(GHND, cbNeeded);
        if (!pr.hBlock)
            return pr;
        pr.records = GlobalLock(pr.hBlock);
        if (!pr.records)
            return pr;
        cReturned = 0;
        DWORD cbFilled = 0;
        if (EnumPrintersA(flags, pName, level, (LPBYTE)pr.records, cbNeeded, &cbFilled, &cReturned)) {
            size_t cbRecord = level == 1 ? sizeof(PRINTER_INFO_1A) : sizeof(PRINTER_INFO_2A);
            DWORD fit = (DWORD)(cbNeeded / cbRecord);
            pr.count = cReturned < fit ? cReturned : fit;
            return pr;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbFilled <= cbNeeded)
            return pr;
        ReleasePrinterRecords(&pr);
        cbNeeded = cbFilled;
    }
    return pr;
}

void ReleasePrinterRecords(PrinterRecords *pr)
{
    if (pr->hBlock) {
        if (pr->records)
            GlobalUnlock(pr->hBlock);
        GlobalFree(pr->hBlock);
    }
    pr->hBlock = NULL;
    pr->records = NULL;
    pr->count = 0;
}
