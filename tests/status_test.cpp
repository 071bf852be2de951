// The status line, its wipe, and the clock.
#include "harness.h"

#include <algorithm>

#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"

namespace {

const COLORREF kMenu = RGB(200, 201, 202);
const COLORREF kDarkRed = RGB(170, 0, 0);
const COLORREF kDarkBlue = RGB(0, 0, 170);

class StatusTest : public MainWindowTest {
  protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Open();
        fake::user().menuColour = kMenu;
        fake::gdi().texts.clear();
        fake::gdi().rects.clear();
        fake::user().timers.clear();
    }

    // Whether the last timer call armed timer id for a second.
    bool Armed(UINT_PTR id) const
    {
        const std::vector<fake::TimerCall> &t = fake::user().timers;
        return !t.empty() && t.back().id == id && !t.back().kill && t.back().elapse == 1000 && t.back().hwnd == hwnd;
    }

    // Whether any pixel of the status band shows this colour on screen.
    bool BandShows(COLORREF colour, int top) const
    {
        HDC hdc = GetDC(hwnd);
        bool seen = false;
        for (int y = top; y < top + 16 && !seen; ++y)
            for (int x = 80; x < 300 && !seen; ++x)
                seen = GetPixel(hdc, x, y) == colour;
        ReleaseDC(hwnd, hdc);
        return seen;
    }
};

} // namespace

TEST_F(StatusTest, StatusKindsAndColours)
{
    struct Case {
        int kind;
        COLORREF colour;
    } cases[] = {{STATUS_ERROR, kDarkRed}, {STATUS_INFO, kDarkBlue}, {0, kDarkBlue},
                 {2, kDarkBlue},           {-1, kDarkBlue},         {1000, kDarkBlue}};
    for (const Case &c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        fake::gdi().texts.clear();
        EXPECT_NE(0, ShowStatus(hwnd, "No Jobs in Queue", c.kind));
        ASSERT_EQ(1u, fake::gdi().texts.size());
        const fake::TextCall &t = fake::gdi().texts[0];
        EXPECT_EQ("No Jobs in Queue", t.text);
        EXPECT_EQ(80, t.x);
        EXPECT_EQ(245, t.y);
        EXPECT_EQ(c.colour, t.textColour);
        EXPECT_EQ(kMenu, t.backColour);
        EXPECT_EQ(OPAQUE, t.bkMode);
        EXPECT_TRUE(Armed(TIMER_STATUS));
    }
}

TEST_F(StatusTest, StatusLineFollowsTheLayout)
{
    g_bRemoteHidden = 0;
    ShowStatus(hwnd, "Insufficient Buffer ", STATUS_ERROR);
    ASSERT_EQ(1u, fake::gdi().texts.size());
    EXPECT_EQ(450, fake::gdi().texts[0].y);
    EXPECT_EQ("Insufficient Buffer ", fake::gdi().texts[0].text); // trailing space drawn
}

// The line shows characters, not bytes: GDI would read a UTF-8 text's bytes
// by the font's character set. A text that the old code page held draws the
// pixels that the bytes drew.
TEST_F(StatusTest, StatusDrawsTheCharactersOfTheCodePage)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "the process code page is " << GetACP() << ", not UTF-8";
    struct Case {
        const char *text;
        const wchar_t *drawn;
    } cases[] = {
        {"Default Printer is  \xe6\x89\x93\xe5\x8d\xb0\xe6\x9c\xba", L"Default Printer is  \u6253\u5370\u673a"},
        {"\\\\HOST\\Drukarka-\xc5\x81\xc3\xb3\x64\xc5\xba", L"\\\\HOST\\Drukarka-\u0141\u00f3d\u017a"},
        {"Printing  C:\\\xd0\x9e\xd1\x82\xd1\x87\xd1\x91\xd1\x82.txt", L"Printing  C:\\\u041e\u0442\u0447\u0451\u0442.txt"},
        {"No Jobs in Queue", L"No Jobs in Queue"},
    };
    fake::user().menuColour.reset(); // on screen as the user sees it
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        fake::gdi().texts.clear();
        ShowStatus(hwnd, c.text, STATUS_ERROR);
        ASSERT_EQ(1u, fake::gdi().texts.size());
        EXPECT_EQ(c.text, fake::gdi().texts[0].text);
        EXPECT_TRUE(std::wstring(c.drawn) == fake::gdi().texts[0].drawn);
    }

    // ASCII: the same pixels as the bytes drawn by TextOutA in the same place.
    auto band = [&] {
        std::vector<COLORREF> px;
        HDC hdc = GetDC(hwnd);
        for (int y = 245; y < 262; ++y)
            for (int x = 80; x < 400; ++x)
                px.push_back(GetPixel(hdc, x, y));
        ReleaseDC(hwnd, hdc);
        return px;
    };
    SendMessageA(hwnd, WM_TIMER, TIMER_STATUS, 0);
    ShowStatus(hwnd, "Fail to access the printer", STATUS_ERROR);
    std::vector<COLORREF> shown = band();
    SendMessageA(hwnd, WM_TIMER, TIMER_STATUS, 0);
    HDC hdc = GetDC(hwnd);
    SetBkColor(hdc, GetSysColor(COLOR_MENU));
    SetTextColor(hdc, kDarkRed);
    TextOutA(hdc, 80, 245, "Fail to access the printer", 26);
    ReleaseDC(hwnd, hdc);
    EXPECT_TRUE(shown == band());
    EXPECT_NE(shown.end(), std::find(shown.begin(), shown.end(), kDarkRed)) << "nothing drawn";
}

