// The routing of WM_COMMAND: which row runs for which wParam, what reaches
// the default window procedure, the row buffers, and the About box.
#include "harness.h"

#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"

#include <algorithm>

namespace {

class RoutingTest : public MainWindowTest {
  protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        fake::Spooler &s = fake::spooler();
        s.answers[6] = {{std::nullopt, "Local", "Local"}, {"\\\\PS1", "\\\\PS1\\Laser5", "Laser5"}};
        s.answers[12] = {{"\\\\PS1", "\\\\PS1\\Laser5", "Laser5"}};
        s.answers[8] = {{"\\\\PS1", "\\\\PS1\\Laser5", "Laser5"}};
        s.answers[16] = {{std::nullopt, std::nullopt, std::nullopt, "\\\\RS\\P,drv,c"}};
        s.printers["\\\\PS1\\Laser5"] = {"\\\\PS1", "\\\\PS1\\Laser5", "Laser5", {}, "drv", "LPT1:", 0, {{7, "Report"}}};
        Open();
    }

    // Fills every list of both panels and selects an entry in each.
    void SelectEverywhere()
    {
        SelectText(g_hwndLocalServers, "\\\\PS1");
        SelChange(IDC_LOCAL_SERVERS);
        SelectText(g_hwndLocalPrinters, "Laser5");
        SelChange(IDC_LOCAL_PRINTERS);
        SetSelection(g_hwndLocalJobs, 0);
        Command(IDM_SHOW_REMOTE);
        SetSelection(g_hwndRemoteServers, 0);
        SendMessageA(g_hwndRemotePrinters, LB_ADDSTRING, 0, (LPARAM) "Laser5");
        SetSelection(g_hwndRemotePrinters, 0);
        SendMessageA(g_hwndRemoteJobs, LB_ADDSTRING, 0, (LPARAM) "7 - Report");
        SetSelection(g_hwndRemoteJobs, 0);
        Forget();
    }

    void Forget()
    {
        fake::Events().clear();
        fake::gdi().texts.clear();
        fake::user().defWindowProc.clear();
        fake::spooler().enumCalls.clear();
        fake::spooler().opened.clear();
        fake::kernel().versionSizes.clear();
    }

    bool PassedOn(UINT msg) const
    {
        const std::vector<UINT> &d = fake::user().defWindowProc;
        return std::find(d.begin(), d.end(), msg) != d.end();
    }

    // Whether anything observable happened since Forget().
    bool AnythingRan() const
    {
        return !fake::Events().empty() || !fake::gdi().texts.empty() || !fake::kernel().versionSizes.empty();
    }

    bool QuitPosted()
    {
        WPARAM code = 99;
        bool quit = TakeQuit(&code);
        if (quit) {
            EXPECT_EQ(0u, code);
        }
        return quit;
    }
};

} // namespace

TEST_F(RoutingTest, ListRowsRunOnlyOnSelectionChange)
{
    SelectEverywhere();
    for (int id : {IDC_LOCAL_SERVERS, IDC_LOCAL_PRINTERS, IDC_LOCAL_JOBS, IDC_REMOTE_SERVERS, IDC_REMOTE_PRINTERS,
                   IDC_REMOTE_JOBS}) {
        for (int code : {LBN_DBLCLK, LBN_SELCANCEL, LBN_SETFOCUS, LBN_KILLFOCUS, 0, 0x7fff}) {
            SCOPED_TRACE("list " + std::to_string(id) + " code " + std::to_string(code));
            Forget();
            EXPECT_EQ(0, SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, code), 0));
            EXPECT_FALSE(AnythingRan());
            EXPECT_TRUE(PassedOn(WM_COMMAND));
        }
    }
}

