// Showing and setting the default printer, and printing a file.
#include "harness.h"

#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"
#include "default/defprinter.h"
#include "fakes/real.h"

#include <shellapi.h>

#include <algorithm>

namespace {

using Names = std::vector<std::string>;
const COLORREF kDarkRed = RGB(170, 0, 0);
const COLORREF kDarkBlue = RGB(0, 0, 170);
const std::string kPath = "\\\\PS1\\Laser5";

fake::Printer Queue(fake::Text driver, fake::Text port, DWORD attributes = 0)
{
    fake::Printer p;
    p.printer = "\\\\PS1\\Laser5";
    p.share = "Laser5";
    p.driver = driver;
    p.port = port;
    p.attributes = attributes;
    p.jobs = {{4, "Invoice"}};
    return p;
}

class DefaultTest : public MainWindowTest {
  protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Script();
        Open();
        Forget();
    }

    static void Script()
    {
        fake::Spooler &s = fake::spooler();
        s.answers[6] = {{"\\\\PS1", kPath, "Laser5"}};
        s.answers[12] = {{"\\\\PS1", kPath, "Laser5"}, {"\\\\PS1", "\\\\PS1\\Ink", "Ink"}};
        s.printers[kPath] = Queue("HP LaserJet", "LPT1:");
        s.printers["\\\\PS1\\Ink"] = Queue("Ink Driver", "USB001");
    }

    void Forget()
    {
        fake::Events().clear();
        fake::gdi().texts.clear();
        fake::user().messageBoxes.clear();
        fake::user().broadcasts.clear();
        fake::kernel().profileWrites.clear();
        fake::kernel().globalFlags.clear();
        fake::spooler().opened.clear();
        fake::spooler().setAttributes.clear();
        fake::shell().dialogs.clear();
        fake::shell().executes.clear();
    }

    void SelectLocal(const std::string &printer)
    {
        SelectText(g_hwndLocalServers, "\\\\PS1");
        SelChange(IDC_LOCAL_SERVERS);
        SelectText(g_hwndLocalPrinters, printer);
        SelChange(IDC_LOCAL_PRINTERS);
        Forget();
    }

    std::vector<std::pair<std::string, COLORREF>> Statuses() const
    {
        std::vector<std::pair<std::string, COLORREF>> out;
        for (const fake::TextCall &t : fake::gdi().texts)
            if (t.x == 80)
                out.push_back({t.text, t.textColour});
        return out;
    }

    void ExpectAllGivenBack() const
    {
        EXPECT_EQ(fake::spooler().opens, fake::spooler().closes);
        EXPECT_TRUE(fake::spooler().live.empty());
        EXPECT_TRUE(fake::kernel().liveGlobal.empty());
        EXPECT_TRUE(fake::kernel().liveHeap.empty());
    }

    bool Happened(const std::string &event) const
    {
        const Names &e = fake::Events();
        return std::find(e.begin(), e.end(), event) != e.end();
    }
};

using Status = std::vector<std::pair<std::string, COLORREF>>;

} // namespace

// --- show --------------------------------------------------------------------

TEST_F(DefaultTest, ShowFromTheProfile)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    struct Case {
        fake::Text device;
        const char *shown; // null: nothing shown, result 0
    } cases[] = {
        {"Laser,winspool,Ne00:", "Default Printer is  Laser"},
        {"My Office Printer,drv,port", "Default Printer is  My Office Printer"},
        {",,Laser,drv", "Default Printer is  ,,Laser"},
        {"No Comma", "Default Printer is  No Comma"},
        {"\\\\PS1\\Laser5,HP,LPT1:", "Default Printer is  \\\\PS1\\Laser5"},
        {std::nullopt, nullptr}, // no entry: the default ",,," names no printer
        {",,,", nullptr},
        {"", nullptr}, // nothing read at all
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.device.value_or("(no entry)"));
        fake::kernel().profileDevice = c.device;
        Forget();
        fake::kernel().versionSizes.clear();
        int result = ShowDefaultPrinter(hwnd);
        EXPECT_EQ((Names{"148"}), Names{std::to_string(fake::kernel().versionSizes.at(0))});
        if (c.shown) {
            EXPECT_EQ(1, result);
            EXPECT_EQ((Status{{c.shown, kDarkBlue}}), Statuses());
        } else {
            EXPECT_EQ(0, result);
            EXPECT_TRUE(Statuses().empty());
        }
    }
}

