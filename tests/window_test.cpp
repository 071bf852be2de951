// Start-up, the fixed layout of both panels, sizing and the painted labels.
#include "harness.h"

#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "fakes/real.h"

#include <algorithm>
#include <set>

namespace {

const DWORD kList = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_SORT;

struct ExpectedControl {
    const char *className;
    DWORD exStyle, style;
    int x, y, width, height, id;
    HWND *kept;
};

const ExpectedControl kControls[] = {
    {"button", 0, WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 20, 20, 710, 200, 0, nullptr},
    {"listbox", WS_EX_CLIENTEDGE, kList | WS_VISIBLE, 50, 70, 220, 140, 1, &g_hwndLocalServers},
    {"listbox", WS_EX_CLIENTEDGE, kList | WS_VISIBLE, 270, 70, 220, 140, 2, &g_hwndLocalPrinters},
    {"listbox", WS_EX_CLIENTEDGE, kList | WS_VISIBLE, 490, 70, 220, 140, 3, &g_hwndLocalJobs},
    {"button", 0, WS_CHILD | BS_GROUPBOX, 20, 230, 710, 200, 5, &g_hwndRemoteFrame},
    {"listbox", WS_EX_CLIENTEDGE, kList, 50, 280, 220, 140, 6, &g_hwndRemoteServers},
    {"listbox", WS_EX_CLIENTEDGE, kList, 270, 280, 220, 140, 7, &g_hwndRemotePrinters},
    {"listbox", WS_EX_CLIENTEDGE, kList, 490, 280, 220, 140, 8, &g_hwndRemoteJobs},
};

RECT WindowRect(HWND hwnd)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

void ExpectPlace(HWND hwnd, int height, const char *when)
{
    RECT r = WindowRect(hwnd);
    EXPECT_EQ(0, r.left) << when;
    EXPECT_EQ(0, r.top) << when;
    EXPECT_EQ(760, r.right - r.left) << when;
    EXPECT_EQ(height, r.bottom - r.top) << when;
}

class WindowTest : public MainWindowTest {
};

} // namespace

TEST(Startup, ClassIsRegisteredWithItsValues)
{
    WNDCLASSA wc = {};
    ASSERT_TRUE(GetClassInfoA(g_hInstance, "PrinterClass", &wc));
    EXPECT_EQ(0u, wc.style);
    EXPECT_EQ((WNDPROC)MainWndProc, wc.lpfnWndProc);
    EXPECT_EQ(0, wc.cbClsExtra);
    EXPECT_EQ(0, wc.cbWndExtra);
    EXPECT_EQ(LoadIconA(g_hInstance, MAKEINTRESOURCEA(IDI_MAINICON)), wc.hIcon);
    EXPECT_NE(nullptr, wc.hIcon);
    EXPECT_EQ(LoadCursorA(NULL, MAKEINTRESOURCEA(32512)), wc.hCursor);
    EXPECT_EQ(MAKEINTRESOURCEA(IDR_MAINMENU), wc.lpszMenuName);
    EXPECT_EQ((HBRUSH)(INT_PTR)(COLOR_MENU + 1), wc.hbrBackground); // the current menu colour
}