TEST_F(StatusTest, StatusEmptyTextStillArmsTheWipe)
{
    ShowStatus(hwnd, "", STATUS_INFO);
    for (const fake::TextCall &t : fake::gdi().texts)
        EXPECT_EQ("", t.text);
    EXPECT_TRUE(Armed(TIMER_STATUS));
}

TEST_F(StatusTest, StatusWipeCoversTheBandOfTheLayoutAtTheTick)
{
    struct Case {
        int hiddenAtMessage, hiddenAtTick;
        RECT band;
    } cases[] = {
        {1, 1, {75, 245, 600, 265}},
        {0, 0, {75, 445, 600, 467}},
        {1, 0, {75, 445, 600, 467}}, // the layout changed within the second
        {0, 1, {75, 245, 600, 265}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("hidden at message " + std::to_string(c.hiddenAtMessage));
        fake::gdi().rects.clear();
        fake::user().timers.clear();
        g_bRemoteHidden = c.hiddenAtMessage;
        ShowStatus(hwnd, "Fail to access the printer", STATUS_ERROR);
        g_bRemoteHidden = c.hiddenAtTick;
        long dcBefore = fake::user().getDC - fake::user().releaseDC;
        SendMessageA(hwnd, WM_TIMER, TIMER_STATUS, 0);
        ASSERT_EQ(1u, fake::gdi().rects.size());
        const fake::RectCall &r = fake::gdi().rects[0];
        EXPECT_EQ(c.band.left, r.left);
        EXPECT_EQ(c.band.top, r.top);
        EXPECT_EQ(c.band.right, r.right);
        EXPECT_EQ(c.band.bottom, r.bottom);
        EXPECT_EQ(kMenu, r.brushColour);
        EXPECT_EQ(kMenu, r.penColour);
        EXPECT_EQ(PS_SOLID, r.penStyle);
        ASSERT_FALSE(fake::user().timers.empty());
        EXPECT_TRUE(fake::user().timers.back().kill);
        EXPECT_EQ((UINT_PTR)TIMER_STATUS, fake::user().timers.back().id);
        EXPECT_EQ(dcBefore, fake::user().getDC - fake::user().releaseDC);
    }
}

TEST_F(StatusTest, StatusIsWipedOnScreenBySecondTimer)
{
    // Drawn with the real menu colour, then wiped by the real timer.
    fake::user().menuColour.reset();
    ShowStatus(hwnd, "No Jobs in Queue", STATUS_ERROR);
    EXPECT_TRUE(BandShows(kDarkRed, 245));

    DWORD start = GetTickCount();
    bool wiped = false;
    while (!wiped && GetTickCount() - start < 10000) {
        MSG msg;
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        for (const fake::TimerCall &t : fake::user().timers)
            wiped = wiped || (t.kill && t.id == TIMER_STATUS);
    }
    ASSERT_TRUE(wiped) << "the status timer never fired";
    EXPECT_GE(GetTickCount() - start, 900u) << "wiped before its second";
    EXPECT_FALSE(BandShows(kDarkRed, 245));
}

TEST_F(StatusTest, ClockText)
{
    struct Case {
        WORD h, m, s;
        const char *text;
    } cases[] = {{9, 5, 7, "9 : 5 : 7 "}, {0, 0, 0, "0 : 0 : 0 "}, {23, 59, 59, "23 : 59 : 59 "}, {12, 30, 0, "12 : 30 : 0 "}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        SYSTEMTIME t = {};
        t.wHour = c.h;
        t.wMinute = c.m;
        t.wSecond = c.s;
        fake::kernel().localTime = t;
        fake::gdi().texts.clear();
        fake::gdi().rects.clear();
        SendMessageA(hwnd, WM_TIMER, TIMER_CLOCK, 0);
        ASSERT_EQ(1u, fake::gdi().rects.size());
        const fake::RectCall &r = fake::gdi().rects[0];
        EXPECT_EQ(652, r.left);
        EXPECT_EQ(4, r.top);
        EXPECT_EQ(730, r.right);
        EXPECT_EQ(22, r.bottom);
        EXPECT_EQ(kMenu, r.brushColour);
        EXPECT_EQ(RGB(0, 0, 0), r.penColour); // the default pen
        ASSERT_EQ(1u, fake::gdi().texts.size());
        const fake::TextCall &x = fake::gdi().texts[0];
        EXPECT_EQ(c.text, x.text);
        EXPECT_EQ(653, x.x);
        EXPECT_EQ(5, x.y);
        EXPECT_EQ(RGB(0, 0, 0), x.textColour);
        EXPECT_EQ(kMenu, x.backColour);
    }
    EXPECT_TRUE(fake::user().timers.empty()) << "a clock tick touches no timer";
}

TEST_F(StatusTest, ClockTimerRunsFromCreationAndIsTheLowWordOnly)
{
    // Created in setup: the clock's timer was armed for a second.
    MainWindowTest::TearDown();
    fake::ResetAll();
    Open();
    bool armed = false;
    for (const fake::TimerCall &t : fake::user().timers)
        armed = armed || (t.id == TIMER_CLOCK && t.elapse == 1000 && !t.kill);
    EXPECT_TRUE(armed);

    fake::gdi().texts.clear();
    SendMessageA(hwnd, WM_TIMER, MAKEWPARAM(TIMER_CLOCK, 7), 0);
    ASSERT_EQ(1u, fake::gdi().texts.size());
    EXPECT_EQ(653, fake::gdi().texts[0].x);
}

TEST_F(StatusTest, StatusAndClockGiveBackEverything)
{
    // Ten thousand rounds of tick, message and wipe: every device context
    // released, every brush and pen deleted.
    fake::gdi().live.clear();
    long made = fake::gdi().made, deleted = fake::gdi().deleted;
    long got = fake::user().getDC, released = fake::user().releaseDC;
    for (int i = 0; i < 10000; ++i) {
        SendMessageA(hwnd, WM_TIMER, TIMER_CLOCK, 0);
        ShowStatus(hwnd, "Printing  C:\\file.txt", i % 2 ? STATUS_ERROR : STATUS_INFO);
        SendMessageA(hwnd, WM_TIMER, TIMER_STATUS, 0);
    }
    EXPECT_EQ(30000, fake::user().getDC - got);
    EXPECT_EQ(fake::user().getDC - got, fake::user().releaseDC - released);
    EXPECT_EQ(30000, fake::gdi().made - made); // a brush per tick, a brush and a pen per wipe
    EXPECT_EQ(fake::gdi().made - made, fake::gdi().deleted - deleted);
    EXPECT_TRUE(fake::gdi().live.empty());
}

// Each message is the text of a shown one-pixel control, announced as a live
// region; the wipe empties it without a word.
TEST_F(StatusTest, StatusIsAnnouncedAndSilencedAtTheWipe)
{
    HWND region = GetDlgItem(hwnd, IDC_STATUS_REGION);
    RECT r = {};
    GetWindowRect(region, &r);
    EXPECT_TRUE(IsWindowVisible(region) && r.right - r.left == 1 && r.bottom - r.top == 1);
    char text[64] = "";
    for (const char *message : {"Default Printer is  \\\\PS1\\Laser5", "No Jobs in Queue", ""}) {
        ShowStatus(hwnd, message, STATUS_INFO);
        GetWindowTextA(region, text, sizeof text);
        EXPECT_STREQ(message, text);
        ASSERT_FALSE(fake::user().winEvents.empty());
        EXPECT_TRUE(fake::user().winEvents.back() == std::make_pair(DWORD{0x8019}, region)); // live region changed
    }
    size_t events = fake::user().winEvents.size();
    ShowStatus(hwnd, "No Printers Available", STATUS_ERROR);
    SendMessageA(hwnd, WM_TIMER, TIMER_STATUS, 0);
    EXPECT_EQ(0, GetWindowTextA(region, text, sizeof text));
    EXPECT_EQ(events + 1, fake::user().winEvents.size());
}

// A contrast theme's colours for every text and the clock's frame, so that
// none vanishes into a black menu colour; its pen is given back too.
TEST_F(StatusTest, ContrastThemeTakesTheSystemColours)
{
    const COLORREF menuText = RGB(255, 255, 0), window = RGB(1, 2, 3), windowText = RGB(250, 251, 252);
    fake::user().sysColours = {{COLOR_MENUTEXT, menuText}, {COLOR_WINDOW, window}, {COLOR_WINDOWTEXT, windowText}};
    fake::user().highContrast = true;
    fake::gdi().live.clear();
    RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    SendMessageA(hwnd, WM_TIMER, TIMER_CLOCK, 0);
    ShowStatus(hwnd, "Fail to access the printer", STATUS_ERROR);
    const std::vector<fake::TextCall> &t = fake::gdi().texts;
    ASSERT_EQ(6u, t.size()); // four labels, the clock, the message
    for (const fake::TextCall &label : std::vector<fake::TextCall>(t.begin(), t.end() - 1))
        EXPECT_TRUE(label.textColour == menuText && label.backColour == kMenu) << label.text;
    EXPECT_TRUE(t.back().textColour == windowText && t.back().backColour == window);
    ASSERT_EQ(1u, fake::gdi().rects.size());
    EXPECT_EQ(menuText, fake::gdi().rects[0].penColour);
    EXPECT_TRUE(fake::gdi().live.empty());
}