TEST_F(DefaultTest, ShowFromTheSpooler)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_WINDOWS;
    fake::Printer def;
    def.printer = "\\\\PS1\\Laser5";
    fake::spooler().answers[1] = {def};
    EXPECT_EQ(1, ShowDefaultPrinter(hwnd));
    EXPECT_EQ((Status{{"Default Printer is  \\\\PS1\\Laser5", kDarkBlue}}), Statuses());
    EXPECT_EQ((std::vector<UINT>{GPTR}), fake::kernel().globalFlags);
    ExpectAllGivenBack();

    // Through the menu, as the user asks.
    Forget();
    Command(IDM_SHOW_DEFAULT);
    EXPECT_EQ((Status{{"Default Printer is  \\\\PS1\\Laser5", kDarkBlue}}), Statuses());

    // A name longer than the name buffer is cut to 249 characters.
    def.printer = std::string(70000, 'N');
    fake::spooler().answers[1] = {def};
    Forget();
    EXPECT_EQ(1, ShowDefaultPrinter(hwnd));
    EXPECT_EQ((Status{{"Default Printer is  " + std::string(249, 'N'), kDarkBlue}}), Statuses());
}

TEST_F(DefaultTest, ShowFromTheSpoolerWithoutADefault)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_WINDOWS;
    fake::Printer nameless;
    fake::Printer def;
    def.printer = "Laser";
    const struct {
        const char *what;
        std::function<void()> arrange;
    } cases[] = {
        {"no default", [] { fake::spooler().answers[1] = {}; }},
        {"no block", [&] {
             fake::spooler().answers[1] = {def};
             fake::kernel().failGlobalAllocAt = 1;
         }},
        {"fill fails", [&] {
             fake::spooler().answers[1] = {def};
             fake::spooler().failEnumFill = true;
         }},
        {"no record returned", [&] {
             fake::spooler().answers[1] = {def};
             fake::spooler().claimedCount = 0;
         }},
        {"record without a name", [&] { fake::spooler().answers[1] = {nameless}; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fake::ResetAll();
        fake::kernel().platformId = VER_PLATFORM_WIN32_WINDOWS;
        c.arrange();
        EXPECT_EQ(0, ShowDefaultPrinter(hwnd));
        EXPECT_TRUE(Statuses().empty());
        ExpectAllGivenBack();
    }
}

TEST_F(DefaultTest, ShowOnAnotherPlatform)
{
    fake::kernel().platformId = 3;
    EXPECT_EQ(1, ShowDefaultPrinter(hwnd));
    EXPECT_EQ((Status{{"Default Printer is  ", kDarkBlue}}), Statuses());
}

// --- set ---------------------------------------------------------------------

TEST_F(DefaultTest, SetThroughTheProfile)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    SelectLocal("Laser5");
    EXPECT_EQ(0, Command(IDM_SET_DEFAULT));

    ASSERT_EQ(1u, fake::user().messageBoxes.size());
    const fake::MessageBoxCall &box = fake::user().messageBoxes[0];
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(kPath, box.text);
    EXPECT_EQ("a", box.caption);
    EXPECT_EQ((UINT)MB_OK, box.type);
    EXPECT_EQ("MessageBox", fake::Events().at(0)) << "the box comes before anything else";

    EXPECT_EQ((Names{"\\\\PS1\\Laser5,HP LaserJet,LPT1:"}), fake::kernel().profileWrites);
    ASSERT_EQ(1u, fake::user().broadcasts.size());
    const fake::BroadcastCall &b = fake::user().broadcasts[0];
    EXPECT_EQ(HWND_BROADCAST, b.hwnd);
    EXPECT_EQ((UINT)WM_WININICHANGE, b.msg);
    EXPECT_EQ(0u, b.wParam);
    EXPECT_FALSE(b.section.has_value());
    EXPECT_EQ((UINT)SMTO_NORMAL, b.flags);
    EXPECT_EQ(1000u, b.timeout);
    EXPECT_FALSE(b.resultPointer);
    EXPECT_EQ((Status{{"Default Printer set to : \\\\PS1\\Laser5", kDarkBlue}}), Statuses());
    EXPECT_EQ((std::vector<UINT>{GPTR, GPTR}), fake::kernel().globalFlags);
    ExpectAllGivenBack();

    // And Show Default Printer then reports it.
    Forget();
    Command(IDM_SHOW_DEFAULT);
    EXPECT_EQ((Status{{"Default Printer is  \\\\PS1\\Laser5", kDarkBlue}}), Statuses());
}

