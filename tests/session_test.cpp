// Whole sessions of the program, each driven by a seed, against a spooler
// whose every answer is of random shape: names absent, empty, at and over
// every buffer's length, with backslashes and commas anywhere; counts that
// disagree with the records; a failure at any call. Every block the program
// takes ends at an unreadable page, so a read past it faults.
#include "harness.h"

#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"

#include <stdio.h>
#include <stdlib.h>

namespace {

struct Rng {
    unsigned long long s;
    unsigned Next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return (unsigned)(s >> 11);
    }
    int Below(int n) { return n > 0 ? (int)(Next() % (unsigned)n) : 0; }
    bool Chance(int percent) { return Below(100) < percent; }
};

const char kAlphabet[] = "AbZ09 ,.-\\\\";

std::string Name(Rng &r)
{
    static const size_t lengths[] = {0, 1, 2, 19, 20, 98, 99, 100, 198, 199, 200, 298, 299, 300, 65536};
    size_t n = r.Chance(60) ? (size_t)r.Below(24) : lengths[r.Below(sizeof lengths / sizeof lengths[0])];
    std::string s(n, 'x');
    for (char &c : s)
        c = kAlphabet[r.Below(sizeof kAlphabet - 1)];
    if (r.Chance(30) && n > 2)
        s[0] = s[1] = '\\';
    return s;
}

fake::Text Field(Rng &r, const std::vector<std::string> &pool)
{
    if (r.Chance(15))
        return std::nullopt;
    if (!pool.empty() && r.Chance(50))
        return pool[r.Below((int)pool.size())];
    return Name(r);
}

std::vector<fake::Printer> Records(Rng &r, const std::vector<std::string> &servers)
{
    std::vector<fake::Printer> list(r.Below(6));
    for (fake::Printer &p : list) {
        p.server = Field(r, servers);
        p.share = Field(r, {});
        p.printer = r.Chance(50) && p.server && p.share ? *p.server + "\\" + *p.share : Field(r, {});
        p.description = Field(r, servers);
        p.driver = Field(r, {});
        p.port = Field(r, {});
    }
    return list;
}

void Script(Rng &r)
{
    const std::vector<std::string> servers = {"\\\\PS1", "\\\\ps1", "\\\\PS10", "\\\\sessionhost", Name(r)};
    fake::Spooler &s = fake::spooler();
    s = fake::Spooler();
    for (DWORD flags : {1, 6, 8, 12, 16})
        s.answers[flags] = Records(r, servers);
    fake::Printer any;
    any.driver = Field(r, {});
    any.port = Field(r, {});
    any.printer = Field(r, {});
    for (int i = r.Below(5); i > 0; --i)
        any.jobs.push_back({r.Next(), Field(r, {})});
    if (r.Chance(20))
        any.cJobs = (DWORD)r.Below(8);
    s.anyPrinter = any;

    // One fault, or none, for the next action.
    switch (r.Below(14)) {
    case 0: s.failEnumFill = true; break;
    case 1: s.claimedCount = (DWORD)r.Below(2); break; // fewer records than the block holds
    case 2: s.failOpen = true; break;
    case 3: s.zeroPrinterSize = true; break;
    case 4: s.failGetPrinter = true; break;
    case 5: s.jobSizeError = ERROR_ACCESS_DENIED; break;
    case 6: s.failEnumJobs = true; break;
    case 7: s.claimedJobs = (DWORD)r.Below(2); break;
    case 8: s.failSetPrinter = true; break;
    case 9: fake::kernel().failGlobalAllocAt = fake::kernel().globalAllocs + 1 + r.Below(3); break;
    case 10: fake::kernel().failHeapAllocAt = fake::kernel().heapAllocs + 1 + r.Below(3); break;
    case 11: fake::kernel().failProfileWrite = true; break;
    default: break;
    }
    fake::kernel().platformId = (DWORD)(1 + r.Below(3));
    fake::kernel().profileDevice = Field(r, servers);
    fake::shell().chosenFile = r.Chance(30) ? fake::Text() : fake::Text("C:\\" + Name(r));
    fake::shell().executeResult = r.Chance(20) ? 2 : 42;
    fake::winsock().hostName = r.Chance(90) ? fake::Text("sessionhost") : fake::Text(Name(r));
}

