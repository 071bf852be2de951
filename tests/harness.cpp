#include "harness.h"

#include "app/app.h"
#include "app/state.h"
#include "browse/browse.h"

std::vector<std::string> Entries(HWND list)
{
    std::vector<std::string> out;
    LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = SendMessageA(list, LB_GETTEXTLEN, i, 0);
        std::string text((size_t)len + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)&text[0]);
        text.resize((size_t)len);
        out.push_back(text);
    }
    return out;
}

void SetSelection(HWND list, int index)
{
    SendMessageA(list, LB_SETCURSEL, (WPARAM)index, 0);
}

void SelectText(HWND list, const std::string &text)
{
    LRESULT i = SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text.c_str());
    ASSERT_NE(i, LB_ERR) << "no entry " << text;
    SetSelection(list, (int)i);
}

void DrainMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
}

bool AwaitDirectory()
{
    DWORD start = GetTickCount();
    while (LookupsRunning()) {
        if (GetTickCount() - start > 20000)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        DrainMessages();
    }
    DrainMessages(); // the last news was posted before the worker ended
    return true;
}

bool TakeQuit(WPARAM *code)
{
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) {
            quit = true;
            *code = msg.wParam;
        } else {
            DispatchMessageA(&msg);
        }
    return quit;
}

static BOOL CALLBACK FindDialogOf(HWND h, LPARAM out)
{
    char cls[16] = "";
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(h)) {
        *reinterpret_cast<HWND *>(out) = h;
        return FALSE;
    }
    return TRUE;
}

HWND FindThreadDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialogOf, (LPARAM)&found);
    return found;
}

bool RunningOnWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

void MainWindowTest::SetUp()
{
    fake::ResetAll();
    fake::winsock().hostName = "testhost";
}

void MainWindowTest::TearDown()
{
    if (hwnd)
        DestroyWindow(hwnd);
    EXPECT_TRUE(AwaitDirectory()) << "a lookup outlives its test";
    ReleaseCom(); // as the program's loop ends
    DrainMessages();
    g_hwndLocalServers = g_hwndLocalPrinters = g_hwndLocalJobs = NULL;
    g_hwndRemoteFrame = g_hwndRemoteServers = g_hwndRemotePrinters = g_hwndRemoteJobs = NULL;
    g_bRemoteHidden = 1;
    g_szPrinterPath[0] = '\0';
}

static BOOL CALLBACK FindMainWindow(HWND h, LPARAM out)
{
    char cls[32];
    if (GetClassNameA(h, cls, sizeof cls) && lstrcmpA(cls, "PrinterClass") == 0) {
        *reinterpret_cast<HWND *>(out) = h;
        return FALSE;
    }
    return TRUE;
}

HWND MainWindowTest::Open()
{
    g_bRemoteHidden = 1;
    EXPECT_EQ(1, CreateMainWindow(g_hInstance, SW_SHOWDEFAULT));
    hwnd = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindMainWindow, (LPARAM)&hwnd);
    EXPECT_NE(nullptr, hwnd);
    return hwnd;
}

LRESULT MainWindowTest::SelChange(int id)
{
    return SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), 0);
}

LRESULT MainWindowTest::Command(WPARAM wParam)
{
    return SendMessageA(hwnd, WM_COMMAND, wParam, 0);
}

std::vector<std::string> MainWindowTest::StatusTexts() const
{
    std::vector<std::string> out;
    for (const fake::TextCall &t : fake::gdi().texts)
        if (t.x == 80)
            out.push_back(t.text);
    return out;
}