TEST_F(DefaultTest, SetThroughTheSpooler)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_WINDOWS;
    fake::spooler().printers[kPath] = Queue("HP", "LPT1:", PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_QUEUED);
    SelectLocal("Laser5");
    Command(IDM_SET_DEFAULT);
    EXPECT_EQ((std::vector<DWORD>{PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_QUEUED | PRINTER_ATTRIBUTE_DEFAULT}),
              fake::spooler().setAttributes);
    EXPECT_EQ((Names{kPath}), fake::spooler().setPrinterNames) << "the record goes back as read";
    ASSERT_EQ(1u, fake::user().broadcasts.size());
    EXPECT_EQ(fake::Text("windows"), fake::user().broadcasts[0].section);
    EXPECT_TRUE(fake::kernel().profileWrites.empty());
    EXPECT_EQ((Status{{"Default Printer set to : \\\\PS1\\Laser5", kDarkBlue}}), Statuses());
    ExpectAllGivenBack();
}

TEST_F(DefaultTest, SetFailuresEachWithTheirMessage)
{
    const std::string error = "Error Setting Default Printer";
    struct Case {
        DWORD platform;
        const char *what;
        std::function<void()> arrange;
        std::string message;
        long opens;
    } cases[] = {
        {1, "open fails", [] { fake::spooler().failOpen = true; }, "Unable to Open selected printer", 0},
        {1, "no size", [] { fake::spooler().zeroPrinterSize = true; }, error, 1},
        {1, "no block", [] { fake::kernel().failGlobalAllocAt = fake::kernel().globalAllocs + 1; },
         "Unable to Allocate Memory", 1},
        {1, "unreadable", [] { fake::spooler().failGetPrinter = true; }, error, 1},
        {1, "unwritable", [] { fake::spooler().failSetPrinter = true; }, error, 1},
        {2, "open fails", [] { fake::spooler().failOpen = true; }, "Unable to open printer", 0},
        {2, "no size", [] { fake::spooler().zeroPrinterSize = true; }, error, 1},
        {2, "no block", [] { fake::kernel().failGlobalAllocAt = fake::kernel().globalAllocs + 1; }, error, 1},
        {2, "unreadable", [] { fake::spooler().failGetPrinter = true; }, error, 1},
        {2, "no driver", [] { fake::spooler().printers[kPath].driver.reset(); }, error, 1},
        {2, "no port", [] { fake::spooler().printers[kPath].port.reset(); }, error, 1},
        {2, "no device block", [] { fake::kernel().failGlobalAllocAt = fake::kernel().globalAllocs + 2; }, error,
         1},
        {2, "profile unwritable", [] { fake::kernel().failProfileWrite = true; }, error, 1},
        {3, "another platform", [] {}, error, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.platform) + ": " + c.what);
        fake::ResetAll();
        Script();
        fake::kernel().platformId = c.platform;
        SelectLocal("Laser5");
        for (int viaMenu = 0; viaMenu < 2; ++viaMenu) {
            Forget();
            fake::spooler().opens = fake::spooler().closes = 0;
            c.arrange();
            if (viaMenu)
                EXPECT_EQ(0, Command(IDM_SET_DEFAULT)); // the row adds nothing of its own
            else
                EXPECT_EQ(0, SetDefaultPrinter(hwnd, kPath.c_str()));
            EXPECT_EQ(1u, fake::user().messageBoxes.size());
            EXPECT_EQ((Status{{c.message, kDarkRed}}), Statuses());
            EXPECT_EQ(c.opens, fake::spooler().opens);
            EXPECT_TRUE(fake::user().broadcasts.empty());
            if (c.what != std::string("profile unwritable")) {
                EXPECT_TRUE(fake::kernel().profileWrites.empty());
            }
            EXPECT_TRUE(fake::spooler().setAttributes.empty() || c.what == std::string("unwritable"));
            ExpectAllGivenBack();
        }
    }

    // No name at all: the box still shows, then the error.
    fake::ResetAll();
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    EXPECT_EQ(0, SetDefaultPrinter(hwnd, nullptr));
    EXPECT_EQ(1u, fake::user().messageBoxes.size());
    EXPECT_EQ((Status{{error, kDarkRed}}), Statuses());
    EXPECT_EQ(0, fake::spooler().opens);
}