TEST_F(RoutingTest, EachListRowDoesItsOwnWork)
{
    SelectEverywhere();

    SelChange(IDC_LOCAL_SERVERS);
    EXPECT_EQ(std::vector<std::string>{"\\\\PS1"}, StatusTexts());
    ASSERT_EQ(2u, fake::spooler().enumCalls.size());
    EXPECT_EQ(12u, fake::spooler().enumCalls[0].flags);

    SelectEverywhere();
    SelChange(IDC_LOCAL_PRINTERS);
    EXPECT_EQ(std::vector<std::string>{"\\\\PS1\\Laser5"}, fake::spooler().opened);
    EXPECT_EQ(std::vector<std::string>{"7 - Report"}, Entries(g_hwndLocalJobs));

    SelectEverywhere();
    SelChange(IDC_LOCAL_JOBS);
    EXPECT_EQ(std::vector<std::string>{"7 - Report"}, StatusTexts());

    SelectEverywhere();
    SelChange(IDC_REMOTE_SERVERS);
    ASSERT_FALSE(fake::spooler().enumCalls.empty());
    EXPECT_EQ(8u, fake::spooler().enumCalls[0].flags);
    EXPECT_TRUE(StatusTexts().empty()) << "a remote server selection shows nothing";

    SelectEverywhere();
    SelChange(IDC_REMOTE_PRINTERS);
    EXPECT_EQ(std::vector<std::string>{"\\\\RS\\Laser5"}, fake::spooler().opened);

    SelectEverywhere();
    EXPECT_EQ(0, SelChange(IDC_REMOTE_JOBS));
    EXPECT_FALSE(AnythingRan()) << "the remote job list has no row";
    EXPECT_TRUE(PassedOn(WM_COMMAND));
}

TEST_F(RoutingTest, ShowRemoteIsMatchedOnItsLowWordAlone)
{
    for (WORD code : {(WORD)0, (WORD)1, (WORD)0x1234}) {
        int before = g_bRemoteHidden;
        Command(MAKEWPARAM(IDM_SHOW_REMOTE, code));
        EXPECT_NE(before, g_bRemoteHidden) << "code " << code;
    }
}

TEST_F(RoutingTest, MenuCommandsMatchOnlyAsTheMenuSendsThem)
{
    SelectEverywhere();
    fake::shell().chosenFile = "C:\\doc.txt";
    const struct {
        WORD id;
        const char *event; // what running the row shows
    } rows[] = {
        {IDM_PRINT, "GetOpenFileName"}, {IDM_SET_DEFAULT, "MessageBox"}, {IDM_SHOW_DEFAULT, nullptr}, {IDM_EXIT, nullptr}};

    for (const auto &row : rows) {
        SCOPED_TRACE("command " + std::to_string(row.id));
        Forget();
        Command(MAKEWPARAM(row.id, 1));
        EXPECT_FALSE(AnythingRan());
        EXPECT_FALSE(QuitPosted());

        Forget();
        Command(row.id);
        if (row.event) {
            const std::vector<std::string> &e = fake::Events();
            EXPECT_NE(e.end(), std::find(e.begin(), e.end(), row.event));
        }
        if (row.id == IDM_SHOW_DEFAULT) {
            EXPECT_EQ(1u, fake::kernel().versionSizes.size());
        }
        if (row.id == IDM_EXIT) {
            EXPECT_TRUE(QuitPosted());
            EXPECT_TRUE(IsWindow(hwnd)) << "Exit does not destroy the window first";
        }
    }

    Forget();
    Command(12345);
    EXPECT_FALSE(AnythingRan());
    EXPECT_TRUE(PassedOn(WM_COMMAND));
}

