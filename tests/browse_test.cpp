// Printer lists, the selected printer's path, job lists and the remote panel.
#include "harness.h"

#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "browse/browse.h"

#include <winhttp.h>
#include <winldap.h>

#include <algorithm>

namespace {

using Names = std::vector<std::string>;
const COLORREF kDarkRed = RGB(170, 0, 0);
const COLORREF kDarkBlue = RGB(0, 0, 170);

fake::Printer Shared(const fake::Text &server, const fake::Text &share)
{
    fake::Printer p;
    p.server = server;
    p.share = share;
    p.printer = share ? *share : std::string("unnamed");
    return p;
}

fake::Printer Named(const fake::Text &printer)
{
    fake::Printer p;
    p.printer = printer;
    return p;
}

fake::Printer Browsed(const fake::Text &description)
{
    fake::Printer p;
    p.description = description;
    return p;
}

fake::Printer WithJobs(std::vector<fake::Job> jobs)
{
    fake::Printer p;
    p.jobs = std::move(jobs);
    p.driver = "drv";
    p.port = "LPT1:";
    return p;
}

class BrowseTest : public MainWindowTest {
  protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        fake::spooler().answers[6] = {Shared(std::nullopt, "Local"), Shared("\\\\PS1", "Laser5"),
                                      Shared("\\\\PS2", "Ink")};
        Open();
        Forget();
    }

    void Forget()
    {
        fake::Events().clear();
        fake::gdi().texts.clear();
        fake::spooler().enumCalls.clear();
        fake::spooler().opened.clear();
    }

    // The last status text and its colour.
    std::pair<std::string, COLORREF> LastStatus() const
    {
        for (auto it = fake::gdi().texts.rbegin(); it != fake::gdi().texts.rend(); ++it)
            if (it->x == 80)
                return {it->text, it->textColour};
        return {"(none)", 0};
    }

    // Selects a local server and returns the local printer list.
    Names PickLocalServer(const std::string &entry)
    {
        SelectText(g_hwndLocalServers, entry);
        SelChange(IDC_LOCAL_SERVERS);
        return Entries(g_hwndLocalPrinters);
    }

    // Selects server and printer in the local panel; returns the job list.
    Names PickLocalPrinter(const std::string &server, const std::string &printer)
    {
        PickLocalServer(server);
        SelectText(g_hwndLocalPrinters, printer);
        Forget();
        SelChange(IDC_LOCAL_PRINTERS);
        return Entries(g_hwndLocalJobs);
    }

    // The window closed while a lookup waits at gate: the lookup ends alone
    // once the gate opens, and gives back what it took.
    void CloseWhileHeld(HANDLE gate)
    {
        Command(IDM_SHOW_REMOTE);
        DestroyWindow(hwnd);
        hwnd = NULL;
        SetEvent(gate);
        EXPECT_TRUE(AwaitDirectory());
        EXPECT_TRUE(fake::kernel().liveHeap.empty());
        CloseHandle(gate);
    }

    void ExpectAllGivenBack() const
    {
        EXPECT_EQ(fake::spooler().opens, fake::spooler().closes);
        EXPECT_TRUE(fake::spooler().live.empty());
        EXPECT_TRUE(fake::kernel().liveHeap.empty());
        EXPECT_TRUE(fake::kernel().liveGlobal.empty());
    }
};

} // namespace

// --- local printers ----------------------------------------------------------

TEST_F(BrowseTest, LocalPrintersOfTheSelectedServerByShareName)
{
    fake::spooler().answers[12] = {Shared("\\\\PS1", "Laser5"), Shared("\\\\ps1", "WrongCase"),
                                   Shared("\\\\PS2", "OtherServer"), Shared("\\\\PS1", ""),
                                   Shared("\\\\PS1", std::nullopt), Shared("\\\\PS1", "Colour")};
    EXPECT_EQ((Names{"Colour", "Laser5"}), PickLocalServer("\\\\PS1"));
    EXPECT_EQ(std::make_pair(std::string("\\\\PS1"), kDarkBlue), LastStatus());
    ASSERT_EQ(2u, fake::spooler().enumCalls.size());
    EXPECT_EQ(12u, fake::spooler().enumCalls[1].flags);
    EXPECT_EQ(fake::Text("\\\\PS1"), fake::spooler().enumCalls[1].name);
    EXPECT_EQ(2u, fake::spooler().enumCalls[1].level);
    EXPECT_EQ(6u, g_cPrinters);
    ExpectAllGivenBack();
}

TEST_F(BrowseTest, LocalPrintersOfThisMachineListedUnderItsEntry)
{
    fake::spooler().answers[12] = {Shared(std::nullopt, "Shared"), Shared("\\\\PS1", "Laser5")};
    EXPECT_EQ((Names{"Shared"}), PickLocalServer("\\\\testhost"));
    EXPECT_EQ((Names{"Laser5"}), PickLocalServer("\\\\PS1"));
}

TEST_F(BrowseTest, LocalPrintersWhenTheServerHasNone)
{
    // Both lists are emptied first; the message comes before the entry.
    SendMessageA(g_hwndLocalPrinters, LB_ADDSTRING, 0, (LPARAM) "old printer");
    SendMessageA(g_hwndLocalJobs, LB_ADDSTRING, 0, (LPARAM) "1 - old job");
    LRESULT entriesAtMessage = -1;
    fake::gdi().onText = [&](const fake::TextCall &t) {
        if (t.text == "No Printers Available")
            entriesAtMessage = SendMessageA(g_hwndLocalPrinters, LB_GETCOUNT, 0, 0);
    };
    EXPECT_EQ((Names{"No Printers Available"}), PickLocalServer("\\\\PS2"));
    EXPECT_TRUE(Entries(g_hwndLocalJobs).empty());
    EXPECT_EQ(0, entriesAtMessage);
    EXPECT_EQ(std::make_pair(std::string("No Printers Available"), kDarkRed), LastStatus());
    EXPECT_EQ(0, FillLocalPrinterList(hwnd, g_hwndLocalPrinters, "\\\\PS2"));

    // Printers, but none of this server with a share name: silent and empty.
    fake::spooler().answers[12] = {Shared("\\\\PS1", "Laser5"), Shared("\\\\PS2", "")};
    Forget();
    EXPECT_TRUE(PickLocalServer("\\\\PS2").empty());
    EXPECT_EQ((Names{"\\\\PS2"}), StatusTexts());
    EXPECT_EQ(1, FillLocalPrinterList(hwnd, g_hwndLocalPrinters, "\\\\PS2"));
    ExpectAllGivenBack();
}

TEST_F(BrowseTest, LocalPrintersUnreadableCountAsNone)
{
    fake::spooler().answers[12] = {Shared("\\\\PS1", "Laser5")};
    fake::spooler().failEnumFill = true;
    EXPECT_EQ((Names{"No Printers Available"}), PickLocalServer("\\\\PS1"));
    fake::spooler().failEnumFill = false;

    fake::kernel().failGlobalAllocAt = fake::kernel().globalAllocs + 1;
    EXPECT_EQ((Names{"No Printers Available"}), PickLocalServer("\\\\PS1"));

    fake::spooler().claimedCount = 1000; // more than the block holds
    EXPECT_EQ((Names{"Laser5"}), PickLocalServer("\\\\PS1"));

    fake::spooler().grows = 1; // a printer added between the two calls: the block is sized again
    EXPECT_EQ((Names{"Laser5", "Laser5+"}), PickLocalServer("\\\\PS1"));
    fake::spooler().grows = 100; // and printers that keep coming
    EXPECT_EQ((Names{"No Printers Available"}), PickLocalServer("\\\\PS1"));
    ExpectAllGivenBack();
}

