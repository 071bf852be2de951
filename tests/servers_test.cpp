// The local server list, filled once while the main window is created.
#include "harness.h"

#include "app/app.h"
#include "app/state.h"
#include "browse/browse.h"

namespace {

class ServersTest : public MainWindowTest {
  protected:
    // Fills the local server list anew from these records.
    std::vector<std::string> Fill(std::vector<fake::Printer> records)
    {
        fake::spooler().answers[6] = std::move(records);
        fake::spooler().enumCalls.clear();
        fake::winsock() = fake::Winsock{0, 0, {}, 0, fake::winsock().hostName};
        SendMessageA(g_hwndLocalServers, LB_RESETCONTENT, 0, 0);
        EXPECT_EQ(1, FillLocalServerList(hwnd, g_hwndLocalServers));
        return Entries(g_hwndLocalServers);
    }

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

// Each server once, letter case aside, and a name that begins another's too.
TEST_F(ServersTest, SortedAndEachServerOnce)
{
    EXPECT_EQ((Names{"\\\\ps1", "\\\\PS10", "\\\\PS2"}), Fill({On("\\\\PS2"), On("\\\\ps1"), On("\\\\PS10")}));
    EXPECT_EQ((Names{"\\\\PS1"}), Fill({On("\\\\PS1"), On("\\\\ps1")}));
    EXPECT_EQ((Names{"\\\\ps1"}), Fill({On("\\\\ps1"), On("\\\\PS1")}));
    EXPECT_EQ((Names{"\\\\PS", "\\\\PS10"}), Fill({On("\\\\PS10"), On("\\\\PS")}));
    EXPECT_EQ((Names{"\\\\PS", "\\\\PS10"}), Fill({On("\\\\PS"), On("\\\\PS10")}));
    EXPECT_EQ((Names{"\\\\PS1"}), Fill({On("\\\\PS1"), On("\\\\PS1"), On("\\\\PS1")}));
    EXPECT_EQ((Names{"\\\\testhost", "\\\\TESTHOSTX"}), Fill({On("\\\\TESTHOSTX"), Local()}));
    // Ordinal equality, letter case aside: a character that a linguistic
    // comparison passes over (a soft hyphen) still tells two names apart, and
    // the list's Turkish locale, whose I and i are two letters, changes nothing.
    EXPECT_EQ(2u, Fill({On("\\\\PS1"), On("\\\\P\u00adS1")}).size());
    SendMessageA(g_hwndLocalServers, LB_SETLOCALE, MAKELCID(MAKELANGID(LANG_TURKISH, SUBLANG_DEFAULT), SORT_DEFAULT), 0);
    EXPECT_EQ((Names{"\\\\PRINTI"}), Fill({On("\\\\PRINTI"), On("\\\\printi")}));
    EXPECT_EQ((Names{"\\\\\u0141\u00f3d\u017a"}), Fill({On("\\\\\u0141\u00f3d\u017a"), On("\\\\\u0142\u00d3D\u0179")}));
    // Unit by unit, as the ordinal comparison: a supplementary letter keeps its case.
    EXPECT_EQ(2u, Fill({On("\\\\\U00010428"), On("\\\\\U00010400")}).size());
    // "\\" alone only into an empty list.
    EXPECT_EQ((Names{"\\\\PS1"}), Fill({On("\\\\PS1"), On("\\\\")}));
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
