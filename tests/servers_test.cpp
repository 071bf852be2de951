// The local server list, filled once while the main window is created.
#include "harness.h"

#include "app/app.h"
#include "app/state.h"
#include "browse/browse.h"

namespace {

// The list box's own searches and reads, which a fill makes only out of
// memory, and its adds while it redraws, each of which would repaint it.
LONG g_listReads, g_loudAdds;
bool g_listRedraws = true;
WNDPROC g_listProc;
LRESULT CALLBACK CountingList(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == LB_GETTEXT || msg == LB_GETTEXTLEN || msg == LB_FINDSTRING || msg == LB_FINDSTRINGEXACT)
        ++g_listReads;
    if (msg == WM_SETREDRAW)
        g_listRedraws = wParam != 0;
    g_loudAdds += msg == LB_ADDSTRING && g_listRedraws;
    return CallWindowProcA(g_listProc, list, msg, wParam, lParam);
}

class ServersTest : public MainWindowTest {
  protected:
    // Fills the local server list anew from these records.
    std::vector<std::string> Fill(std::vector<fake::Printer> records)
    {
        fake::spooler().answers[6] = std::move(records);
        fake::spooler().enumCalls.clear();
        fake::winsock() = fake::Winsock{0, 0, {}, 0, fake::winsock().hostName};
        SendMessageA(g_hwndLocalServers, LB_RESETCONTENT, 0, 0);
        g_listReads = g_loudAdds = 0;
        EXPECT_EQ(1, FillLocalServerList(hwnd, g_hwndLocalServers));
        readsInFill = g_listReads;
        EXPECT_EQ(0, g_loudAdds) << "an add that repaints the list";
        return Entries(g_hwndLocalServers);
    }

    LONG readsInFill = 0; // by the last Fill, of a list made to count them

    static fake::Printer On(const char *server) { return {std::string(server), "P", "S"}; }
    static fake::Printer Local() { return {std::nullopt, "P", "S"}; }

