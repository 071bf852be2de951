// The main window: its class, creation, fixed layout and painted labels.
#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "browse/browse.h"

#include <string.h>

namespace {

const DWORD kListStyle = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_SORT;

struct Control {
    const char *className;
    DWORD exStyle;
    DWORD style;
    int x, y, width, height;
    int id;
    HWND *handle; // where the handle is kept, or null
};

// In creation order.
const Control kControls[] = {
    {"button", 0, WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 20, 20, 710, 200, 0, NULL},
    {"listbox", WS_EX_CLIENTEDGE, kListStyle | WS_VISIBLE, 50, 70, 220, 140, IDC_LOCAL_SERVERS, &g_hwndLocalServers},
    {"listbox", WS_EX_CLIENTEDGE, kListStyle | WS_VISIBLE, 270, 70, 220, 140, IDC_LOCAL_PRINTERS, &g_hwndLocalPrinters},
    {"listbox", WS_EX_CLIENTEDGE, kListStyle | WS_VISIBLE, 490, 70, 220, 140, IDC_LOCAL_JOBS, &g_hwndLocalJobs},
    {"button", 0, WS_CHILD | BS_GROUPBOX, 20, 230, 710, 200, IDC_REMOTE_FRAME, &g_hwndRemoteFrame},
    {"listbox", WS_EX_CLIENTEDGE, kListStyle, 50, 280, 220, 140, IDC_REMOTE_SERVERS, &g_hwndRemoteServers},
    {"listbox", WS_EX_CLIENTEDGE, kListStyle, 270, 280, 220, 140, IDC_REMOTE_PRINTERS, &g_hwndRemotePrinters},
    {"listbox", WS_EX_CLIENTEDGE, kListStyle, 490, 280, 220, 140, IDC_REMOTE_JOBS, &g_hwndRemoteJobs},
};

struct Label {
    int x, y;
    const char *text;
};

const Label kUpperLabels[] = {
    {50, 45, "Server's Name"}, {270, 45, "Printer's Share Name"}, {490, 45, "Jobs Running"}};
const Label kLowerLabels[] = {
    {50, 250, "Server's Name"}, {270, 250, "Printer's Share Name"}, {490, 250, "Jobs Running"}};
const Label kCollapsedStatusLabel = {20, 245, "Status :"};
const Label kExpandedStatusLabel = {20, 450, "Status :"};

HWND s_hwndControls[sizeof kControls / sizeof kControls[0]]; // as created, for a new DPI

void DrawLabel(HDC hdc, const Label &label)
{
    TextOutA(hdc, Scale(label.x), Scale(label.y), label.text, (int)strlen(label.text));
}

void UseListFont(void)
{
    HWND lists[] = {g_hwndLocalServers, g_hwndLocalPrinters, g_hwndLocalJobs,
                    g_hwndRemoteServers, g_hwndRemotePrinters, g_hwndRemoteJobs};
    UseLayoutFont(lists, 6);
}

void OnCreate(HWND hwnd)
{
    SetTimer(hwnd, TIMER_CLOCK, 1000, NULL);
    g_uDpi = WindowDpi(hwnd);
    PlaceWindow(hwnd, 0, 0);

    for (size_t i = 0; i < sizeof kControls / sizeof kControls[0]; ++i) {
        const Control &c = kControls[i];
        CreateListLabel(hwnd, c.id);
        HWND h = CreateWindowExA(c.exStyle, c.className, NULL, c.style, Scale(c.x), Scale(c.y), Scale(c.width),
                                 Scale(c.height), hwnd, (HMENU)(INT_PTR)c.id, g_hInstance, NULL);
        if (c.handle)
            *c.handle = h;
        s_hwndControls[i] = h;
        MakeListReachable(h, c.id);
    }
    CreateStatusRegion(hwnd);
    UseListFont();

    FillLocalServerList(hwnd, g_hwndLocalServers);
}

bool s_bDpiMove; // the window is being placed for a new DPI

// Any sizing snaps the window back to its layout's size at the top left, but
// the move that a change of DPI makes.
void OnSize(HWND hwnd)
{
    if (!s_bDpiMove)
        PlaceWindow(hwnd, 0, 0);
}

// Dragged onto a monitor of another scale, or the scale changed: the layout
// at the new DPI, where the system suggests (it asked for the size first). A
// move back to 0,0 would return the window to the first monitor in the middle
// of the drag, and the next mouse move would carry it across again.
void OnDpiChanged(HWND hwnd, WPARAM wParam, const RECT *suggested)
{
    g_uDpi = HIWORD(wParam);
    UseListFont(); // first: a list trims its height by its rows
    for (size_t i = 0; i < sizeof kControls / sizeof kControls[0]; ++i) {
        const Control &c = kControls[i];
        MoveWindow(s_hwndControls[i], Scale(c.x), Scale(c.y), Scale(c.width), Scale(c.height), FALSE);
    }
    s_bDpiMove = true;
    PlaceWindow(hwnd, suggested ? suggested->left : 0, suggested ? suggested->top : 0);
    s_bDpiMove = false;
    InvalidateRect(hwnd, NULL, TRUE);
}

// The system's colours changed (a contrast theme on or off): the background
// follows by itself; what is drawn on it is drawn afresh, the lists and their
// edges and the clock included.
void OnColoursChanged(HWND hwnd)
{
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    OnMainTimer(hwnd, TIMER_CLOCK);
}

void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc) {
        HGDIOBJ oldFont = SelectLayoutFont(hdc);
        SetBkColor(hdc, GetSysColor(COLOR_MENU));
        // Black on the menu colour, unless a contrast theme gives the colours.
        SetTextColor(hdc, HighContrast() ? GetSysColor(COLOR_MENUTEXT) : RGB(0, 0, 0));
        for (const Label &label : kUpperLabels)
            DrawLabel(hdc, label);
        if (g_bRemoteHidden) {
            DrawLabel(hdc, kCollapsedStatusLabel);
        } else {
            for (const Label &label : kLowerLabels)
                DrawLabel(hdc, label);
            DrawLabel(hdc, kExpandedStatusLabel);
        }
        if (oldFont)
            SelectObject(hdc, oldFont);
    }
    EndPaint(hwnd, &ps);
}

} // namespace