TEST_F(RoutingTest, EveryMessageReachesDefWindowProcButTheEarlyReturns)
{
    // Without selections the four rows that compose a path return 0 at once.
    fake::shell().chosenFile.reset(); // Print: the dialog is cancelled
    for (WPARAM w : {MAKEWPARAM(IDC_LOCAL_PRINTERS, LBN_SELCHANGE), MAKEWPARAM(IDC_REMOTE_PRINTERS, LBN_SELCHANGE),
                     (WPARAM)IDM_SET_DEFAULT, (WPARAM)IDM_PRINT}) {
        Forget();
        EXPECT_EQ(0, Command(w));
        EXPECT_FALSE(PassedOn(WM_COMMAND)) << "wParam " << w;
    }

    // Every other row, and the same rows with selections, end in DefWindowProc.
    SelectEverywhere();
    for (WPARAM w :
         {MAKEWPARAM(IDC_LOCAL_SERVERS, LBN_SELCHANGE), MAKEWPARAM(IDC_LOCAL_JOBS, LBN_SELCHANGE),
          MAKEWPARAM(IDC_REMOTE_SERVERS, LBN_SELCHANGE), (WPARAM)IDM_SHOW_DEFAULT, (WPARAM)IDM_SHOW_REMOTE,
          (WPARAM)IDM_SHOW_REMOTE}) {
        Forget();
        EXPECT_EQ(0, Command(w));
        EXPECT_TRUE(PassedOn(WM_COMMAND)) << "wParam " << w;
    }
    SelectEverywhere();
    for (WPARAM w : {MAKEWPARAM(IDC_LOCAL_PRINTERS, LBN_SELCHANGE), MAKEWPARAM(IDC_REMOTE_PRINTERS, LBN_SELCHANGE),
                     (WPARAM)IDM_SET_DEFAULT, (WPARAM)IDM_PRINT}) {
        Forget();
        EXPECT_EQ(0, Command(w));
        EXPECT_TRUE(PassedOn(WM_COMMAND)) << "wParam " << w;
    }

    // Messages of every kind, handled or not.
    for (UINT msg : {(UINT)WM_TIMER, (UINT)WM_SIZE, (UINT)WM_NULL, (UINT)WM_USER + 5, (UINT)WM_MOUSEMOVE}) {
        Forget();
        SendMessageA(hwnd, msg, msg == WM_TIMER ? TIMER_CLOCK : 0, 0);
        EXPECT_TRUE(PassedOn(msg)) << "message " << msg;
    }
    Forget();
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(PassedOn(WM_PAINT));
}

TEST_F(RoutingTest, RowBuffersAreEmptyAtEveryCall)
{
    SelectText(g_hwndLocalServers, "\\\\PS1");
    SelChange(IDC_LOCAL_SERVERS);
    SetSelection(g_hwndLocalServers, -1);
    Forget();
    SelChange(IDC_LOCAL_SERVERS);
    EXPECT_EQ(std::vector<std::string>{""}, StatusTexts()) << "the last message's entry is gone";
    ASSERT_FALSE(fake::spooler().enumCalls.empty());
    EXPECT_EQ(fake::Text(""), fake::spooler().enumCalls[0].name) << "an empty name is passed on";

    // A call nested in the Print row's message box has buffers of its own,
    // while the waiting row's szEntry holds the printer entry.
    SelectEverywhere();
    SetSelection(g_hwndLocalJobs, -1);
    std::vector<std::string> nested;
    fake::user().onMessageBox = [&] {
        fake::gdi().texts.clear();
        SelChange(IDC_LOCAL_JOBS);
        nested = StatusTexts();
    };
    Command(IDM_PRINT);
    EXPECT_EQ(std::vector<std::string>{""}, nested);
}