// --- remote printers ---------------------------------------------------------

TEST_F(BrowseTest, RemotePrintersByTheLastPartOfTheirNames)
{
    fake::spooler().answers[8] = {Named("\\\\RS\\Laser"), Named("Plain"), Named("\\\\RS\\"),
                                  Named("\\\\OTHER\\Laser"), Named(std::nullopt)};
    SendMessageA(g_hwndRemotePrinters, LB_ADDSTRING, 0, (LPARAM) "stale");
    EXPECT_EQ(1, FillRemotePrinterList(hwnd, g_hwndRemotePrinters, "\\\\RS"));
    EXPECT_EQ((Names{"", "Laser", "Laser", "Plain"}), Entries(g_hwndRemotePrinters));
    EXPECT_TRUE(StatusTexts().empty());
    ASSERT_EQ(2u, fake::spooler().enumCalls.size());
    EXPECT_EQ(8u, fake::spooler().enumCalls[1].flags);
    EXPECT_EQ(fake::Text("\\\\RS"), fake::spooler().enumCalls[1].name);
    ExpectAllGivenBack();
}

TEST_F(BrowseTest, RemotePrintersWhenTheServerHasNone)
{
    LRESULT entriesAtMessage = -1;
    fake::gdi().onText = [&](const fake::TextCall &t) {
        if (t.text == "No Printers Available")
            entriesAtMessage = SendMessageA(g_hwndRemotePrinters, LB_GETCOUNT, 0, 0);
    };
    EXPECT_EQ(1, FillRemotePrinterList(hwnd, g_hwndRemotePrinters, "\\\\RS"));
    EXPECT_EQ((Names{"No Printers Available"}), Entries(g_hwndRemotePrinters));
    EXPECT_EQ(1, entriesAtMessage) << "the entry comes before the message";
    EXPECT_EQ(std::make_pair(std::string("No Printers Available"), kDarkRed), LastStatus());
}

TEST_F(BrowseTest, RemoteServerRowEmptiesItsPanelOnly)
{
    fake::spooler().answers[16] = {Browsed("\\\\RS\\P,drv,c")};
    fake::spooler().answers[8] = {Named("\\\\RS\\Laser")};
    Command(IDM_SHOW_REMOTE);
    SendMessageA(g_hwndRemoteJobs, LB_ADDSTRING, 0, (LPARAM) "1 - old");
    SendMessageA(g_hwndLocalPrinters, LB_ADDSTRING, 0, (LPARAM) "local stays");
    SetSelection(g_hwndRemoteServers, 0);
    Forget();
    SelChange(IDC_REMOTE_SERVERS);
    EXPECT_EQ((Names{"Laser"}), Entries(g_hwndRemotePrinters));
    EXPECT_TRUE(Entries(g_hwndRemoteJobs).empty());
    EXPECT_EQ((Names{"local stays"}), Entries(g_hwndLocalPrinters));
    EXPECT_TRUE(StatusTexts().empty());
}