int RegisterMainWindowClass(HINSTANCE hInstance)
{
    WNDCLASSA wc = {};
    wc.style = 0;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_MAINICON));
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    // The menu colour's index, not a brush of its colour now: the background
    // follows a change of colours (a contrast theme) while the window runs.
    wc.hbrBackground = (HBRUSH)(INT_PTR)(COLOR_MENU + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
    wc.lpszClassName = "PrinterClass";
    return RegisterClassA(&wc) ? 1 : 0;
}

int CreateMainWindow(HINSTANCE hInstance, int nCmdShow)
{
    (void)nCmdShow; // the window always opens normally
    g_hInstance = hInstance;
    HWND hwnd = CreateWindowExA(0, "PrinterClass", "Zelvane", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, hInstance, NULL);
    if (!hwnd)
        return 0;
    g_hwndMain = hwnd;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    return 1;
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Each call, a nested one included, has its own pair, empty at its start.
    char szEntry[CCH_ENTRY];
    char szPrinterName[CCH_PRINTER_NAME];
    memset(szEntry, 0, sizeof szEntry);
    memset(szPrinterName, 0, sizeof szPrinterName);

    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        break;
    case WM_SIZE:
        OnSize(hwnd);
        break;
    case WM_PAINT:
        OnPaint(hwnd);
        break;
    case WM_TIMER:
        OnMainTimer(hwnd, wParam);
        if (wParam == TIMER_CLOCK)
            OnServersTick(hwnd);
        break;
    case WM_COMMAND:
        if (!OnMainCommand(hwnd, wParam, szEntry, szPrinterName))
            return 0;
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            SaveListFocus(hwnd);
        break;
    case WM_SETFOCUS:
        RestoreListFocus();
        break;
    case WM_GETDPISCALEDSIZE: // the layout's size there, not the window's scaled
        *(SIZE *)lParam = LayoutSize(hwnd, (UINT)wParam);
        return TRUE;
    case WM_DPICHANGED: // handled whole: nothing for the default to do
        OnDpiChanged(hwnd, wParam, (const RECT *)lParam);
        return 0;
    case WM_SYSCOLORCHANGE:
        OnColoursChanged(hwnd);
        break;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETNONCLIENTMETRICS) // another text size: the caption and menu bar change
            OnSize(hwnd);
        break;
    case WM_SERVERS_NEWS:
        OnServersNews(hwnd, wParam, lParam);
        break;
    case WM_DESTROY:
        ForgetLookups();
        ReleaseLayoutFont();
        ReleaseAccessibility();
        PostQuitMessage(0);
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
