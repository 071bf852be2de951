// The floor of the start-up benchmark: the work that any program showing
// Zelvane's window must do up to its first paint (menu, two group boxes, six
// list boxes, the host name through the sockets layer, one two-call printer
// enumeration, the clock's timer and the painted column labels), done as
// plainly as the platform allows: the window is made at its final size and
// place. Built the same way as zelvane.exe from the same resources; it loads
// only the DLLs that this work needs.
#include <windows.h>
#include <winsock2.h>
#include <winspool.h>

#include "app/ids.h"

static void FillServers(HWND list)
{
    char host[256] = "\\\\";
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(1, 1), &wsa) == 0) {
        gethostname(host + 2, sizeof host - 2);
        WSACleanup();
    }
    DWORD cb = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, NULL, 2, NULL, 0, &cb, &count);
    HGLOBAL block = GlobalAlloc(GHND, cb ? cb : 1);
    PRINTER_INFO_2A *p = block ? (PRINTER_INFO_2A *)GlobalLock(block) : NULL;
    if (p && EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, NULL, 2, (LPBYTE)p, cb, &cb, &count)) {
        for (DWORD i = 0; i < count; ++i) {
            const char *entry = p[i].pServerName ? p[i].pServerName : host;
            if (SendMessageA(list, LB_FINDSTRING, (WPARAM)-1, (LPARAM)entry) == LB_ERR)
                SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)entry);
        }
    }
    if (block) {
        GlobalUnlock(block);
        GlobalFree(block);
    }
}

static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        HINSTANCE inst = ((CREATESTRUCTA *)lParam)->hInstance;
        const DWORD list = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_SORT;
        HWND first = NULL;
        for (int panel = 0; panel < 2; ++panel) {
            DWORD shown = panel == 0 ? WS_VISIBLE : 0;
            int y = 20 + 210 * panel;
            CreateWindowExA(0, "button", NULL, WS_CHILD | BS_GROUPBOX | shown, 20, y, 710, 200, hwnd, NULL, inst,
                            NULL);
            for (int i = 0; i < 3; ++i) {
                HWND h = CreateWindowExA(WS_EX_CLIENTEDGE, "listbox", NULL, list | shown, 50 + 220 * i, y + 50,
                                         220, 140, hwnd, NULL, inst, NULL);
                if (!first)
                    first = h;
            }
        }
        FillServers(first);
        SetTimer(hwnd, 2, 1000, NULL);
    } else if (msg == WM_PAINT) {
        static const char *const labels[] = {"Server's Name", "Printer's Share Name", "Jobs Running"};
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        SetBkColor(hdc, GetSysColor(COLOR_MENU));
        SetTextColor(hdc, RGB(0, 0, 0));
        for (int i = 0; i < 3; ++i)
            TextOutA(hdc, 50 + 220 * i, 45, labels[i], lstrlenA(labels[i]));
        TextOutA(hdc, 20, 245, "Status :", 8);
        EndPaint(hwnd, &ps);
        return 0;
    } else if (msg == WM_DESTROY) {
        PostQuitMessage(0);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_MAINICON));
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = (HBRUSH)(COLOR_MENU + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
    wc.lpszClassName = "FloorClass";
    if (!RegisterClassA(&wc))
        return 0;
    HWND hwnd = CreateWindowExA(0, "FloorClass", "Floor", WS_OVERLAPPEDWINDOW, 0, 0, 760, 320, NULL, NULL,
                                hInstance, NULL);
    if (!hwnd)
        return 0;
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
