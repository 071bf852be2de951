// The status line and the clock, both drawn straight onto the main window.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "app/text.h"

#include <stdio.h>
#include <string.h>

namespace {

const COLORREF kErrorColour = RGB(170, 0, 0);
const COLORREF kInfoColour = RGB(0, 0, 170);
const COLORREF kClockColour = RGB(0, 0, 0);

const RECT kClockFrame = {652, 4, 730, 22};
const RECT kCollapsedBand = {75, 245, 600, 265};
const RECT kExpandedBand = {75, 445, 600, 467};

void DrawClock(HDC hdc)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char szClock[100];
    snprintf(szClock, sizeof szClock, "%d : %d : %d ", now.wHour, now.wMinute, now.wSecond);

    COLORREF menu = GetSysColor(COLOR_MENU);
    // A contrast theme's menu colour may be black: text and frame then take
    // its menu text colour.
    HPEN pen = HighContrast() ? CreatePen(PS_SOLID, 0, GetSysColor(COLOR_MENUTEXT)) : NULL;
    HGDIOBJ oldFont = SelectLayoutFont(hdc);
    SetBkColor(hdc, menu);
    SetTextColor(hdc, pen ? GetSysColor(COLOR_MENUTEXT) : kClockColour);
    HBRUSH brush = CreateSolidBrush(menu);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    HGDIOBJ oldPen = pen ? SelectObject(hdc, pen) : NULL;
    // The frame, drawn with that pen or the default one, also wipes the
    // previous time.
    Rectangle(hdc, Scale(kClockFrame.left), Scale(kClockFrame.top), Scale(kClockFrame.right),
              Scale(kClockFrame.bottom));
    TextOutA(hdc, Scale(kClockFrame.left + 1), Scale(kClockFrame.top + 1), szClock, (int)strlen(szClock));
    if (oldFont)
        SelectObject(hdc, oldFont);
    if (pen) {
        SelectObject(hdc, oldPen);
        DeleteObject(pen);
    }
    SelectObject(hdc, oldBrush);
    DeleteObject(brush);
}

void WipeStatusBand(HWND hwnd, HDC hdc)
{
    COLORREF menu = GetSysColor(COLOR_MENU);
    HBRUSH brush = CreateSolidBrush(menu);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    HPEN pen = CreatePen(PS_SOLID, 0, menu);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    // The band of the layout current now, not of the one the text was drawn in.
    const RECT &band = g_bRemoteHidden ? kCollapsedBand : kExpandedBand;
    Rectangle(hdc, Scale(band.left), Scale(band.top), Scale(band.right), Scale(band.bottom));
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    KillTimer(hwnd, TIMER_STATUS); // one wipe per message
    SilenceStatus();
}

// GDI's A calls convert a text by the font's character set, not by the process
// code page: the text is drawn as the characters that the code page makes of
// its bytes. The line shows a hundred characters or so; a longer text is cut.
void DrawCodePageText(HDC hdc, int x, int y, const char *text)
{
    char szText[512];
    WCHAR szWide[512]; // a byte never gives more than one UTF-16 unit
    CopyText(szText, sizeof szText, text);
    int cch = MultiByteToWideChar(CP_ACP, 0, szText, -1, szWide, (int)(sizeof szWide / sizeof szWide[0]));
    TextOutW(hdc, x, y, szWide, cch > 0 ? cch - 1 : 0);
}

} // namespace

int ShowStatus(HWND hwnd, const char *text, int kind)
{
    if (!text)
        text = "";
    HDC hdc = GetDC(hwnd);
    if (hdc) {
        if (HighContrast()) { // the theme's own text colours, not red or blue
            SetBkColor(hdc, GetSysColor(COLOR_WINDOW));
            SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
        } else {
            SetBkColor(hdc, GetSysColor(COLOR_MENU));
            SetTextColor(hdc, kind == STATUS_ERROR ? kErrorColour : kInfoColour);
        }
        HGDIOBJ oldFont = SelectLayoutFont(hdc);
        DrawCodePageText(hdc, Scale(80), Scale(g_bRemoteHidden ? 245 : 450), text);
        if (oldFont)
            SelectObject(hdc, oldFont);
        ReleaseDC(hwnd, hdc);
    }
    AnnounceStatus(text);
    // Arming it again restarts its second: the wipe follows the last message.
    return SetTimer(hwnd, TIMER_STATUS, 1000, NULL) ? 1 : 0;
}

void OnMainTimer(HWND hwnd, WPARAM idTimer)
{
    HDC hdc = GetDC(hwnd);
    if (!hdc)
        return;
    if (LOWORD(idTimer) == TIMER_CLOCK)
        DrawClock(hdc);
    else
        WipeStatusBand(hwnd, hdc);
    ReleaseDC(hwnd, hdc);
}