// The domain's print servers join the browse's as the directory answers: each
// once, by its short name cut to fit, over pages of a thousand; nothing found,
// or no domain, keeps the list. On Windows' path the lookup binds first: a
// refused bind finds nothing, and while one is held the window goes on, with
// the browse's servers listed. What answers after the panel was hidden is
// dropped; while it is shown it joins, and the selection stays. A page that
// fails keeps what came before it and says so. Every answer is given back.
TEST_F(BrowseTest, RemoteServersFromTheDirectory)
{
    std::vector<std::wstring> many, around;
    for (int i = 0; i < 2500; ++i)
        many.push_back(L"S" + std::to_wstring(10000 + i));
    Names browsed, scrolled, ofMany; // thirty browsed; the directory's thirty before them and ten after
    for (int i = 10010; i < 10040; ++i)
        ofMany.push_back("S" + std::to_string(i));
    ofMany.push_back("S12400");
    for (std::string &name : ofMany)
        name = "\\\\" + name;
    for (int i = 10; i < 40; ++i) {
        browsed.push_back("B" + std::to_string(i));
        around.push_back(L"A" + std::to_wstring(i));
        if (i < 20)
            around.push_back(L"C" + std::to_wstring(i));
    }
    for (const char *first : {"\\\\A", "\\\\B", "\\\\C"})
        for (int i = 10; i < (first[2] == 'C' ? 20 : 40); ++i)
            scrolled.push_back(first + std::to_string(i));
    const std::string cut = "\\\\" + std::string(199, 'x');
    const std::string incomplete = "Directory search incomplete";
    struct Case {
        const char *what;
        Names browse; // the servers that the browse finds
        const wchar_t *domain;
        std::vector<std::wstring> names;
        Names want; // or, with many names, the first of them
        enum { Wine, Bound, Refused, HeldHidden, HeldShown } bind = Wine; // Windows' path binds
        size_t failPage = (size_t)-1;
        bool lastPageEnds = false;
        bool lostLast = false;           // the last news finds the queue full
        const char *chosen = "\\\\RS";   // held: chosen meanwhile
        const char *selected = "\\\\RS"; // held: selected after, or none
        int top = 0;                     // held: the list scrolled to this row meanwhile
        bool pageHeld = false;           // the second page comes once the first is in view
        const char *wantTop = nullptr;   // the row at the top at the end; else, scrolled, the one before
        bool reshow = false;             // page held: \\S10900 chosen and scrolled to, hidden and shown again
        Names before = {"\\\\OLD"};      // the list of the last showing
    } cases[] = {
        {"browse and directory", {"RS"}, L"corp.example", {L"RS", L"ps2", L"PS2", L"rs", L"PS3"},
         {"\\\\ps2", "\\\\PS3", "\\\\RS"}},
        {"three pages", {}, L"corp.example", many, {"\\\\S10000"}},
        {"three pages, the second late", {}, L"corp.example", many, {"\\\\S10000"}, Case::Wine, (size_t)-1, false,
         false, "\\\\RS", "\\\\RS", 0, true},
        {"a name longer than an entry", {}, L"corp.example", {std::wstring(300, L'x')}, {cut}},
        {"a name cut before a pair; half of one", {}, L"corp.example", {std::wstring(198, L'x') + L"\U0001F600yy",
                                                                        L"HALF\xD800X"},
         {"\\\\" + std::string(198, 'x')}},
        {"nothing found", {}, L"corp.example", {}, {"\\\\OLD"}},
        {"no domain", {}, L"", {L"PS9"}, {"\\\\OLD"}},
        {"names that begin others'", {}, L"corp.example", {L"PS10", L"PS", L"SRV", L"SRV1"},
         {"\\\\PS", "\\\\PS10", "\\\\SRV", "\\\\SRV1"}},
        {"a refused bind", {"RS"}, L"corp.example", {L"PS9"}, {"\\\\RS"}, Case::Refused},
        {"held, answered once hidden", {"RS"}, L"corp.example", {L"PS9"}, {"\\\\RS"}, Case::HeldHidden},
        {"held, answered while shown", {"RS"}, L"corp.example", {L"PS9", L"rs"}, {"\\\\PS9", "\\\\RS"},
         Case::HeldShown},
        {"held, the last showing's server chosen and found", {}, L"corp.example", {L"PS9", L"old"},
         {"\\\\old", "\\\\PS9"}, Case::HeldShown, (size_t)-1, false, false, "\\\\OLD", "\\\\old"},
        {"held, the last showing's server chosen and not found", {}, L"corp.example", {L"PS9"}, {"\\\\PS9"},
         Case::HeldShown, (size_t)-1, false, false, "\\\\OLD", nullptr},
        {"held, servers join a scrolled list", browsed, L"corp.example", around, scrolled, Case::HeldShown,
         (size_t)-1, false, false, "\\\\B12", "\\\\B12", 5},
        {"held, the last showing's highlight found", {}, L"corp.example", {L"PS9", L"old"}, {"\\\\old", "\\\\PS9"},
         Case::HeldShown, (size_t)-1, false, false, nullptr, "\\\\old"},
        {"held, the choice twentieth of a first page of 1,000 stays on its row", {}, L"corp.example", many,
         {"\\\\S10000"}, Case::HeldShown, (size_t)-1, false, false, "\\\\S10019", "\\\\S10019", 6, false, nullptr,
         false, ofMany},
        {"held, the choice joins on a later page far below", {}, L"corp.example", many, {"\\\\S10000"},
         Case::HeldShown, (size_t)-1, false, false, "\\\\S12400", "\\\\S12400", 6, false, nullptr, false, ofMany},
        {"shown again while a page is awaited", {}, L"corp.example", many, {"\\\\S10000"}, Case::Wine, (size_t)-1,
         false, false, "\\\\RS", "\\\\S10900", 0, true, "\\\\S10000", true},
        {"bound", {"RS"}, L"corp.example", {L"PS9"}, {"\\\\PS9", "\\\\RS"}, Case::Bound},
        {"a failed second page", {}, L"corp.example", many, {"\\\\S10000"}, Case::Wine, 1},
        {"a failed first page", {}, L"corp.example", many, {"\\\\OLD"}, Case::Wine, 0},
        {"the last page says it is", {}, L"corp.example", many, {"\\\\S10000"}, Case::Bound, (size_t)-1, true},
        {"a failed page, its last news lost", {}, L"corp.example", many, {"\\\\S10000"}, Case::Wine, 1, false, true},
    };
    fake::spooler().answers[8] = {Named("\\\\RS\\Laser")};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const bool held = c.bind == Case::HeldHidden || c.bind == Case::HeldShown;
        fake::spooler().answers[16].clear();
        for (const std::string &server : c.browse)
            fake::spooler().answers[16].push_back(Browsed("\\\\" + server + "\\P,drv,c"));
        fake::directory() = fake::Directory();
        fake::kernel().dnsDomain = c.domain;
        fake::directory().names = c.names;
        fake::directory().failPage = c.failPage;
        fake::directory().lastPageEnds = c.lastPageEnds;
        fake::directory().bindResult = c.bind == Case::Refused ? LDAP_INVALID_CREDENTIALS : LDAP_SUCCESS;
        fake::directory().bindGate = held ? CreateEventA(NULL, TRUE, FALSE, NULL) : NULL;
        fake::kernel().windows = c.bind != Case::Wine;
        fake::user().refuseLastNews = c.lostLast;
        fake::directory().pageGate = c.pageHeld ? CreateEventA(NULL, TRUE, FALSE, NULL) : NULL;
        SendMessageA(g_hwndRemoteServers, LB_RESETCONTENT, 0, 0);
        for (const std::string &entry : c.before)
            SendMessageA(g_hwndRemoteServers, LB_ADDSTRING, 0, (LPARAM)entry.c_str());
        SendMessageA(g_hwndRemotePrinters, LB_RESETCONTENT, 0, 0);
        if (held && !c.chosen) { // highlighted in the last showing, its printers listed
            SelectText(g_hwndRemoteServers, "\\\\OLD");
            SelChange(IDC_REMOTE_SERVERS);
        }
        Forget();
        Command(IDM_SHOW_REMOTE);
        std::string top;
        if (held) { // the window goes on meanwhile, the browse's servers listed
            EXPECT_TRUE(LookupsRunning());
            EXPECT_EQ(c.browse.empty() ? Names{c.before[0]} : Names{"\\\\" + c.browse[0]},
                      Names{Entries(g_hwndRemoteServers).at(0)});
            PostMessageA(hwnd, WM_TIMER, TIMER_CLOCK, 0);
            DrainMessages();
            RedrawWindow(hwnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
            bool ticked = false, painted = false;
            for (const fake::TextCall &t : fake::gdi().texts)
                ticked |= t.x == 653, painted |= t.text == "Server's Name";
            EXPECT_TRUE(ticked && painted);
            if (c.chosen) {
                SelectText(g_hwndRemoteServers, c.chosen);
                SelChange(IDC_REMOTE_SERVERS);
            }
            SendMessageA(g_hwndRemoteServers, LB_SETTOPINDEX, c.top, 0);
            top = Entries(g_hwndRemoteServers).at(SendMessageA(g_hwndRemoteServers, LB_GETTOPINDEX, 0, 0));
            if (c.bind == Case::HeldHidden)
                Command(IDM_SHOW_REMOTE);
            fake::spooler().enumCalls.clear();
            SetEvent(fake::directory().bindGate);
        }
        if (c.pageHeld) { // the first page in view, painted, while the second is awaited
            bool joined = false;
            for (DWORD start = GetTickCount(); !joined && GetTickCount() - start < 20000;) {
                MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
                DrainMessages();
                joined = SendMessageA(g_hwndRemoteServers, LB_GETCOUNT, 0, 0) == 1000;
            }
            LRESULT probe = SendMessageA(g_hwndRemoteServers, LB_ADDSTRING, 0, (LPARAM) "\\\\0"); // in view
            EXPECT_TRUE(joined && GetUpdateRect(g_hwndRemoteServers, NULL, FALSE)) << "redraw is on";
            SendMessageA(g_hwndRemoteServers, LB_DELETESTRING, probe, 0);
            if (c.reshow) { // the panel hidden and shown again: it opens at its first row, the choice kept
                SelectText(g_hwndRemoteServers, c.selected);
                SelChange(IDC_REMOTE_SERVERS);
                SendMessageA(g_hwndRemoteServers, LB_SETTOPINDEX, 895, 0);
                Command(IDM_SHOW_REMOTE);
                Command(IDM_SHOW_REMOTE);
                EXPECT_EQ(0, SendMessageA(g_hwndRemoteServers, LB_GETTOPINDEX, 0, 0));
                fake::spooler().enumCalls.clear();
            }
            SetEvent(fake::directory().pageGate);
            CloseHandle(fake::directory().pageGate);
        }
        ASSERT_TRUE(AwaitDirectory());
        if (c.lostLast) // taken at the clock's tick all the same
            SendMessageA(hwnd, WM_TIMER, TIMER_CLOCK, 0);
        Names got = Entries(g_hwndRemoteServers);
        if (c.names.size() > 1000 && got.size() > 1) {
            EXPECT_EQ(c.failPage == 1 ? 1000u : c.names.size(), got.size());
            got.resize(1);
        }
        EXPECT_EQ(c.want, got);
        if (held || c.reshow) { // the choice stays on its server, its printers as they were, the rows where they were
            LRESULT sel = SendMessageA(g_hwndRemoteServers, LB_GETCURSEL, 0, 0);
            EXPECT_EQ(c.selected ? c.selected : "(none)", sel < 0 ? "(none)" : Entries(g_hwndRemoteServers).at(sel));
            EXPECT_EQ((Names{"Laser"}), Entries(g_hwndRemotePrinters));
            EXPECT_TRUE(fake::spooler().enumCalls.empty()) << "no second fill of the printers";
            if (c.top > 0 || c.wantTop) { // a list that scrolls
                EXPECT_EQ(c.wantTop ? c.wantTop : top,
                          Entries(g_hwndRemoteServers).at(SendMessageA(g_hwndRemoteServers, LB_GETTOPINDEX, 0, 0)));
            }
            if (sel >= 0 && sel + 1 < (LRESULT)Entries(g_hwndRemoteServers).size()) { // the keys go on from it
                std::string next = Entries(g_hwndRemoteServers).at(sel + 1);
                SendMessageA(g_hwndRemoteServers, WM_KEYDOWN, VK_DOWN, 0);
                EXPECT_EQ(next, Entries(g_hwndRemoteServers).at(SendMessageA(g_hwndRemoteServers, LB_GETCURSEL, 0, 0)));
            }
            if (held)
                CloseHandle(fake::directory().bindGate);
        }
        std::vector<std::string> status = StatusTexts();
        EXPECT_EQ(c.failPage != (size_t)-1, std::count(status.begin(), status.end(), incomplete) == 1);
        if (c.failPage != (size_t)-1) {
            EXPECT_EQ(kDarkRed, LastStatus().second);
        }
        EXPECT_EQ(c.domain[0] ? 1u : 0u, fake::directory().hosts.size());
        EXPECT_EQ(fake::directory().taken, fake::directory().given);
        EXPECT_EQ((long)fake::directory().hosts.size(), fake::directory().unbinds);
        EXPECT_TRUE(fake::kernel().liveHeap.empty());
        if (c.bind != Case::HeldHidden)
            Command(IDM_SHOW_REMOTE);
    }
    // The window closed while the directory is silent: the lookup ends alone.
    CloseWhileHeld(fake::directory().bindGate = CreateEventA(NULL, TRUE, FALSE, NULL));
}