// Faults inside a window procedure can be swallowed by the window manager's
// own handler; this one sees them first.
long g_faults;
LONG CALLBACK CountFault(EXCEPTION_POINTERS *info)
{
    if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) {
        ++g_faults;
        printf("fault at %p\n", info->ExceptionRecord->ExceptionAddress);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

class SessionTest : public MainWindowTest {
  protected:
    // Every entry within its list's buffer, made only of what the spooler
    // sent, the program's own words and job numbers.
    void ExpectWellFormedLists(unsigned long long seed) const
    {
        const struct {
            HWND list;
            size_t limit;
        } lists[] = {{g_hwndLocalServers, 199}, {g_hwndLocalPrinters, 199}, {g_hwndLocalJobs, 299},
                     {g_hwndRemoteServers, 201}, {g_hwndRemotePrinters, 99}, {g_hwndRemoteJobs, 299}};
        for (const auto &l : lists)
            for (const std::string &e : Entries(l.list)) {
                ASSERT_LE(e.size(), l.limit) << "seed " << seed;
                for (char c : e)
                    ASSERT_TRUE(strchr(kAlphabet, c) || isalnum((unsigned char)c) || c == ' ' || c == '-')
                        << "seed " << seed << ": entry " << e.substr(0, 40);
            }
    }

    void ExpectAllGivenBack(unsigned long long seed) const
    {
        ASSERT_EQ(fake::spooler().opens, fake::spooler().closes) << "seed " << seed;
        ASSERT_TRUE(fake::spooler().live.empty()) << "seed " << seed;
        ASSERT_TRUE(fake::kernel().liveGlobal.empty()) << "seed " << seed;
        ASSERT_TRUE(fake::kernel().liveHeap.empty()) << "seed " << seed;
    }

    void Session(unsigned long long seed)
    {
        Rng r = {seed * 0x9E3779B97F4A7C15ull + 1};
        fake::ResetAll();
        fake::kernel().guarded = true;
        Script(r);
        Open();
        ExpectAllGivenBack(seed);
        const int lists[] = {IDC_LOCAL_SERVERS, IDC_LOCAL_PRINTERS, IDC_LOCAL_JOBS,
                             IDC_REMOTE_SERVERS, IDC_REMOTE_PRINTERS, IDC_REMOTE_JOBS};
        for (int step = 0; step < 12; ++step) {
            Script(r);
            int action = r.Below(10);
            if (action < 6) {
                HWND list = GetDlgItem(hwnd, lists[action]);
                LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
                SetSelection(list, r.Chance(10) ? -1 : r.Below((int)n));
                SelChange(lists[action]);
            } else {
                static const WPARAM commands[] = {IDM_SHOW_REMOTE, IDM_SHOW_DEFAULT, IDM_SET_DEFAULT, IDM_PRINT};
                Command(commands[action - 6]);
            }
            fake::kernel().failGlobalAllocAt = fake::kernel().failHeapAllocAt = 0;
            ExpectAllGivenBack(seed);
            ExpectWellFormedLists(seed);
            if (HasFatalFailure())
                return;
        }
        MainWindowTest::TearDown();
        hwnd = nullptr;
    }
};

} // namespace

// ZELVANE_SESSIONS sessions (2000 by default) from the seed ZELVANE_SEED, a
// new one each run when it is unset, so that runs explore; ZELVANE_SHARD=k/n
// splits them into n shards, of which this process runs the k-th.
TEST_F(SessionTest, SeededSessionsSurviveAnySpoolerAnswer)
{
    const char *env = getenv("ZELVANE_SESSIONS");
    unsigned long long count = env ? strtoull(env, nullptr, 10) : 2000;
    env = getenv("ZELVANE_SEED");
    unsigned long long first = env && *env ? strtoull(env, nullptr, 10)
                                           : (GetTickCount64() * 2654435761ull ^ GetCurrentProcessId()) % 4000000000ull + 1;
    unsigned shard = 0, shards = 1;
    env = getenv("ZELVANE_SHARD");
    if (!env || sscanf(env, "%u/%u", &shard, &shards) != 2 || shard >= shards)
        shard = 0, shards = 1;
    const unsigned long long from = first + count * shard / shards, to = first + count * (shard + 1) / shards;
    printf("sessions from seed %llu: %llu of the %llu here, from seed %llu\n", first, to - from, count, from);
    PVOID watch = AddVectoredExceptionHandler(1, CountFault);
    unsigned long long failed = 0;
    for (unsigned long long seed = from; seed < to && !HasFatalFailure(); ++seed) {
        Session(seed);
        if (HasFailure() && failed == 0)
            failed = seed;
    }
    fake::kernel().guarded = false;
    RemoveVectoredExceptionHandler(watch);
    EXPECT_EQ(0, g_faults);
    if (failed != 0)
        printf("seed %llu failed; to repeat it: ZELVANE_SEED=%llu ZELVANE_SESSIONS=1 scripts/run-tests.sh build -R sessions\n",
               failed, failed);
    printf("%llu seeded sessions of 12 actions each\n", to - from);
}
