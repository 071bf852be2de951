// Display scale: the layout's numbers are pixels at 96 DPI, each used at the
// main window's DPI; on a monitor of another DPI than the system's, the
// window's text takes a TrueType font of the system font's size there. The
// window's height holds the layout whatever its caption, menu bar and frame.
#include "app/app.h"
#include "app/state.h"

namespace {

HFONT s_hFont; // the window's font at g_uDpi, or null at the system DPI

// Calls of Windows 10 1607 on, looked up so that the program still starts on
// Windows 7.
FARPROC UserFunction(const char *name)
{
    return GetProcAddress(GetModuleHandleA("user32.dll"), name);
}

UINT CallDpiFunction(const char *name, HWND hwnd)
{
    FARPROC proc = UserFunction(name);
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

// The system font's height at this DPI, in a TrueType face: Windows' system
// font is a raster font, which GDI draws at its own sizes only, not at 125% or
// 150%. The face is the message font's (Segoe UI on Windows 10 and 11); the
// weight stays the system font's.
HFONT CreateScaledFont(UINT system)
{
    LOGFONTA lf;
    if (GetObjectA(GetStockObject(SYSTEM_FONT), sizeof lf, &lf) != sizeof lf)
        return NULL;
    lf.lfHeight = MulDiv(lf.lfHeight, (int)g_uDpi, (int)system);
    lf.lfWidth = 0;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    lf.lfFaceName[0] = '\0'; // without the message font, any TrueType face
    NONCLIENTMETRICSA ncm;
    ncm.cbSize = sizeof ncm;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
        lf.lfCharSet = ncm.lfMessageFont.lfCharSet;
        lstrcpynA(lf.lfFaceName, ncm.lfMessageFont.lfFaceName, LF_FACESIZE);
    }
    return CreateFontIndirectA(&lf);
}

// Where there is no call for another DPI's metrics, the window is at the
// system DPI, whose metrics are the plain ones.
BOOL AdjustForDpi(RECT *r, DWORD style, BOOL menu, DWORD exStyle, UINT dpi)
{
    typedef BOOL(WINAPI * AdjustProc)(RECT *, DWORD, BOOL, DWORD, UINT);
    FARPROC proc = UserFunction("AdjustWindowRectExForDpi");
    if (proc)
        return ((AdjustProc)(void (*)(void))proc)(r, style, menu, exStyle, dpi);
    return AdjustWindowRectEx(r, style, menu, exStyle);
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

// The whole window's size at a DPI: the layout's own, or taller where a
// taller caption, menu bar or frame (a larger text size) would leave the
// client area short of the status line's foot.
SIZE LayoutSize(HWND hwnd, UINT dpi)
{
    SIZE size = {MulDiv(MAIN_WIDTH, (int)dpi, 96),
                 MulDiv(g_bRemoteHidden ? COLLAPSED_HEIGHT : EXPANDED_HEIGHT, (int)dpi, 96)};
    RECT r = {0, 0, size.cx, MulDiv(g_bRemoteHidden ? COLLAPSED_CLIENT : EXPANDED_CLIENT, (int)dpi, 96)};
    if (AdjustForDpi(&r, (DWORD)GetWindowLongPtrA(hwnd, GWL_STYLE), GetMenu(hwnd) != NULL,
                     (DWORD)GetWindowLongPtrA(hwnd, GWL_EXSTYLE), dpi) &&
        r.bottom - r.top > size.cy)
        size.cy = r.bottom - r.top;
    return size;
}

void PlaceWindow(HWND hwnd, int x, int y)
{
    SIZE size = LayoutSize(hwnd, g_uDpi);
    MoveWindow(hwnd, x, y, size.cx, size.cy, TRUE);
}

// At the system DPI the device context's default font is the system font at
// that DPI, and the lists use it too; elsewhere a TrueType font of its size
// at this DPI is made, and the lists are given it.
void UseLayoutFont(HWND hwndLists[], int count)
{
    HFONT font = NULL;
    UINT system = SystemDpi();
    if (g_uDpi != system)
        font = CreateScaledFont(system);
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