    void SetUp() override
    {
        MainWindowTest::SetUp();
        Open();
    }
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(ServersTest, FilledAtCreationWithTheSpoolersServers)
{
    MainWindowTest::TearDown();
    fake::ResetAll();
    fake::winsock().hostName = "mybox";
    fake::spooler().answers[6] = {Local(), On("\\\\PS1")};
    Open();
    EXPECT_EQ((Names{"\\\\mybox", "\\\\PS1"}), Entries(g_hwndLocalServers));
    ASSERT_EQ(2u, fake::spooler().enumCalls.size());
    for (const fake::EnumCall &c : fake::spooler().enumCalls) {
        EXPECT_EQ(6u, c.flags);
        EXPECT_FALSE(c.name.has_value());
        EXPECT_EQ(2u, c.level);
    }
    EXPECT_EQ(0u, fake::spooler().enumCalls[0].cb);
    EXPECT_FALSE(fake::spooler().enumCalls[0].buffer);
    EXPECT_EQ((UINT)GHND, fake::kernel().globalFlags.at(0));
    EXPECT_TRUE(fake::kernel().liveGlobal.empty()) << "the record block is freed";
    EXPECT_TRUE(StatusTexts().empty()) << "the fill is silent";
}

// Each server once, letter case aside, and a name that begins another's too;
// out of memory from the fill's first add, the same answers.
TEST_F(ServersTest, SortedAndEachServerOnce)
{
    std::vector<fake::Printer> greek; // every letter in capitals, then in small letters
    for (int c = 0x391; c <= 0x3C9; ++c)
        if (c != 0x3A2 && c != 0x3C2 && (c <= 0x3A9 || c >= 0x3B1)) // no final sigma
            greek.push_back(On((std::string("\\\\") + char(0xC0 | c >> 6) + char(0x80 | (c & 0x3F))).c_str()));
    std::vector<fake::Printer> twice; // 300 servers, then each again once the table has grown
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 300; ++i)
            twice.push_back(On(("\\\\S" + std::to_string(i)).c_str()));
    struct Row {
        const char *what;
        std::vector<fake::Printer> records;
        Names want; // or, when empty, only so many
        size_t count;
    } rows[] = {
        {"sorted", {On("\\\\PS2"), On("\\\\ps1"), On("\\\\PS10")}, {"\\\\ps1", "\\\\PS10", "\\\\PS2"}, 0},
        {"the first met", {On("\\\\PS1"), On("\\\\ps1")}, {"\\\\PS1"}, 0},
        {"the first met, small", {On("\\\\ps1"), On("\\\\PS1")}, {"\\\\ps1"}, 0},
        {"a name that begins another's", {On("\\\\PS10"), On("\\\\PS")}, {"\\\\PS", "\\\\PS10"}, 0},
        {"and the other way", {On("\\\\PS"), On("\\\\PS10")}, {"\\\\PS", "\\\\PS10"}, 0},
        {"thrice", {On("\\\\PS1"), On("\\\\PS1"), On("\\\\PS1")}, {"\\\\PS1"}, 0},
        {"this machine", {On("\\\\TESTHOSTX"), Local()}, {"\\\\testhost", "\\\\TESTHOSTX"}, 0},
        // Ordinal, letter case aside: a character that a linguistic comparison
        // passes over (a soft hyphen) still tells two names apart, and the
        // list's Turkish locale, whose I and i are two letters, changes nothing.
        {"a soft hyphen", {On("\\\\PS1"), On("\\\\P\u00adS1")}, {}, 2},
        {"Turkish", {On("\\\\PRINTI"), On("\\\\printi")}, {"\\\\PRINTI"}, 0},
        {"Polish", {On("\\\\\u0141\u00f3d\u017a"), On("\\\\\u0142\u00d3D\u0179")}, {"\\\\\u0141\u00f3d\u017a"}, 0},
        {"Greek, each letter once", greek, {}, 24},
        {"each once after the table grew", twice, {}, 300},
        // Unit by unit: a supplementary letter keeps its case.
        {"supplementary", {On("\\\\\U00010428"), On("\\\\\U00010400")}, {}, 2},
        {"\\\\ alone only into an empty list", {On("\\\\PS1"), On("\\\\")}, {"\\\\PS1"}, 0},
        {"bytes that are no text beside a text", {On("\\\\ab"), On("\\\\\xff" "ab")}, {}, 2},
    };
    SendMessageA(g_hwndLocalServers, LB_SETLOCALE, MAKELCID(MAKELANGID(LANG_TURKISH, SUBLANG_DEFAULT), SORT_DEFAULT), 0);
    g_listProc = (WNDPROC)SetWindowLongPtrA(g_hwndLocalServers, GWLP_WNDPROC, (LONG_PTR)CountingList);
    for (bool memory : {true, false})
        for (const Row &r : rows) {
            SCOPED_TRACE(std::string(r.what) + (memory ? "" : ", out of memory"));
            fake::kernel().failHeapAllocAt = memory ? 0 : fake::kernel().heapAllocs + 1;
            long allocs = fake::kernel().heapAllocs;
            Names got = Fill(r.records);
            if (memory) { // the work: no search of the list, and a block of each kind (keys, slots, classes) once
                EXPECT_EQ(0, readsInFill);
                if (r.records.size() < 128) { // the slots' first size
                    EXPECT_LE(fake::kernel().heapAllocs - allocs, 3);
                }
            }
            if (r.want.empty())
                EXPECT_EQ(r.count, got.size());
            else
                EXPECT_EQ(r.want, got);
            EXPECT_TRUE(fake::kernel().liveHeap.empty());
        }
    // Bytes that are no text of the code page: their own kind, ASCII's case aside.
    EXPECT_EQ(2u, Fill({On("\\\\\xff" "ab"), On("\\\\\xff" "AB"), On("\\\\\xfe" "ab")}).size());
    // No block past what a size can name.
    void *block = NULL;
    size_t cb = 0;
    EXPECT_FALSE(GrowBlock(&block, &cb, 0, (size_t)-1 / 2 + 2));
    EXPECT_EQ(nullptr, block);
}

