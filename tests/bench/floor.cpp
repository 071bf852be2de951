// The floor of the start-up benchmark: the work that any program showing
// Zelvane's window must do up to its first paint (menu, two group boxes, six
// list boxes, each a named tab stop behind a hidden label, the one-pixel
// control that speaks the status line, the focus in the first list, the host
// name through the sockets layer, one two-call printer enumeration, the
// clock's timer and the painted column labels), done as plainly as the
// platform allows: the window is made at its final size and place, each
// label and list with its text and style, in z-order. Built the same way as
// zelvane.exe from the same resources; it loads only the DLLs that this work
// needs.
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
            if (SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)entry) == LB_ERR)
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
        const DWORD list = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_SORT | WS_TABSTOP;
        static const char *const names[] = {"Server's Name", "Printer's Share Name", "Jobs Running"};
        HWND first = NULL;
        for (int panel = 0; panel < 2; ++panel) {
            DWORD shown = panel == 0 ? WS_VISIBLE : 0;
            int y = 20 + 210 * panel;
            CreateWindowExA(0, "button", NULL, WS_CHILD | BS_GROUPBOX | shown, 20, y, 710, 200, hwnd, NULL, inst,
                            NULL);
            for (int i = 0; i < 3; ++i) {
                CreateWindowExA(0, "static", names[i], WS_CHILD | SS_LEFT, 50 + 220 * i, y + 25, 220, 16, hwnd,
                                NULL, inst, NULL);
                HWND h = CreateWindowExA(WS_EX_CLIENTEDGE, "listbox", names[i], list | shown, 50 + 220 * i, y + 50,
                                         220, 140, hwnd, NULL, inst, NULL);
                if (!first)
                    first = h;
            }
        }
        CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 1, 1, hwnd, NULL, inst, NULL);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, (LONG_PTR)first);
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
    } else if (msg == WM_SETFOCUS) {
        SetFocus((HWND)GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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
