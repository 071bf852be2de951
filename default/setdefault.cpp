// Options > Set As Default.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"
#include "default/defprinter.h"

#include <string.h>

namespace {

const char kErrorSetting[] = "Error Setting Default Printer";

// Tells every top-level window that the default printer changed.
void BroadcastChange(LPARAM section)
{
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, section, SMTO_NORMAL, 1000, NULL);
}

// Reads the printer's level-2 record into a fixed, zero-filled global block.
// Returns the block, or null with *failure set to the message to show.
PRINTER_INFO_2A *ReadPrinterRecord(HANDLE hPrinter, const char *allocFailure, const char **failure)
{
    DWORD cbNeeded = 0;
    GetPrinterA(hPrinter, 2, NULL, 0, &cbNeeded);
    if (cbNeeded == 0) {
        *failure = kErrorSetting;
        return NULL;
    }
    PRINTER_INFO_2A *info = (PRINTER_INFO_2A *)GlobalAlloc(GPTR, cbNeeded);
    if (!info) {
        *failure = allocFailure;
        return NULL;
    }
    if (cbNeeded < sizeof(PRINTER_INFO_2A) || !GetPrinterA(hPrinter, 2, (LPBYTE)info, cbNeeded, &cbNeeded)) {
        GlobalFree(info);
        *failure = kErrorSetting;
        return NULL;
    }
    return info;
}

// The spooler's way: the printer's default attribute.
int SetSpoolerDefault(HANDLE hPrinter, const char **failure)
{
    PRINTER_INFO_2A *info = ReadPrinterRecord(hPrinter, "Unable to Allocate Memory", failure);
    if (!info)
        return 0;
    info->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
    int done = SetPrinterA(hPrinter, 2, (LPBYTE)info, 0) ? 1 : 0;
    if (done)
        BroadcastChange((LPARAM) "windows");
    else
        *failure = kErrorSetting;
    GlobalFree(info);
    return done;
}

// The profile's way: the device entry "name,driver,port".
int SetProfileDefault(HANDLE hPrinter, const char *printerName, const char **failure)
{
    PRINTER_INFO_2A *info = ReadPrinterRecord(hPrinter, kErrorSetting, failure);
    if (!info)
        return 0;
    int done = 0;
    char *device = NULL;
    if (info->pDriverName && info->pPortName) {
        size_t cb = strlen(printerName) + strlen(info->pDriverName) + strlen(info->pPortName) + 3;
        device = (char *)GlobalAlloc(GPTR, cb);
        if (device) {
            CopyText(device, cb, printerName);
            AppendText(device, cb, ",");
            AppendText(device, cb, info->pDriverName);
            AppendText(device, cb, ",");
            AppendText(device, cb, info->pPortName);
            done = WriteProfileStringA("windows", "device", device) ? 1 : 0;
        }
    }
    if (done)
        BroadcastChange(0);
    else
        *failure = kErrorSetting;
    GlobalFree(info);
    if (device)
        GlobalFree(device);
    return done;
}

} // namespace

int SetDefaultPrinter(HWND hwnd, const char *printerName)
{
    // Shown on every call, before anything else; it has no owner, so the
    // main window stays usable while it waits.
    MessageBoxA(NULL, printerName, "a", MB_OK);

    DWORD platform = QueryPlatformId();
    if (!printerName || (platform != VER_PLATFORM_WIN32_WINDOWS && platform != VER_PLATFORM_WIN32_NT)) {
        // No name, or a platform whose default can't be changed here.
        ShowStatus(hwnd, kErrorSetting, STATUS_ERROR);
        return 0;
    }

    HANDLE hPrinter = NULL;
    if (!OpenPrinterA((LPSTR)printerName, &hPrinter, NULL) || !hPrinter) {
        ShowStatus(hwnd, platform == VER_PLATFORM_WIN32_WINDOWS ? "Unable to Open selected printer"
                                                                : "Unable to open printer",
                   STATUS_ERROR);
        return 0;
    }

    const char *failure = NULL;
    int done = platform == VER_PLATFORM_WIN32_WINDOWS ? SetSpoolerDefault(hPrinter, &failure)
                                                       : SetProfileDefault(hPrinter, printerName, &failure);
    if (!done)
        ShowStatus(hwnd, failure ? failure : kErrorSetting, STATUS_ERROR);
    ClosePrinter(hPrinter);
    return done;
}

int OnSetDefaultCommand(HWND hwnd, char *szEntry)
{
    if (!BuildSelectedPrinterPath(PANEL_LOCAL))
        return 0;
    // The path is read again after the message box: a selection made while
    // it waits is the one made default.
    if (SetDefaultPrinter(hwnd, g_szPrinterPath)) {
        ComposeText(szEntry, CCH_ENTRY, "Default Printer set to : ", g_szPrinterPath);
        ShowStatus(hwnd, szEntry, STATUS_INFO);
    }
    return 1;
}