TEST_F(DefaultTest, SetNeedsALocalSelection)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    EXPECT_EQ(0, Command(IDM_SET_DEFAULT));

    // A server but no printer, and a printer selected only in the remote panel.
    SelectText(g_hwndLocalServers, "\\\\PS1");
    SelChange(IDC_LOCAL_SERVERS);
    fake::spooler().answers[16] = {{std::nullopt, std::nullopt, std::nullopt, "\\\\PS1"}};
    Command(IDM_SHOW_REMOTE);
    SetSelection(g_hwndRemoteServers, 0);
    SendMessageA(g_hwndRemotePrinters, LB_ADDSTRING, 0, (LPARAM) "Laser5");
    SetSelection(g_hwndRemotePrinters, 0);
    Forget();
    EXPECT_EQ(0, Command(IDM_SET_DEFAULT));
    EXPECT_TRUE(fake::user().messageBoxes.empty());
    EXPECT_TRUE(fake::gdi().texts.empty());
    EXPECT_TRUE(fake::kernel().profileWrites.empty());
}

TEST_F(DefaultTest, SetTakesThePathSelectedWhileTheBoxWaits)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    SelectLocal("Laser5");
    fake::user().onMessageBox = [&] {
        fake::user().onMessageBox = nullptr;
        SelectText(g_hwndLocalPrinters, "Ink");
        SelChange(IDC_LOCAL_PRINTERS);
    };
    Command(IDM_SET_DEFAULT);
    EXPECT_EQ((Names{"\\\\PS1\\Ink,Ink Driver,USB001"}), fake::kernel().profileWrites);
    ASSERT_FALSE(Statuses().empty());
    EXPECT_EQ(std::make_pair(std::string("Default Printer set to : \\\\PS1\\Ink"), kDarkBlue), Statuses().back());
}

TEST_F(DefaultTest, SetMessageOfALongPathIsCut)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    std::string share(150, 'L');
    fake::spooler().answers[12] = {{"\\\\PS1", "\\\\PS1\\" + share, share}};
    fake::spooler().printers["\\\\PS1\\" + share] = Queue("HP", "LPT1:");
    SelectLocal(share);
    Command(IDM_SET_DEFAULT);
    EXPECT_EQ((Names{"\\\\PS1\\" + share + ",HP,LPT1:"}), fake::kernel().profileWrites) << "the whole path is written";
    EXPECT_EQ((Status{{("Default Printer set to : \\\\PS1\\" + share).substr(0, 99), kDarkBlue}}), Statuses());
}

// --- print -------------------------------------------------------------------

