// Entry point of zelvane.exe.
#include "app/app.h"
#include "app/state.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    (void)lpCmdLine; // no command-line options

    g_hInstance = hInstance;
    g_bRemoteHidden = 1;
    if (hPrevInstance == NULL && !RegisterMainWindowClass(hInstance))
        return 0;
    if (!CreateMainWindow(hInstance, nCmdShow))
        return 0;

    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, NULL, 0, 0)) != 0) {
        if (got == -1) // a broken queue would spin for ever; give up instead
            return 1;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
