// Entry point of zelvane.exe.
#include "app/app.h"
#include "app/state.h"
#include "app/text.h"
#include "browse/browse.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// Windows looks for a DLL that is not one of its known DLLs in the program's
// own folder first, and may look in the current directory, which the Open
// dialog moves. The program may run from a download folder, so every DLL it
// loads comes from System32 alone. The spooler, the sockets layer, the Open
// dialog and the shell are delay-loaded, so that none of them loads before
// this; the import table holds only the known DLLs that start-up loads.
// SetDefaultDllDirectories is missing on Windows 7 without KB2533623; there
// the current directory at least leaves the search.
static void RestrictDllSearch(void)
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD);
    FARPROC proc = GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (proc == NULL ||
        !((SetDefaultDllDirectoriesProc)(void (*)(void))proc)(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryA("");
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    (void)lpCmdLine; // no command-line options

    RestrictDllSearch();
    UseProcessCodePage(); // UTF-8 where the manifest's setting is honoured
    g_hInstance = hInstance;
    g_bRemoteHidden = 1;
    if (hPrevInstance == NULL && !RegisterMainWindowClass(hInstance))
        return 0;
    if (!CreateMainWindow(hInstance, nCmdShow))
        return 0;

    MSG msg;
    BOOL got;
    int result = 1; // a broken queue would spin for ever; give up instead
    while ((got = GetMessageA(&msg, NULL, 0, 0)) != 0) {
        if (got == -1)
            break;
        // Tab and Shift+Tab move between the lists, as in a dialog; Enter and
        // Esc come as commands 1 and 2, which run no row.
        if (IsDialogMessageA(g_hwndMain, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (got == 0)
        result = (int)msg.wParam;
    // File > Exit leaves the window standing: what it started ends here. COM
    // ends once the loop is over, as it may dispatch messages of its own.
    ReleaseAccessibility();
    ReleaseCom();
    // ExitProcess would cut a lookup left waiting for a silent server short
    // inside the LDAP client or WinHTTP, then run the DLLs' detach code,
    // which may wait for a lock that the cut thread holds.
    // Ending its own process, TerminateProcess does not return: the
    // runtime's exit never runs after it.
    if (LookupsRunning())
        TerminateProcess(GetCurrentProcess(), (UINT)result);
    return result;
}