TEST_F(DefaultTest, PrintMakesTheDefaultChoosesAFileAndRefillsTheJobs)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    fake::shell().chosenFile = "C:\\docs\\letter.txt";
    SelectLocal("Laser5");
    SendMessageA(g_hwndLocalJobs, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(0, Command(IDM_PRINT));

    EXPECT_EQ(kPath, fake::user().messageBoxes.at(0).text);
    EXPECT_EQ((Names{"\\\\PS1\\Laser5,HP LaserJet,LPT1:"}), fake::kernel().profileWrites);

    ASSERT_EQ(1u, fake::shell().dialogs.size());
    const OPENFILENAMEA &ofn = fake::shell().dialogs[0];
    EXPECT_EQ((DWORD)OPENFILENAME_SIZE_VERSION_400A, ofn.lStructSize);
    EXPECT_EQ(nullptr, ofn.hwndOwner);
    EXPECT_EQ(nullptr, ofn.hInstance);
    EXPECT_EQ(nullptr, ofn.lpstrFilter);
    EXPECT_EQ(nullptr, ofn.lpstrCustomFilter);
    EXPECT_EQ(0u, ofn.nFilterIndex);
    EXPECT_EQ(200u, ofn.nMaxFile);
    EXPECT_EQ(nullptr, ofn.lpstrFileTitle);
    EXPECT_EQ(nullptr, ofn.lpstrInitialDir);
    EXPECT_EQ(nullptr, ofn.lpstrTitle);
    EXPECT_EQ(0x80001u, ofn.Flags);
    EXPECT_EQ(nullptr, ofn.lpstrDefExt);
    EXPECT_EQ(nullptr, ofn.lpfnHook);
    EXPECT_EQ(nullptr, ofn.lpTemplateName);
    EXPECT_EQ((Names{"Qavrint"}), fake::shell().initialNames);

    ASSERT_EQ(1u, fake::shell().executes.size());
    const fake::Shell::Execute &e = fake::shell().executes[0];
    EXPECT_EQ(hwnd, e.owner);
    EXPECT_EQ("print", e.verb);
    EXPECT_EQ("C:\\docs\\letter.txt", e.file);
    EXPECT_FALSE(e.parameters);
    EXPECT_FALSE(e.directory);
    EXPECT_EQ(SW_HIDE, e.show);

    EXPECT_EQ((Status{{"Printing  C:\\docs\\letter.txt", kDarkBlue}}), Statuses());
    EXPECT_EQ((Names{"4 - Invoice"}), Entries(g_hwndLocalJobs));
    const Names order = {"MessageBox",      "OpenPrinter",  "WriteProfile",
                         "GetOpenFileName", "ShellExecute", "OpenPrinter"};
    Names seen;
    for (const std::string &ev : fake::Events())
        if (std::find(order.begin(), order.end(), ev) != order.end())
            seen.push_back(ev);
    EXPECT_EQ(order, seen);
    ExpectAllGivenBack();
}

TEST_F(DefaultTest, PrintCancelledAfterTheDefaultChange)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    SelectLocal("Laser5");
    SendMessageA(g_hwndLocalJobs, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(0, Command(IDM_PRINT));
    EXPECT_EQ(1u, fake::kernel().profileWrites.size()) << "the change stays";
    EXPECT_TRUE(fake::shell().executes.empty());
    EXPECT_TRUE(Statuses().empty() || Statuses().back().first.rfind("Printing", 0) != 0);
    EXPECT_EQ((Names{"4 - Invoice"}), Entries(g_hwndLocalJobs)) << "the job list is still refilled";
}

TEST_F(DefaultTest, PrintWithoutASelection)
{
    fake::shell().chosenFile = "C:\\a.txt";
    SendMessageA(g_hwndLocalJobs, LB_ADDSTRING, 0, (LPARAM) "9 - kept");

    // Nothing selected, then a server without a printer.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 1) {
            SelectText(g_hwndLocalServers, "\\\\PS1");
            SelChange(IDC_LOCAL_SERVERS);
            SendMessageA(g_hwndLocalJobs, LB_ADDSTRING, 0, (LPARAM) "9 - kept");
            Forget();
        }
        EXPECT_EQ(0, Command(IDM_PRINT));
        EXPECT_TRUE(fake::user().messageBoxes.empty());
        EXPECT_TRUE(fake::kernel().profileWrites.empty());
        EXPECT_EQ(1u, fake::shell().dialogs.size());
        EXPECT_EQ(1u, fake::shell().executes.size());
        EXPECT_TRUE(fake::shell().executes.at(0).inCom) << "COM started for the verb's objects";
        EXPECT_EQ((Status{{"Printing  C:\\a.txt", kDarkBlue}}), Statuses());
        EXPECT_EQ((Names{"9 - kept"}), Entries(g_hwndLocalJobs)) << "the job list is not refilled";
        EXPECT_FALSE(Happened("OpenPrinter"));
        Forget();
    }
    DestroyWindow(hwnd);
    hwnd = nullptr;
    ReleaseCom(); // as the program's loop ends
    EXPECT_EQ(0, fake::shell().com) << "COM ended as often as started, at exit";
}