TEST(Startup, IconGroupsHoldTheirImages)
{
    // The main icon at each of its sizes, and the file icon at 32 by 32.
    for (int size : {16, 32, 48}) {
        HICON icon = (HICON)LoadImageA(g_hInstance, MAKEINTRESOURCEA(IDI_MAINICON), IMAGE_ICON, size, size, 0);
        ASSERT_NE(nullptr, icon) << size;
        ICONINFO ii = {};
        ASSERT_TRUE(GetIconInfo(icon, &ii));
        BITMAP bm = {};
        GetObjectA(ii.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(size, bm.bmWidth) << size;
        DeleteObject(ii.hbmMask);
        if (ii.hbmColor)
            DeleteObject(ii.hbmColor);
        DestroyIcon(icon);
    }
    HRSRC group = FindResourceA(g_hInstance, MAKEINTRESOURCEA(IDI_MAINICON), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    ASSERT_NE(nullptr, group);
    const WORD *dir = (const WORD *)LockResource(LoadResource(g_hInstance, group));
    EXPECT_EQ(4, dir[2]);
    group = FindResourceA(g_hInstance, MAKEINTRESOURCEA(IDI_FILEICON), MAKEINTRESOURCEA(14));
    ASSERT_NE(nullptr, group);
    dir = (const WORD *)LockResource(LoadResource(g_hInstance, group));
    EXPECT_EQ(1, dir[2]);
    const BYTE *entry = (const BYTE *)(dir + 3);
    EXPECT_EQ(32, entry[0]);
    EXPECT_EQ(16, entry[2]); // colours
}

TEST_F(WindowTest, StartupWindowTitleStylePlace)
{
    Open();
    char title[32] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    EXPECT_STREQ("Zelvane", title);
    EXPECT_EQ((DWORD)WS_OVERLAPPEDWINDOW, (DWORD)GetWindowLongA(hwnd, GWL_STYLE) & WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    ExpectPlace(hwnd, 320, "after creation");

    const fake::CreateCall &main = fake::user().creates.at(0);
    EXPECT_EQ("PrinterClass", main.className);
    EXPECT_EQ(0u, main.exStyle);
    EXPECT_EQ((DWORD)WS_OVERLAPPEDWINDOW, main.style);
    EXPECT_EQ(CW_USEDEFAULT, main.x);
    EXPECT_EQ(CW_USEDEFAULT, main.width);
    EXPECT_EQ(nullptr, main.parent);
    EXPECT_EQ(0, main.id);
    EXPECT_NE(nullptr, GetMenu(hwnd));
}

TEST_F(WindowTest, StartupShowsNormallyWhateverTheShowState)
{
    fake::winsock().hostName = "host";
    fake::spooler().answers[6] = {{std::nullopt, "P", "S"}};
    int entriesWhenShown = -1;
    int showState = -1;
    fake::user().onShowWindow = [&](HWND h, int show) {
        char cls[32] = "";
        GetClassNameA(h, cls, sizeof cls);
        if (lstrcmpA(cls, "PrinterClass") == 0) {
            showState = show;
            entriesWhenShown = (int)SendMessageA(g_hwndLocalServers, LB_GETCOUNT, 0, 0);
        }
    };
    g_bRemoteHidden = 1;
    ASSERT_EQ(1, CreateMainWindow(g_hInstance, SW_HIDE));
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM out) -> BOOL {
            *reinterpret_cast<HWND *>(out) = h;
            return FALSE;
        },
        (LPARAM)&hwnd);
    EXPECT_EQ(SW_SHOW, showState);
    EXPECT_EQ(1, entriesWhenShown) << "the local server list is filled before the window is shown";
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

TEST_F(WindowTest, LayoutControlsAsCreated)
{
    Open();
    const std::vector<fake::CreateCall> &creates = fake::user().creates;
    ASSERT_EQ(9u, creates.size());
    for (size_t i = 0; i < 8; ++i) {
        const ExpectedControl &want = kControls[i];
        const fake::CreateCall &got = creates[i + 1];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(want.className, got.className);
        EXPECT_EQ(want.exStyle, got.exStyle);
        EXPECT_EQ(want.style, got.style);
        EXPECT_EQ(want.x, got.x);
        EXPECT_EQ(want.y, got.y);
        EXPECT_EQ(want.width, got.width);
        EXPECT_EQ(want.height, got.height);
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(hwnd, got.parent);
        EXPECT_EQ(g_hInstance, got.instance);
        EXPECT_FALSE(got.hasText);
        EXPECT_EQ(nullptr, got.param);
        if (want.kept) {
            EXPECT_EQ(got.result, *want.kept);
        }

        // And the real control, as the window shows it.
        HWND h = got.result;
        ASSERT_NE(nullptr, h);
        EXPECT_EQ(want.id, GetDlgCtrlID(h));
        EXPECT_EQ((want.style & WS_VISIBLE) != 0, IsWindowVisible(h) != 0);
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(NULL, hwnd, (POINT *)&r, 2);
        EXPECT_EQ(want.x, r.left);
        EXPECT_EQ(want.y, r.top);
        EXPECT_EQ(want.width, r.right - r.left);
        EXPECT_LE(r.bottom - r.top, want.height); // lists may trim to whole rows
    }
}

TEST_F(WindowTest, LayoutSnapsBackAfterAnySizing)
{
    Open();
    // A drag of the frame: the move asks for another size, and is put back.
    SetWindowPos(hwnd, NULL, 100, 50, 400, 200, SWP_NOZORDER);
    ExpectPlace(hwnd, 320, "after a drag of the frame");

    // Moving by the caption is possible; the next sizing of any kind puts it back.
    for (WPARAM kind : {SIZE_RESTORED, SIZE_MINIMIZED, SIZE_MAXIMIZED, SIZE_MAXSHOW, SIZE_MAXHIDE}) {
        SetWindowPos(hwnd, NULL, 120, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_EQ(120, WindowRect(hwnd).left);
        SendMessageA(hwnd, WM_SIZE, kind, MAKELPARAM(10, 10));
        ExpectPlace(hwnd, 320, ("after WM_SIZE " + std::to_string(kind)).c_str());
    }

    g_bRemoteHidden = 0; // the expanded layout
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, 0);
    ExpectPlace(hwnd, 530, "expanded");
    SetWindowPos(hwnd, NULL, 30, 30, 900, 700, SWP_NOZORDER);
    ExpectPlace(hwnd, 530, "expanded, after a drag of the frame");
}

TEST_F(WindowTest, LayoutMaximizeKeepsTheSize)
{
    Open();
    ShowWindow(hwnd, SW_MAXIMIZE);
    ExpectPlace(hwnd, 320, "after maximize");
}

TEST_F(WindowTest, PaintLabelsOfEachLayout)
{
    Open();
    const COLORREF menu = RGB(10, 20, 30);
    fake::user().menuColour = menu;

    struct Label {
        const char *text;
        int x, y;
    };
    const std::vector<Label> collapsed = {
        {"Server's Name", 50, 45}, {"Printer's Share Name", 270, 45}, {"Jobs Running", 490, 45}, {"Status :", 20, 245}};
    const std::vector<Label> expanded = {{"Server's Name", 50, 45},        {"Printer's Share Name", 270, 45},
                                         {"Jobs Running", 490, 45},        {"Server's Name", 50, 250},
                                         {"Printer's Share Name", 270, 250}, {"Jobs Running", 490, 250},
                                         {"Status :", 20, 450}};

    for (int hidden : {1, 0}) {
        g_bRemoteHidden = hidden;
        fake::gdi().texts.clear();
        RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const std::vector<Label> &want = hidden ? collapsed : expanded;
        const std::vector<fake::TextCall> &got = fake::gdi().texts;
        ASSERT_EQ(want.size(), got.size()) << "layout hidden=" << hidden;
        for (size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE(want[i].text);
            EXPECT_EQ(want[i].text, got[i].text);
            EXPECT_EQ(want[i].x, got[i].x);
            EXPECT_EQ(want[i].y, got[i].y);
            EXPECT_EQ(RGB(0, 0, 0), got[i].textColour);
            EXPECT_EQ(menu, got[i].backColour);
            EXPECT_EQ(OPAQUE, got[i].bkMode);
        }
    }
}

TEST_F(WindowTest, StartupDestroyPostsQuitWithZero)
{
    Open();
    DestroyWindow(hwnd);
    hwnd = nullptr;
    WPARAM code = 99;
    EXPECT_TRUE(TakeQuit(&code));
    EXPECT_EQ(0u, code);
}

// A monitor of another scale: the window, its lists and labels at the new
// DPI, in one move to the place that the system suggests, and the lists given
// a TrueType font of the system font's height there; back at the system DPI,
// or as the window goes, that font is deleted; a window that opens on such
// a monitor is at its DPI from the first. (125%: 144 DPI would need a larger screen than the
// tests' 1024 by 768.)
TEST_F(WindowTest, DpiChangeLaysOutAgainAndGivesBackItsFont)
{
    Open();
    fake::gdi().live.clear();
    LOGFONTA system = {};
    GetObjectA(GetStockObject(SYSTEM_FONT), sizeof system, &system);
    NONCLIENTMETRICSA ncm = {sizeof ncm};
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    for (int dpi : {120, 96, 120}) {
        SCOPED_TRACE("DPI " + std::to_string(dpi));
        auto at = [&](int v) { return MulDiv(v, dpi, 96); };
        RECT suggested = {1024 - dpi, 40, 1974, 440}; // on a monitor to the right, and back
        SIZE asked = {};
        EXPECT_TRUE(SendMessageA(hwnd, WM_GETDPISCALEDSIZE, dpi, (LPARAM)&asked) && asked.cx == at(760) &&
                    asked.cy == at(320)) << "the size that the suggestion is made for";
        fake::Events().clear();
        fake::gdi().texts.clear();
        SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)&suggested);
        RECT client, update;
        GetClientRect(hwnd, &client);
        EXPECT_TRUE(GetUpdateRect(hwnd, &update, FALSE) && EqualRect(&client, &update)) << "all painted afresh";
        UpdateWindow(hwnd);
        DrainMessages();
        RECT r = WindowRect(hwnd);
        EXPECT_TRUE(r.left == suggested.left && r.top == 40 && r.right - r.left == at(760) &&
                    r.bottom - r.top == at(320));
        EXPECT_EQ(1, std::count_if(fake::Events().begin(), fake::Events().end(), [&](const std::string &e) {
                      return e.rfind("MoveWindow", 0) == 0 && e.find(std::to_string(at(760)) + "x") != e.npos;
                  })) << "one move of the window, no other";
        if (HFONT font = (HFONT)SendMessageA(g_hwndLocalServers, WM_GETFONT, 0, 0)) {
            LOGFONTA lf = {};
            GetObjectA(font, sizeof lf, &lf);
            // Windows' system font is a raster face, which Wine's hides; the
            // message font's is TrueType.
            EXPECT_TRUE(lf.lfHeight == MulDiv(system.lfHeight, dpi, 96) &&
                        !lstrcmpA(lf.lfFaceName, ncm.lfMessageFont.lfFaceName))
                << lf.lfFaceName << " " << lf.lfHeight;
        }
        for (const ExpectedControl &c : kControls) {
            HWND h = GetDlgItem(hwnd, c.id);
            GetWindowRect(h, &r);
            MapWindowPoints(NULL, hwnd, (POINT *)&r, 2);
            EXPECT_TRUE(r.left == at(c.x) && r.top == at(c.y) && r.right - r.left == at(c.width)) << c.id;
            EXPECT_TRUE(r.bottom - r.top <= at(c.height) && r.bottom - r.top > at(c.height) / 2) << c.id;
            if (c.className[0] == 'l') {
                EXPECT_EQ(dpi != 96, SendMessageA(h, WM_GETFONT, 0, 0) != 0) << c.id;
            }
        }
        // Four labels a paint; the X server's answer to the move may bring a
        // second paint, and the clock a tick, which the program does not choose.
        std::vector<fake::TextCall> texts;
        for (const fake::TextCall &t : fake::gdi().texts)
            if (t.x != at(653))
                texts.push_back(t);
        ASSERT_TRUE(!texts.empty() && texts.size() % 4 == 0) << texts.size();
        EXPECT_TRUE(texts[texts.size() - 3].x == at(270) && texts.back().y == at(245));
    }
    DestroyWindow(hwnd);
    // Opened on such a monitor: at its DPI from the first.
    fake::kernel().monitorDpi = 120;
    Open();
    fake::kernel().monitorDpi = 0;
    RECT r = WindowRect(hwnd);
    EXPECT_TRUE(r.right - r.left == MulDiv(760, 120, 96) && SendMessageA(g_hwndLocalServers, WM_GETFONT, 0, 0));
    DestroyWindow(hwnd);
    hwnd = nullptr;
    EXPECT_TRUE(fake::gdi().live.empty());
}