TEST_F(ServersTest, ThisMachineOnceUnderItsHostName)
{
    fake::winsock().hostName = "testhost";
    EXPECT_EQ((Names{"\\\\PS1", "\\\\testhost"}), Fill({Local(), Local(), On("\\\\PS1"), Local(), On("\\\\PS1")}));
    // The sockets layer started for version 1.1 and cleaned up, once per
    // record without a server name.
    EXPECT_EQ(3, fake::winsock().startups);
    EXPECT_EQ(3, fake::winsock().cleanups);
    for (WORD v : fake::winsock().versions)
        EXPECT_EQ(MAKEWORD(1, 1), v);

    Fill({On("\\\\PS1"), On("\\\\PS2")});
    EXPECT_EQ(0, fake::winsock().startups) << "not touched without such a record";
    EXPECT_TRUE(fake::winsock().versions.empty());
}

TEST_F(ServersTest, ComputerNameWhenTheHostNameCannotBeHad)
{
    fake::kernel().computerName = "FALLBACK";

    fake::winsock().hostName.reset(); // gethostname fails
    EXPECT_EQ((Names{"\\\\FALLBACK"}), Fill({Local()}));
    EXPECT_EQ(1, fake::winsock().cleanups);

    fake::winsock().hostName = "a-host-name-of-twenty-five"; // over 19 characters
    EXPECT_EQ((Names{"\\\\FALLBACK"}), Fill({Local()}));

    fake::winsock().hostName = "0123456789012345678"; // exactly 19 fits
    EXPECT_EQ((Names{"\\\\0123456789012345678"}), Fill({Local()}));

    fake::winsock().hostName = "testhost";
    fake::spooler().answers[6] = {Local()};
    fake::winsock().startupError = WSASYSNOTREADY;
    fake::winsock().cleanups = 0;
    SendMessageA(g_hwndLocalServers, LB_RESETCONTENT, 0, 0);
    FillLocalServerList(hwnd, g_hwndLocalServers);
    EXPECT_EQ((Names{"\\\\FALLBACK"}), Entries(g_hwndLocalServers));
    EXPECT_EQ(0, fake::winsock().cleanups) << "no clean-up of a layer that never started";
}

TEST_F(ServersTest, NothingFoundOrNothingReadable)
{
    EXPECT_TRUE(Fill({}).empty());
    EXPECT_EQ(0u, g_cPrinters);

    fake::spooler().failEnumFill = true;
    EXPECT_TRUE(Fill({On("\\\\PS1")}).empty()) << "a failed fill counts as no printers";
    fake::spooler().failEnumFill = false;

    fake::kernel().failGlobalAllocAt = fake::kernel().globalAllocs + 1;
    EXPECT_TRUE(Fill({On("\\\\PS1")}).empty()) << "no block, no printers";

    // A count larger than the records returned: only what is there is read.
    fake::spooler().claimedCount = 50;
    EXPECT_EQ((Names{"\\\\PS1", "\\\\PS2"}), Fill({On("\\\\PS1"), On("\\\\PS2")}));
    EXPECT_EQ(2u, g_cPrinters);
    EXPECT_TRUE(StatusTexts().empty());
    EXPECT_TRUE(fake::kernel().liveGlobal.empty());
}

TEST_F(ServersTest, LongServerNamesAreCut)
{
    for (size_t length : {199u, 200u, 65536u}) {
        SCOPED_TRACE(length);
        std::string name = "\\\\" + std::string(length - 2, 'S');
        Names got = Fill({On(name.c_str())});
        ASSERT_EQ(1u, got.size());
        EXPECT_EQ(name.substr(0, 199), got[0]);
    }
}