namespace {

struct AboutProbe {
    HWND main = nullptr;
    HWND dialog = nullptr;
    int ticks = 0;
    int step = 0;
    bool ownedByMain = false, mainDisabled = false, survivedCancel = false, survivedClose = false;
    std::string caption, okText, credit;
    bool okIsDefault = false, hasIcon = false, dialogUnits = false;
};
AboutProbe g_probe;

BOOL CALLBACK ReadStatic(HWND h, LPARAM)
{
    char cls[16] = "";
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0)
        return TRUE;
    if ((GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        g_probe.hasIcon = SendMessageA(h, STM_GETICON, 0, 0) != 0;
    else {
        char text[256] = "";
        GetWindowTextA(h, text, sizeof text);
        g_probe.credit = text;
    }
    return TRUE;
}

// Runs inside the About box's own loop, once every few milliseconds.
void CALLBACK DriveAbout(HWND, UINT, UINT_PTR, DWORD)
{
    AboutProbe &p = g_probe;
    if (++p.ticks > 500)
        return; // gave up; the test fails on what was not seen
    if (p.step == 0) {
        p.dialog = FindThreadDialog();
        if (!p.dialog)
            return;
        p.ownedByMain = GetWindow(p.dialog, GW_OWNER) == p.main;
        p.mainDisabled = !IsWindowEnabled(p.main);
        char text[64] = "";
        GetWindowTextA(p.dialog, text, sizeof text);
        p.caption = text;
        HWND ok = GetDlgItem(p.dialog, IDOK);
        GetWindowTextA(ok, text, sizeof text);
        p.okText = text;
        p.okIsDefault = (GetWindowLongA(ok, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        EnumChildWindows(p.dialog, ReadStatic, 0);

        RECT units = {0, 0, 214, 52}, client;
        MapDialogRect(p.dialog, &units);
        GetClientRect(p.dialog, &client);
        p.dialogUnits = units.right == client.right && units.bottom == client.bottom;

        SendMessageA(p.dialog, WM_COMMAND, IDCANCEL, 0);
        p.step = 1;
    } else if (p.step == 1) {
        p.survivedCancel = IsWindow(p.dialog) && IsWindowVisible(p.dialog);
        SendMessageA(p.dialog, WM_CLOSE, 0, 0); // the caption's close box
        p.step = 2;
    } else if (p.step == 2) {
        p.survivedClose = IsWindow(p.dialog) && IsWindowVisible(p.dialog);
        PostMessageA(p.dialog, WM_COMMAND, IDOK, 0);
        p.step = 3;
    }
}

} // namespace

TEST_F(RoutingTest, AboutBoxIsOwnedAndClosesOnOkOnly)
{
    g_probe = AboutProbe();
    g_probe.main = hwnd;
    UINT_PTR timer = SetTimer(NULL, 0, 10, DriveAbout);
    Forget();
    LRESULT result = Command(IDM_ABOUT);
    KillTimer(NULL, timer);

    EXPECT_EQ(0, result);
    EXPECT_TRUE(PassedOn(WM_COMMAND));
    ASSERT_NE(nullptr, g_probe.dialog) << "the About box never showed";
    EXPECT_EQ(3, g_probe.step);
    EXPECT_FALSE(IsWindow(g_probe.dialog)) << "OK closes it";
    EXPECT_TRUE(g_probe.ownedByMain);
    EXPECT_TRUE(g_probe.mainDisabled);
    EXPECT_TRUE(g_probe.survivedCancel);
    EXPECT_TRUE(g_probe.survivedClose);
    EXPECT_EQ("Zelvane", g_probe.caption);
    EXPECT_EQ("OK", g_probe.okText);
    EXPECT_TRUE(g_probe.okIsDefault);
    EXPECT_TRUE(g_probe.hasIcon);
    EXPECT_NE(std::string::npos, g_probe.credit.find("Zelvane"));
    EXPECT_TRUE(g_probe.dialogUnits) << "214 by 52 dialog units";

    // The template: no DS_CENTER, so it opens at the owner's client origin.
    HRSRC res = FindResourceA(g_hInstance, MAKEINTRESOURCEA(IDD_ABOUT), MAKEINTRESOURCEA(5)); // RT_DIALOG
    ASSERT_NE(nullptr, res);
    const DLGTEMPLATE *t = (const DLGTEMPLATE *)LockResource(LoadResource(g_hInstance, res));
    EXPECT_EQ((DWORD)(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), t->style);
    EXPECT_EQ(0u, t->dwExtendedStyle);
    EXPECT_EQ(3, t->cdit);
    EXPECT_EQ(0, t->x);
    EXPECT_EQ(0, t->y);
    EXPECT_TRUE(IsWindowEnabled(hwnd));
}