// The computers of the local network, by WS-Discovery: each device that a
// host names a computer is fetched from that host alone, and named by its
// metadata unless the name is none that Windows allows.
TEST_F(BrowseTest, RemoteServersFromTheNetwork)
{
    const std::string pub = "http://schemas.microsoft.com/windows/pub/2005/07";
    auto answer = [](const std::string &kind, const std::string &epr, const std::string &types,
                     const std::string &xaddrs) {
        return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
               "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
               "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
               "xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\" "
               "xmlns:pub=\"http://schemas.microsoft.com/windows/pub/2005/07\"><s:Header><a:Action>"
               "http://schemas.xmlsoap.org/ws/2005/04/discovery/" + kind + "es</a:Action></s:Header><s:Body><d:" +
               kind + "es><d:" + kind + "><a:EndpointReference><a:Address>" + epr +
               "</a:Address></a:EndpointReference><d:Types>" + types + "</d:Types>" +
               (xaddrs.empty() ? "" : "<d:XAddrs>" + xaddrs + "</d:XAddrs>") + "</d:" + kind + "></d:" + kind +
               "es></s:Body></s:Envelope>";
    };
    auto metadata = [&](const std::string &computer, const std::string &ns, const std::string &around) {
        std::string open, close;
        for (char c : around)
            open += std::string("<x") + c + ">", close = std::string("</x") + c + ">" + close;
        return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" xmlns:pub=\"" + ns +
               "\"><s:Body><wsdp:Host xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\">" + open +
               "<pub:Computer>" + computer + "</pub:Computer>" + close + "</wsdp:Host></s:Body></s:Envelope>";
    };
    struct Device {
        std::string name; // pub:Computer's text, or a whole document beginning with "<"
        enum { Direct, Bare, Resolved, Elsewhere, Silent, NotComputer, OtherPub, Overlong, Quoted } how = Direct; // Bare: IPv6, no port
        std::string around = ""; // elements around pub:Computer, one a character
    };
    const std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE s [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                               "\"&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">]><s>&c;</s>";
    std::string cutShort = metadata("CUT", pub, ""); // its name read, its end never
    cutShort.resize(cutShort.size() - 12);
    struct Case {
        const char *what;
        std::vector<Device> devices; // from 10.0.0.2 on
        Names browse, want;
        bool lostLast = false;
    } cases[] = {
        {"both separators, joined or not, a name in parts", {{"PRINTSRV1/Workgroup:OFFICE"}, {"labpc\\Domain:corp.example"},
                                            {"NEWPC\\NotJoined"}, {"Drukarka-\xc5\x81\xc3\xb3\x64\xc5\xba/Workgroup:X"},
                                            {"V6PC/W", Device::Bare}, {"C<![CDATA[D]]>PC<!-- x -->/W"}},
         {}, {"\\\\CDPC", "\\\\Drukarka-\xc5\x81\xc3\xb3\x64\xc5\xba", "\\\\labpc", "\\\\NEWPC", "\\\\PRINTSRV1", "\\\\V6PC"}},
        {"resolved, once each across sources", {{"PRINTSRV1/Workgroup:OFFICE", Device::Resolved},
                                                {"PRINTSRV1/Workgroup:OFFICE"}, {"rs\\NotJoined"}},
         {"RS"}, {"\\\\PRINTSRV1", "\\\\RS"}, true},
        {"hostile", {{laughs}, {std::string(70000, ' ') + metadata("BIG", pub, "")}, {cutShort}, {"DEEP", Device::Direct,
                     "abcdefghijklmnopq"}, {"OTHER", Device::OtherPub}, {metadata("OTHERNS", "urn:other", "")},
                     {"NOTPC", Device::NotComputer},
                     {"AWAY", Device::Elsewhere}, {"A:B"}, {"A*B"}, {"A?B"}, {"A&quot;B"}, {"A&lt;B"}, {"A&gt;B"},
                     {"A|B"}, {"A\tB"}, {"A\xc2\x85" "B"}, {std::string(64, 'x')}, {std::string(70, 'z')},
                     {std::string(63, 'y') + "/W"}, {"BAD\xff\xfe"}, {"/Workgroup:X"}, {"NEAR", Device::Direct, "abcdefghi"},
                     {"LONG", Device::Overlong}, {"QUOTED", Device::Quoted}},
         {}, {"\\\\NEAR", "\\\\" + std::string(63, 'y')}},
        {"a silent host holds no other", {{"QUIET/W", Device::Silent}, {"LOUD/W"}}, {}, {"\\\\LOUD", "\\\\QUIET"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fake::network() = fake::Network();
        fake::network().up = true;
        fake::user().refuseLastNews = c.lostLast;
        HANDLE gate = CreateEventA(NULL, TRUE, FALSE, NULL);
        for (size_t i = 0; i < c.devices.size(); ++i) {
            const Device &d = c.devices[i];
            std::string ip = (d.how == Device::Bare ? "fd00::" : "10.0.0.") + std::to_string(i + 2);
            std::string epr = "urn:uuid:d-" + std::to_string(i) + (d.how == Device::Quoted ? "&quot;" : ""),
                        path = "/" + std::to_string(i); // an address with a quote goes into no message
            std::string url = (d.how == Device::Elsewhere ? "10.0.0.99" : ip) + ":5357" + path, at = "http://" + url;
            if (d.how == Device::Bare)
                url = ip + ":80" + path, at = "http://[" + ip + "%7]" + path; // its own zone, for nothing here
            if (d.how == Device::Overlong) // XAddrs that don't fit: a match read in part is none
                at += " http://" + std::string(1100, 'x');
            std::string types = d.how == Device::NotComputer ? "wsdp:Device" : "wsdp:Device pub:Computer";
            std::string text = answer("ProbeMatch", epr, types, d.how == Device::Resolved ? "" : at);
            if (d.how == Device::OtherPub) // pub's prefix bound to another namespace
                text.replace(text.find(pub), pub.size(), "urn:other");
            fake::network().answers.push_back({ip, "/Probe<", text});
            if (d.how == Device::Resolved)
                fake::network().answers.push_back({ip, epr + "<", answer("ResolveMatch", epr, types, at)});
            fake::Network::Page &page = fake::network().pages[url];
            page.body = d.name[0] == '<' || d.name[0] == ' ' ? d.name : metadata(d.name, pub, d.around);
            page.gate = d.how == Device::Silent ? gate : NULL;
        }
        fake::spooler().answers[16].clear();
        for (const std::string &server : c.browse)
            fake::spooler().answers[16].push_back(Browsed("\\\\" + server + "\\P,drv,c"));
        SendMessageA(g_hwndRemoteServers, LB_RESETCONTENT, 0, 0);
        Command(IDM_SHOW_REMOTE);
        bool silent = c.devices.back().how == Device::Silent || c.devices[0].how == Device::Silent;
        if (silent) { // the others are listed while the silent host holds its own
            bool listed = false;
            for (DWORD start = GetTickCount(); !listed && GetTickCount() - start < 20000;) {
                MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
                DrainMessages();
                listed = Entries(g_hwndRemoteServers) == Names{"\\\\LOUD"};
            }
            EXPECT_TRUE(listed && LookupsRunning());
            SetEvent(gate);
        }
        ASSERT_TRUE(AwaitDirectory());
        if (c.lostLast) // taken at the clock's tick all the same
            SendMessageA(hwnd, WM_TIMER, TIMER_CLOCK, 0);
        EXPECT_EQ(c.want, Entries(g_hwndRemoteServers));
        EXPECT_FALSE(RemoteFillOpen());
        const fake::Network &n = fake::network();
        for (const std::string &url : n.fetched) // from the host that answered alone, by plain HTTP, asked for nothing more
            EXPECT_EQ(std::string::npos, url.find("10.0.0.99"));
        auto sent = [&](const char *action) {
            return std::count_if(n.sent.begin(), n.sent.end(), [&](const std::string &t) { return t.find(action) != std::string::npos; });
        };
        auto devices = [&](auto pred) { return std::count_if(c.devices.begin(), c.devices.end(), pred); };
        // Each message sent twice by IPv4 and by IPv6, each device resolved and each host fetched once,
        // whatever comes again.
        EXPECT_EQ(4, sent("/Probe<"));
        EXPECT_EQ(2, n.adapterQueries) << "the interfaces asked for again once the first answer is short";
        EXPECT_EQ(4 * devices([](const Device &d) { return d.how == Device::Resolved; }), sent("/Resolve<"));
        EXPECT_EQ(devices([](const Device &d) { return d.how <= Device::Silent && d.how != Device::Elsewhere; }),
                  (long)n.fetched.size());
        EXPECT_EQ((DWORD)WINHTTP_ACCESS_TYPE_NO_PROXY, n.access);
        EXPECT_EQ((DWORD)WINHTTP_OPTION_REDIRECT_POLICY_NEVER, n.options.at(WINHTTP_OPTION_REDIRECT_POLICY));
        EXPECT_EQ((DWORD)WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH, n.options.at(WINHTTP_OPTION_AUTOLOGON_POLICY));
        EXPECT_EQ(0, n.sockets + n.handles + n.startups) << "sockets, handles and the sockets layer given back";
        EXPECT_EQ(nullptr, GetModuleHandleA("xmllite.dll")) << "XmlLite let go";
        EXPECT_TRUE(fake::kernel().liveHeap.empty());
        CloseHandle(gate);
        Command(IDM_SHOW_REMOTE);
    }
    // The window closed while a host is silent: the lookup ends alone.
    CloseWhileHeld(fake::network().pages.begin()->second.gate = CreateEventA(NULL, TRUE, FALSE, NULL));
}

// --- the selected printer's path ---------------------------------------------

TEST_F(BrowseTest, PathFromTheSelectionsOfOnePanel)
{
    fake::spooler().answers[12] = {Shared("\\\\PS1", "Laser5")};
    PickLocalServer("\\\\PS1");
    SelectText(g_hwndLocalPrinters, "Laser5");
    Forget();
    EXPECT_EQ(1, BuildSelectedPrinterPath(PANEL_LOCAL));
    EXPECT_STREQ("\\\\PS1\\Laser5", g_szPrinterPath);

    // The remote panel composes from its own lists, whatever the local holds.
    SendMessageA(g_hwndRemoteServers, LB_ADDSTRING, 0, (LPARAM) "\\\\RS");
    SendMessageA(g_hwndRemotePrinters, LB_ADDSTRING, 0, (LPARAM) "Ink");
    SetSelection(g_hwndRemoteServers, 0);
    SetSelection(g_hwndRemotePrinters, 0);
    EXPECT_EQ(1, BuildSelectedPrinterPath(PANEL_REMOTE));
    EXPECT_STREQ("\\\\RS\\Ink", g_szPrinterPath);

    // A server but no printer: the path holds the server entry alone.
    SetSelection(g_hwndLocalPrinters, -1);
    EXPECT_EQ(0, BuildSelectedPrinterPath(PANEL_LOCAL));
    EXPECT_STREQ("\\\\PS1", g_szPrinterPath);

    // No server: the path is left as it was.
    SetSelection(g_hwndRemoteServers, -1);
    EXPECT_EQ(0, BuildSelectedPrinterPath(PANEL_REMOTE));
    EXPECT_STREQ("\\\\PS1", g_szPrinterPath);

    EXPECT_TRUE(fake::gdi().texts.empty()) << "composing the path says nothing";
}

TEST_F(BrowseTest, PathOfTheNoPrintersEntryFailsToOpen)
{
    PickLocalServer("\\\\PS1"); // the spooler has no printers for it
    SelectText(g_hwndLocalPrinters, "No Printers Available");
    Forget();
    SelChange(IDC_LOCAL_PRINTERS);
    EXPECT_STREQ("\\\\PS1\\No Printers Available", g_szPrinterPath);
    EXPECT_EQ(std::make_pair(std::string("Fail to access the printer"), kDarkRed), LastStatus());
    EXPECT_TRUE(Entries(g_hwndLocalJobs).empty());
}

// --- job lists ---------------------------------------------------------------

TEST_F(BrowseTest, JobsOfTheSelectedPrinter)
{
    fake::spooler().answers[12] = {Shared("\\\\PS1", "Laser5")};
    fake::spooler().printers["\\\\PS1\\Laser5"] = WithJobs({{7, "Report"}, {9, "Memo"}});
    SendMessageA(g_hwndLocalJobs, LB_ADDSTRING, 0, (LPARAM) "stale");
    EXPECT_EQ((Names{"7 - Report", "9 - Memo"}), PickLocalPrinter("\\\\PS1", "Laser5"));
    EXPECT_TRUE(StatusTexts().empty());
    EXPECT_EQ((std::vector<DWORD>{2, 2}), fake::spooler().jobCounts) << "cJobs asked for, twice";
    ExpectAllGivenBack();

    fake::spooler().printers["\\\\PS1\\Laser5"] = WithJobs({{9, "Memo"}, {10, "Plan"}});
    EXPECT_EQ((Names{"10 - Plan", "9 - Memo"}), PickLocalPrinter("\\\\PS1", "Laser5")) << "sorted as text";

    fake::spooler().printers["\\\\PS1\\Laser5"] = WithJobs({{(DWORD)-5, "Negative"}});
    EXPECT_EQ((Names{"-5 - Negative"}), PickLocalPrinter("\\\\PS1", "Laser5")) << "a signed long";

    fake::spooler().printers["\\\\PS1\\Laser5"] = WithJobs({{5, std::nullopt}});
    EXPECT_EQ((Names{"5 - "}), PickLocalPrinter("\\\\PS1", "Laser5"));
}

TEST_F(BrowseTest, JobsOfAnEmptyQueue)
{
    fake::spooler().answers[12] = {Shared("\\\\PS1", "Laser5")};
    fake::spooler().printers["\\\\PS1\\Laser5"] = WithJobs({});
    EXPECT_EQ((Names{"No Jobs in Queue"}), PickLocalPrinter("\\\\PS1", "Laser5"));
    EXPECT_EQ(std::make_pair(std::string("No Jobs in Queue"), kDarkRed), LastStatus());
    EXPECT_EQ(1, FillJobList(hwnd, g_hwndLocalJobs, "\\\\PS1\\Laser5"));
    ExpectAllGivenBack();

    // Selecting that entry shows it in dark blue.
    SetSelection(g_hwndLocalJobs, 0);
    SelChange(IDC_LOCAL_JOBS);
    EXPECT_EQ(std::make_pair(std::string("No Jobs in Queue"), kDarkBlue), LastStatus());
}

TEST_F(BrowseTest, JobFailuresEachWithTheirMessage)
{
    const std::string path = "\\\\PS1\\Laser5";
    struct Case {
        const char *what;
        std::function<void()> arrange;
        const char *message;
        bool opened;
    } cases[] = {
        {"open fails", [] { fake::spooler().failOpen = true; }, "Fail to access the printer", false},
        {"no printer size", [] { fake::spooler().zeroPrinterSize = true; }, "Fail to access the printer", true},
        {"no printer block", [] { fake::kernel().failHeapAllocAt = fake::kernel().heapAllocs + 1; },
         "Fail to access the printer", true},
        {"printer unreadable", [] { fake::spooler().failGetPrinter = true; }, "Fail to access the printer", true},
        {"job sizing fails", [] { fake::spooler().jobSizeError = ERROR_ACCESS_DENIED; }, "Insufficient Buffer ",
         true},
        {"no job block", [] { fake::kernel().failHeapAllocAt = fake::kernel().heapAllocs + 2; },
         "Failure to allocate Job storage space ", true},
        {"jobs unreadable", [] { fake::spooler().failEnumJobs = true; }, "Get job list error", true},
        {"jobs that keep coming", [] { fake::spooler().grows = 100; }, "Get job list error", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fake::ResetAll();
        fake::spooler().printers[path] = WithJobs({{7, "Report"}});
        c.arrange();
        SendMessageA(g_hwndLocalJobs, LB_RESETCONTENT, 0, 0);
        EXPECT_EQ(0, FillJobList(hwnd, g_hwndLocalJobs, path.c_str()));
        EXPECT_EQ(std::make_pair(std::string(c.message), kDarkRed), LastStatus());
        EXPECT_EQ(1u, StatusTexts().size());
        EXPECT_TRUE(Entries(g_hwndLocalJobs).empty());
        EXPECT_EQ(c.opened ? 1 : 0, fake::spooler().opens);
        ExpectAllGivenBack();
    }

    // A sizing call that succeeds goes on like the usual insufficient buffer.
    fake::ResetAll();
    fake::spooler().printers[path] = WithJobs({{7, "Report"}});
    fake::spooler().jobSizeSucceeds = true;
    EXPECT_EQ(1, FillJobList(hwnd, g_hwndLocalJobs, path.c_str()));
    EXPECT_EQ((Names{"7 - Report"}), Entries(g_hwndLocalJobs));

    // A job queued between the two calls: the block is sized again.
    fake::ResetAll();
    fake::spooler().printers[path] = WithJobs({{7, "Report"}});
    fake::spooler().grows = 1;
    SendMessageA(g_hwndLocalJobs, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(1, FillJobList(hwnd, g_hwndLocalJobs, path.c_str()));
    EXPECT_EQ((Names{"1001 - " + std::string(30, 'j')}), Entries(g_hwndLocalJobs));
    EXPECT_TRUE(StatusTexts().empty());

    // A count larger than the records returned: only what is there is read.
    fake::ResetAll();
    fake::spooler().printers[path] = WithJobs({{7, "Report"}});
    fake::spooler().claimedJobs = 400;
    SendMessageA(g_hwndLocalJobs, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(1, FillJobList(hwnd, g_hwndLocalJobs, path.c_str()));
    EXPECT_EQ((Names{"7 - Report"}), Entries(g_hwndLocalJobs));
    ExpectAllGivenBack();
}

TEST_F(BrowseTest, PrinterSelectionWithoutServerDoesNothing)
{
    SendMessageA(g_hwndLocalPrinters, LB_ADDSTRING, 0, (LPARAM) "Laser5");
    SendMessageA(g_hwndLocalJobs, LB_ADDSTRING, 0, (LPARAM) "1 - kept");
    SetSelection(g_hwndLocalPrinters, 0);
    EXPECT_EQ(0, SelChange(IDC_LOCAL_PRINTERS));
    EXPECT_EQ((Names{"1 - kept"}), Entries(g_hwndLocalJobs));
    EXPECT_TRUE(fake::spooler().opened.empty());
    EXPECT_TRUE(fake::gdi().texts.empty());
}

TEST_F(BrowseTest, RemoteJobsFillTheRemoteListAndSelectingOneShowsNothing)
{
    fake::spooler().answers[16] = {Browsed("\\\\RS")};
    fake::spooler().answers[8] = {Named("\\\\RS\\Ink")};
    fake::spooler().printers["\\\\RS\\Ink"] = WithJobs({{3, "Letter"}});
    Command(IDM_SHOW_REMOTE);
    SetSelection(g_hwndRemoteServers, 0);
    SelChange(IDC_REMOTE_SERVERS);
    SelectText(g_hwndRemotePrinters, "Ink");
    SelChange(IDC_REMOTE_PRINTERS);
    EXPECT_EQ((Names{"3 - Letter"}), Entries(g_hwndRemoteJobs));
    EXPECT_TRUE(Entries(g_hwndLocalJobs).empty());

    SetSelection(g_hwndRemoteJobs, 0);
    Forget();
    SelChange(IDC_REMOTE_JOBS);
    EXPECT_TRUE(fake::gdi().texts.empty());
    EXPECT_TRUE(fake::Events().empty());
}

// --- the remote panel --------------------------------------------------------

TEST_F(BrowseTest, RemotePanelToggleOrderAndSizes)
{
    fake::spooler().answers[16] = {Browsed("\\\\RS\\P")};
    std::vector<int> flagAtShow;
    fake::user().onShowWindow = [&](HWND, int) { flagAtShow.push_back(g_bRemoteHidden); };

    Command(IDM_SHOW_REMOTE);
    EXPECT_EQ(0, g_bRemoteHidden);
    const Names shown = {"ShowWindow 5 5", "ShowWindow 6 5", "ShowWindow 7 5", "ShowWindow 8 5",
                         "EnumPrinters 16", "EnumPrinters 16", "MoveWindow 0,0 760x530"};
    ASSERT_GE(fake::Events().size(), shown.size());
    EXPECT_EQ(shown, Names(fake::Events().begin(), fake::Events().begin() + shown.size()));
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), flagAtShow) << "the flag changes first";
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(760, r.right - r.left);
    EXPECT_EQ(530, r.bottom - r.top);
    EXPECT_EQ(0, r.left);
    for (HWND h : {g_hwndRemoteFrame, g_hwndRemoteServers, g_hwndRemotePrinters, g_hwndRemoteJobs})
        EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_EQ((Names{"\\\\RS"}), Entries(g_hwndRemoteServers));
    SetFocus(g_hwndRemoteJobs);
    SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0); // the focus is kept as the window is left

    Forget();
    flagAtShow.clear();
    Command(IDM_SHOW_REMOTE);
    EXPECT_EQ(1, g_bRemoteHidden);
    SendMessageA(hwnd, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(g_hwndLocalServers, GetFocus()) << "not given back to a hidden list";
    const Names hidden = {"MoveWindow 0,0 760x320", "ShowWindow 5 0", "ShowWindow 6 0", "ShowWindow 7 0",
                          "ShowWindow 8 0"};
    Names got;
    for (const std::string &e : fake::Events())
        if (got.empty() || got.back() != e) // the move's own WM_SIZE repeats it
            got.push_back(e);
    EXPECT_EQ(hidden, got);
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(320, r.bottom - r.top);
    for (HWND h : {g_hwndRemoteFrame, g_hwndRemoteServers, g_hwndRemotePrinters, g_hwndRemoteJobs})
        EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_EQ((Names{"\\\\RS"}), Entries(g_hwndRemoteServers)) << "hiding keeps the lists";

    // Left from another window of the thread, the focus comes back to the list that had it.
    SetFocus(g_hwndLocalPrinters);
    SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    HWND other = CreateWindowExA(0, "static", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    SetFocus(other);
    SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageA(hwnd, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(g_hwndLocalPrinters, GetFocus());
    DestroyWindow(other);
}

TEST_F(BrowseTest, RemotePanelToggleRepaintsTheWholeWindow)
{
    // Each layout draws its own labels: the whole client area, not only the
    // part that the move uncovers, must be painted afresh.
    for (int round = 0; round < 2; ++round) {
        UpdateWindow(hwnd);
        Command(IDM_SHOW_REMOTE);
        RECT client, update = {};
        GetClientRect(hwnd, &client);
        ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE)) << "round " << round;
        EXPECT_EQ(client.top, update.top) << "round " << round;
        EXPECT_EQ(client.bottom, update.bottom) << "round " << round;
        EXPECT_EQ(client.right, update.right) << "round " << round;
    }
}

TEST_F(BrowseTest, RemoteServersFromTheBrowse)
{
    struct Case {
        std::vector<fake::Printer> found;
        Names entries;
    } cases[] = {
        {{Browsed("\\\\SERVER\\PRINTER,driver,comment")}, {"\\\\SERVER"}},
        {{Browsed("No Backslash, at all")}, {"\\\\No Backslash, at all"}},
        {{Browsed("")}, {"\\\\"}},
        {{Browsed("\\\\\\")}, {"\\\\"}},
        {{Browsed(std::nullopt)}, {"\\\\"}},
        {{Browsed("\\\\SERVER\\A"), Browsed("\\\\server\\B"), Browsed("\\\\SERVER\\C")}, {"\\\\SERVER"}},
        {{Browsed("\\\\server\\B"), Browsed("\\\\SERVER\\A")}, {"\\\\server"}},
        {{Browsed("\\\\SRV10\\A"), Browsed("\\\\SRV1\\B"), Browsed("\\\\srv1\\C")}, {"\\\\SRV1", "\\\\SRV10"}},
        {{Browsed("\\\\PS\\B"), Browsed("\\\\PS10\\A")}, {"\\\\PS", "\\\\PS10"}},
        {{Browsed(""), Browsed("\\\\A\\x")}, {"\\\\", "\\\\A"}},
        {{Browsed("\\\\A\\x"), Browsed(""), Browsed("\\\\")}, {"\\\\A"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.entries.front());
        fake::spooler().answers[16] = c.found;
        SendMessageA(g_hwndRemoteServers, LB_ADDSTRING, 0, (LPARAM) "\\\\stale");
        EXPECT_EQ(1, FillRemoteServerList(hwnd, g_hwndRemoteServers));
        EXPECT_EQ(c.entries, Entries(g_hwndRemoteServers));
    }
    EXPECT_TRUE(fake::gdi().texts.empty());
    EXPECT_EQ(1u, fake::spooler().enumCalls.back().level);
    EXPECT_FALSE(fake::spooler().enumCalls.back().name.has_value());
    ExpectAllGivenBack();
}

TEST_F(BrowseTest, RemoteBrowseFindingNothingLeavesTheList)
{
    SendMessageA(g_hwndRemoteServers, LB_ADDSTRING, 0, (LPARAM) "\\\\KEPT");
    SetSelection(g_hwndRemoteServers, 0);
    EXPECT_EQ(1, FillRemoteServerList(hwnd, g_hwndRemoteServers));
    fake::spooler().answers[16] = {Browsed("\\\\NEW")};
    fake::spooler().failEnumFill = true;
    EXPECT_EQ(1, FillRemoteServerList(hwnd, g_hwndRemoteServers));
    fake::spooler().failEnumFill = false;
    fake::kernel().failGlobalAllocAt = fake::kernel().globalAllocs + 1;
    EXPECT_EQ(1, FillRemoteServerList(hwnd, g_hwndRemoteServers));
    EXPECT_EQ((Names{"\\\\KEPT"}), Entries(g_hwndRemoteServers));
    EXPECT_EQ(0, SendMessageA(g_hwndRemoteServers, LB_GETCURSEL, 0, 0));
    EXPECT_TRUE(fake::gdi().texts.empty());
    ExpectAllGivenBack();
}

TEST_F(BrowseTest, RemotePrintersStayAfterHideAndShow)
{
    fake::spooler().answers[16] = {Browsed("\\\\RS")};
    fake::spooler().answers[8] = {Named("\\\\RS\\Ink")};
    Command(IDM_SHOW_REMOTE);
    SetSelection(g_hwndRemoteServers, 0);
    SelChange(IDC_REMOTE_SERVERS);
    Command(IDM_SHOW_REMOTE);
    Command(IDM_SHOW_REMOTE);
    EXPECT_EQ((Names{"Ink"}), Entries(g_hwndRemotePrinters));
    EXPECT_EQ(LB_ERR, SendMessageA(g_hwndRemoteServers, LB_GETCURSEL, 0, 0)) << "the refill drops the selection";
    SetSelection(g_hwndRemotePrinters, 0);
    Forget();
    EXPECT_EQ(0, SelChange(IDC_REMOTE_PRINTERS));
    EXPECT_TRUE(fake::spooler().opened.empty()) << "no server selected: nothing happens";
}

// --- hostile names -----------------------------------------------------------

TEST_F(BrowseTest, LongNamesAreCutInEveryList)
{
    // The first n bytes, backed up to the start of a UTF-8 character.
    auto cut = [](const std::string &s, size_t n) {
        while (n < s.size() && (s[n] & 0xC0) == 0x80)
            --n;
        return s.substr(0, n);
    };
    // Names one byte over and far over, then names in a script of three bytes
    // a character (each a byte or two over), under the UTF-8 code page.
    struct Case {
        size_t extra;
        const char *unit;
    } cases[] = {{0, nullptr}, {1, nullptr}, {65536, nullptr}, {1, "\xe6\x89\x93"}};
    for (const Case &c : cases) {
        SCOPED_TRACE("over by " + std::to_string(c.extra) + (c.unit ? " in UTF-8" : ""));
        if (c.unit && GetACP() != CP_UTF8)
            continue;
        auto name = [&](size_t bytes, char letter) {
            std::string s;
            while (c.unit && s.size() < bytes)
                s += c.unit;
            return c.unit ? s : std::string(bytes, letter);
        };
        std::string share = name(199 + c.extra, 'S');
        std::string part = name(99 + c.extra, 'P');
        std::string server = name(199 + c.extra, 'V');
        std::string document = name(299 + c.extra, 'D');

        fake::ResetAll();
        fake::spooler().answers[12] = {Shared("\\\\PS1", share)};
        EXPECT_EQ((Names{cut(share, 199)}), PickLocalServer("\\\\PS1"));

        fake::spooler().answers[8] = {Named("\\\\RS\\" + part)};
        FillRemotePrinterList(hwnd, g_hwndRemotePrinters, "\\\\RS");
        EXPECT_EQ((Names{cut(part, 99)}), Entries(g_hwndRemotePrinters));

        fake::spooler().answers[16] = {Browsed("\\\\" + server + "\\x")};
        FillRemoteServerList(hwnd, g_hwndRemoteServers);
        EXPECT_EQ((Names{"\\\\" + cut(server, 199)}), Entries(g_hwndRemoteServers));

        std::string path = "\\\\PS1\\" + cut(share, 199);
        fake::spooler().printers[path] = WithJobs({{1, document}});
        SelectText(g_hwndLocalPrinters, cut(share, 199));
        SelChange(IDC_LOCAL_PRINTERS);
        EXPECT_EQ(path, g_szPrinterPath);
        EXPECT_EQ((Names{cut("1 - " + document, 299)}), Entries(g_hwndLocalJobs));

        // A selected job longer than the row's buffer is shown cut; its
        // length is told in bytes (or more), which is what the read takes.
        EXPECT_LE((LRESULT)cut("1 - " + document, 299).size(), SendMessageA(g_hwndLocalJobs, LB_GETTEXTLEN, 0, 0));
        SetSelection(g_hwndLocalJobs, 0);
        fake::gdi().texts.clear();
        SelChange(IDC_LOCAL_JOBS);
        EXPECT_EQ((Names{cut("1 - " + document, 99)}), StatusTexts());
        ExpectAllGivenBack();
    }
}

TEST_F(BrowseTest, LongEntriesNeverOverflowTheRowBufferOrThePath)
{
    // A server entry of 199 characters shown through the row's 100 bytes.
    std::string server = "\\\\" + std::string(197, 'V');
    fake::spooler().answers[6] = {Shared(server, "P")};
    SendMessageA(g_hwndLocalServers, LB_RESETCONTENT, 0, 0);
    FillLocalServerList(hwnd, g_hwndLocalServers);
    SetSelection(g_hwndLocalServers, 0);
    Forget();
    SelChange(IDC_LOCAL_SERVERS);
    ASSERT_FALSE(StatusTexts().empty());
    EXPECT_EQ(server.substr(0, 99), StatusTexts()[0]);
    ASSERT_FALSE(fake::spooler().enumCalls.empty());
    EXPECT_EQ(fake::Text(server.substr(0, 99)), fake::spooler().enumCalls[0].name);

    // The longest server and printer entries make a path cut at 299.
    SendMessageA(g_hwndLocalPrinters, LB_RESETCONTENT, 0, 0);
    SendMessageA(g_hwndLocalPrinters, LB_ADDSTRING, 0, (LPARAM)std::string(199, 'P').c_str());
    SetSelection(g_hwndLocalPrinters, 0);
    EXPECT_EQ(1, BuildSelectedPrinterPath(PANEL_LOCAL));
    EXPECT_EQ((server + "\\" + std::string(199, 'P')).substr(0, 299), g_szPrinterPath);

    // A long entry whose block can't be had is no selection: Print then
    // makes no default of the row's unread buffer.
    fake::kernel().failHeapAllocAt = fake::kernel().heapAllocs + 1;
    Command(IDM_PRINT);
    EXPECT_TRUE(fake::user().messageBoxes.empty());
    EXPECT_TRUE(fake::kernel().profileWrites.empty());
}

// Every fill adds with its list's redraw off and must turn it back on,
// whatever the path: an add afterwards invalidates the list again. The job
// list's entries also reach the screen.
TEST_F(BrowseTest, FillsLeaveTheirListRedrawingAndPainted)
{
    const std::string path = "\\\\PS1\\Laser5";
    auto jobs = [&] { FillJobList(hwnd, g_hwndLocalJobs, path.c_str()); };
    struct Case {
        const char *what;
        HWND list;
        std::function<void()> arrange, fill;
    } cases[] = {
        {"jobs", g_hwndLocalJobs, [] {}, jobs},
        {"empty queue", g_hwndLocalJobs, [&] { fake::spooler().printers[path] = WithJobs({}); }, jobs},
        {"jobs unreadable", g_hwndLocalJobs, [] { fake::spooler().failEnumJobs = true; }, jobs},
        {"servers", g_hwndLocalServers, [] {}, [&] { FillLocalServerList(hwnd, g_hwndLocalServers); }},
        {"no servers", g_hwndLocalServers, [] { fake::spooler().failEnumFill = true; },
         [&] { FillLocalServerList(hwnd, g_hwndLocalServers); }},
        {"no printers", g_hwndLocalPrinters, [] { fake::spooler().failEnumFill = true; },
         [&] { FillLocalPrinterList(hwnd, g_hwndLocalPrinters, "\\\\PS1"); }},
        {"remote printers", g_hwndRemotePrinters, [] {},
         [&] { FillRemotePrinterList(hwnd, g_hwndRemotePrinters, "\\\\PS1"); }},
        {"remote servers", g_hwndRemoteServers, [] {}, [&] { FillRemoteServerList(hwnd, g_hwndRemoteServers); }},
    };
    Command(IDM_SHOW_REMOTE); // the remote lists paint only when shown
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fake::ResetAll();
        fake::spooler().answers[6] = fake::spooler().answers[12] = {Shared("\\\\PS1", "Laser5")};
        fake::spooler().answers[8] = {Named(path)};
        fake::spooler().answers[16] = {Browsed("\\\\PS1\\x")};
        fake::spooler().printers[path] = WithJobs({{7, "Report"}});
        c.arrange();
        SendMessageA(c.list, LB_RESETCONTENT, 0, 0);
        UpdateWindow(c.list);
        c.fill();
        UpdateWindow(c.list);
        if (c.list == g_hwndLocalJobs) { // an entry's text is drawn in black, or none is
            HDC hdc = GetDC(c.list);
            bool inked = false;
            for (int y = 0; y < 20 && !inked; ++y)
                for (int x = 0; x < 120 && !inked; ++x)
                    inked = GetPixel(hdc, x, y) == RGB(0, 0, 0);
            ReleaseDC(c.list, hdc);
            EXPECT_EQ(Entries(c.list).size() > 0, inked) << "entries on screen";
        }
        SendMessageA(c.list, LB_ADDSTRING, 0, (LPARAM) "~probe");
        EXPECT_TRUE(GetUpdateRect(c.list, NULL, FALSE)) << "redraw is on again";
    }
}
