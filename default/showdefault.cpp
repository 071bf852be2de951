// Options > Show Default Printer.
#include "app/app.h"
#include "app/ids.h"
#include "app/text.h"
#include "default/defprinter.h"

#include <string.h>

DWORD QueryPlatformId(void)
{
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version; // 148 bytes
    // Only the platform identifier is read, and GetVersionEx reports it
    // truly on every Windows. The SDK deprecates the call for its version
    // numbers, which depend on the manifest: that warning is silenced for
    // this call alone.
#ifdef _MSC_VER
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    GetVersionExA(&version);
#ifdef _MSC_VER
#pragma warning(pop)
#endif
    return version.dwPlatformId;
}

namespace {

// The spooler's default printer. 0 when there is none.
int GetSpoolerDefault(char *szName, size_t cb)
{
    DWORD cbNeeded = 0;
    DWORD cReturned = 0;
    EnumPrintersA(PRINTER_ENUM_DEFAULT, NULL, 2, NULL, 0, &cbNeeded, &cReturned);
    if (cbNeeded == 0)
        return 0;
    LPBYTE buffer = (LPBYTE)GlobalAlloc(GPTR, cbNeeded);
    if (!buffer)
        return 0;
    int found = 0;
    DWORD cbFilled = 0;
    cReturned = 0;
    if (EnumPrintersA(PRINTER_ENUM_DEFAULT, NULL, 2, buffer, cbNeeded, &cbFilled, &cReturned) &&
        cReturned > 0 && cbNeeded >= sizeof(PRINTER_INFO_2A)) {
        const PRINTER_INFO_2A *record = (const PRINTER_INFO_2A *)buffer;
        if (record->pPrinterName) {
            CopyText(szName, cb, record->pPrinterName);
            found = 1;
        }
    }
    GlobalFree(buffer);
    return found;
}

// The name part of the profile's device entry. 0 when there is none: the
// default ",,," (no entry at all) holds no name either.
int GetProfileDefault(char *szName, size_t cb)
{
    char szProfile[250];
    if (GetProfileStringA("windows", "device", ",,,", szProfile, sizeof szProfile) == 0)
        return 0;
    if (!CutDeviceName(szProfile))
        return 0;
    CopyText(szName, cb, szProfile); // leading commas stay in front of the name
    return 1;
}

} // namespace

int ShowDefaultPrinter(HWND hwnd)
{
    char szName[250] = "";
    DWORD platform = QueryPlatformId();
    if (platform == VER_PLATFORM_WIN32_WINDOWS) {
        if (!GetSpoolerDefault(szName, sizeof szName))
            return 0;
    } else if (platform == VER_PLATFORM_WIN32_NT) {
        if (!GetProfileDefault(szName, sizeof szName))
            return 0;
    }
    // On any other platform no name can be had: the message stands alone.

    char szMessage[500];
    ComposeText(szMessage, sizeof szMessage, "Default Printer is  ", szName);
    ShowStatus(hwnd, szMessage, STATUS_INFO);
    return 1;
}