// Windows' Text size half as large again: a taller caption and menu bar take
// from the window's height, not the client area's, so "Status :" stays whole
// in both layouts, the window at 0,0, 760 wide; back at the default size while
// it runs, the window takes its default size.
TEST_F(WindowTest, BiggerChromeKeepsTheStatusLineWhole)
{
    NONCLIENTMETRICSA was = {sizeof was};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof was, &was, 0));
    NONCLIENTMETRICSA big = was;
    for (int *v : {&big.iCaptionHeight, &big.iMenuHeight, (int *)&big.lfCaptionFont.lfHeight, (int *)&big.lfMenuFont.lfHeight})
        *v = *v * 3 / 2;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof big, &big, 0));
    Open();
    for (int foot : {261, 466}) { // "Status :" at 245 and 450, the system font 16 high
        if (foot == 466)
            Command(IDM_SHOW_REMOTE);
        RECT r = WindowRect(hwnd), client;
        GetClientRect(hwnd, &client);
        EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 760 && client.bottom >= foot) << client.bottom;
    }
    SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof was, &was, 0);
    SendMessageA(hwnd, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0); // as Windows broadcasts it
    ExpectPlace(hwnd, 530, "at the default size again");
}

// Colours changed while the window runs (a contrast theme on or off): the
// background, a heading, the clock and a message take the new menu colour at
// once, and the old one when it comes back. (SetSysColors reaches this process
// alone under Wine.)
TEST_F(WindowTest, ColoursFollowTheSystemWhileRunning)
{
    Open();
    INT index = COLOR_MENU;
    const COLORREF was = REAL("user32.dll", GetSysColor)(COLOR_MENU), other = RGB(200, 220, 160);
    const RECT areas[] = {{4, 100, 16, 110}, {50, 45, 140, 60}, {654, 6, 728, 20}, {80, 245, 130, 260}};
    for (COLORREF menu : {other, was}) {
        ASSERT_TRUE(SetSysColors(1, &index, &menu));
        ShowStatus(hwnd, "Message", STATUS_INFO);
        HDC hdc = GetDC(hwnd);
        for (const RECT &a : areas) {
            std::set<COLORREF> seen;
            for (int y = a.top; y < a.bottom; ++y)
                for (int x = a.left; x < a.right; ++x)
                    seen.insert(GetPixel(hdc, x, y));
            EXPECT_TRUE(seen.count(menu) && !seen.count(menu == was ? other : was)) << a.left << "," << a.top;
        }
        ReleaseDC(hwnd, hdc);
    }
}
