// Display scale: the layout's numbers are pixels at 96 DPI, each used at the
// main window's DPI; on a monitor of another DPI than the system's, the
// window's text takes the system font made for it.
#include "app/app.h"
#include "app/state.h"

namespace {

HFONT s_hFont; // the system font made for g_uDpi, or null at the system DPI

// Calls of Windows 10 1607 on, looked up so that the program still starts on
// Windows 7.
UINT CallDpiFunction(const char *name, HWND hwnd)
{
    FARPROC proc = GetProcAddress(GetModuleHandleA("user32.dll"), name);
    if (!proc)
        return 0;
    if (hwnd)
        return ((UINT(WINAPI *)(HWND))(void (*)(void))proc)(hwnd);
    return ((UINT(WINAPI *)(void))(void (*)(void))proc)();
}

// The screen's DPI: the system DPI, for a process that is not per-monitor
// aware or on a Windows without per-monitor awareness.
UINT ScreenDpi(void)
{
    HDC screen = GetDC(NULL);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(NULL, screen);
    return dpi > 0 ? (UINT)dpi : 96;
}

UINT SystemDpi(void)
{
    UINT dpi = CallDpiFunction("GetDpiForSystem", NULL);
    return dpi ? dpi : ScreenDpi();
}

} // namespace

int Scale(int v)
{
    return MulDiv(v, (int)g_uDpi, 96);
}

UINT WindowDpi(HWND hwnd)
{
    UINT dpi = CallDpiFunction("GetDpiForWindow", hwnd);
    return dpi ? dpi : ScreenDpi();
}

HGDIOBJ SelectLayoutFont(HDC hdc)
{
    return s_hFont ? SelectObject(hdc, s_hFont) : NULL;
}

// At the system DPI the device context's default font is the system font at
// that DPI, and the lists use it too; elsewhere the same face is made for
// this DPI, and the lists are given it.
void UseLayoutFont(HWND hwndLists[], int count)
{
    HFONT font = NULL;
    UINT system = SystemDpi();
    if (g_uDpi != system) {
        LOGFONTA lf;
        if (GetObjectA(GetStockObject(SYSTEM_FONT), sizeof lf, &lf) == sizeof lf) {
            lf.lfHeight = MulDiv(lf.lfHeight, (int)g_uDpi, (int)system);
            lf.lfWidth = MulDiv(lf.lfWidth, (int)g_uDpi, (int)system);
            font = CreateFontIndirectA(&lf);
        }
    }
    if (!font && !s_hFont)
        return; // the lists keep the system font they have
    for (int i = 0; i < count; ++i)
        if (hwndLists[i])
            SendMessageA(hwndLists[i], WM_SETFONT, (WPARAM)font, FALSE);
    if (s_hFont)
        DeleteObject(s_hFont);
    s_hFont = font;
}

void ReleaseLayoutFont(void)
{
    if (s_hFont)
        DeleteObject(s_hFont);
    s_hFont = NULL;
}