TEST_F(DefaultTest, PrintRefusedByTheShellSaysSo)
{
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    fake::shell().chosenFile = "C:\\docs\\image.xyz";
    fake::shell().executeResult = SE_ERR_NOASSOC;
    SelectLocal("Laser5");
    EXPECT_EQ(0, Command(IDM_PRINT));
    const Status got = Statuses();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(std::make_pair(std::string("Unable to Print  C:\\docs\\image.xyz"), kDarkRed), got.front());
    EXPECT_EQ((Names{"4 - Invoice"}), Entries(g_hwndLocalJobs));
    EXPECT_EQ(1, PrintFileWithShell(hwnd, "C:\\x"));
}

TEST_F(DefaultTest, PrintMessageOfALongPathIsCut)
{
    fake::shell().chosenFile = "C:\\" + std::string(196, 'p'); // 199 characters
    EXPECT_EQ(1, ChooseFileToPrint(hwnd));
    EXPECT_EQ((Status{{("Printing  " + *fake::shell().chosenFile).substr(0, 99), kDarkBlue}}), Statuses());
    EXPECT_EQ(*fake::shell().chosenFile, fake::shell().executes.at(0).file) << "the shell gets the whole path";
}

TEST_F(DefaultTest, PrintUsesThePathComposedBeforeTheBox)
{
    // The row composed its own path before the box: a selection made while
    // it waits changes the job list that is refilled, not the default.
    fake::kernel().platformId = VER_PLATFORM_WIN32_NT;
    fake::shell().chosenFile = "C:\\a.txt";
    fake::spooler().printers["\\\\PS1\\Ink"].jobs = {{8, "Photo"}};
    SelectLocal("Laser5");
    fake::user().onMessageBox = [&] {
        fake::user().onMessageBox = nullptr;
        SelectText(g_hwndLocalPrinters, "Ink");
        SelChange(IDC_LOCAL_PRINTERS);
    };
    Command(IDM_PRINT);
    EXPECT_EQ((Names{"\\\\PS1\\Laser5,HP LaserJet,LPT1:"}), fake::kernel().profileWrites);
    EXPECT_EQ((Names{"8 - Photo"}), Entries(g_hwndLocalJobs));
}

namespace {

struct DialogProbe {
    HWND dialog = nullptr;
    std::string fileName;
    bool ownerless = false;
    int ticks = 0;
};
DialogProbe g_dialog;

// Runs inside the Open dialog's loop: reads its file name, then cancels it.
void CALLBACK DriveOpenDialog(HWND, UINT, UINT_PTR, DWORD)
{
    if (++g_dialog.ticks > 1000 || g_dialog.dialog)
        return;
    g_dialog.dialog = FindThreadDialog();
    if (!g_dialog.dialog)
        return;
    char name[256] = "";
    GetDlgItemTextA(g_dialog.dialog, 0x47c, name, sizeof name); // the file name box
    g_dialog.fileName = name;
    g_dialog.ownerless = GetWindow(g_dialog.dialog, GW_OWNER) == nullptr;
    PostMessageA(g_dialog.dialog, WM_COMMAND, IDCANCEL, 0);
}

} // namespace

TEST_F(DefaultTest, PrintOpensThePlatformsOwnDialog)
{
    // The old record size of a 32-bit build is refused at once by this one.
    char file[200] = "Qavrint";
    OPENFILENAMEA old = {};
    old.lStructSize = 76;
    old.lpstrFile = file;
    old.nMaxFile = sizeof file;
    old.Flags = OFN_EXPLORER | OFN_READONLY;
    g_dialog = DialogProbe();
    UINT_PTR timer = SetTimer(NULL, 0, 20, DriveOpenDialog); // cancels any dialog that shows
    EXPECT_FALSE(REAL("comdlg32.dll", GetOpenFileNameA)(&old));
    EXPECT_EQ(nullptr, g_dialog.dialog);

    // The record the program passes opens the dialog, with the initial name.
    g_dialog = DialogProbe();
    fake::shell().realDialog = true;
    EXPECT_EQ(1, ChooseFileToPrint(hwnd));
    KillTimer(NULL, timer);
    ASSERT_NE(nullptr, g_dialog.dialog) << "the Open dialog never showed";
    EXPECT_EQ("Qavrint", g_dialog.fileName);
    EXPECT_TRUE(g_dialog.ownerless);
    EXPECT_TRUE(IsWindowEnabled(hwnd));
    EXPECT_TRUE(fake::shell().executes.empty()) << "cancelled: nothing printed";
    EXPECT_TRUE(Statuses().empty());
}
