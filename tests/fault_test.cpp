// Each allocation and each spooler, profile and dialog call failing in turn,
// one at a time, through every operation: nothing leaks, a failure is told
// in dark red with one of the program's own messages, and the window works
// as before afterwards.
#include "harness.h"

#include "app/app.h"
#include "app/ids.h"
#include "app/state.h"

#include <algorithm>
#include <functional>
#include <set>

namespace {

const COLORREF kDarkRed = RGB(170, 0, 0);
const std::set<std::string> kFailures = {
    "No Printers Available",  "Fail to access the printer",      "Insufficient Buffer ",
    "Failure to allocate Job storage space ", "Get job list error", "No Jobs in Queue",
    "Error Setting Default Printer", "Unable to Open selected printer", "Unable to open printer",
    "Unable to Allocate Memory"};

class FaultTest : public MainWindowTest {
  protected:
    void Script()
    {
        fake::Spooler &s = fake::spooler();
        s = fake::Spooler();
        const std::string path = "\\\\PS1\\Laser5";
        s.answers[6] = {{"\\\\PS1", path, "Laser5"}};
        s.answers[12] = {{"\\\\PS1", path, "Laser5"}};
        s.answers[8] = {{"\\\\PS1", path, "Laser5"}};
        s.answers[16] = {{std::nullopt, std::nullopt, std::nullopt, "\\\\PS1\\Laser5,drv,c"}};
        fake::Printer p;
        p.printer = path;
        p.driver = "HP";
        p.port = "LPT1:";
        p.jobs = {{7, "Report"}};
        s.answers[1] = {p};
        s.printers[path] = p;
        fake::shell().chosenFile = "C:\\a.txt";
        fake::kernel().profileDevice = "\\\\PS1\\Laser5,HP,LPT1:";
    }

    // Selects an entry when a fault has left it there; nothing otherwise.
    static void TrySelect(HWND list, const std::string &text)
    {
        SetSelection(list, (int)SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text.c_str()));
    }

    void Select(HWND list, int id, const std::string &text)
    {
        TrySelect(list, text);
        SelChange(id);
    }

    struct Operation {
        const char *name;
        DWORD platform;
        std::function<void()> run;
    };

    std::vector<Operation> Operations()
    {
        auto local = [this] {
            Select(g_hwndLocalServers, IDC_LOCAL_SERVERS, "\\\\PS1");
            TrySelect(g_hwndLocalPrinters, "Laser5");
        };
        return {
            {"local printers", 2, [this] { Select(g_hwndLocalServers, IDC_LOCAL_SERVERS, "\\\\PS1"); }},
            {"local jobs", 2, [=] { local(); SelChange(IDC_LOCAL_PRINTERS); }},
            {"remote panel", 2, [this] {
                 fake::kernel().dnsDomain = L"corp.example";
                 fake::directory().names = {L"PS7"};
                 Command(IDM_SHOW_REMOTE);
                 AwaitDirectory();
                 Select(g_hwndRemoteServers, IDC_REMOTE_SERVERS, "\\\\PS1");
                 Select(g_hwndRemotePrinters, IDC_REMOTE_PRINTERS, "Laser5");
                 Command(IDM_SHOW_REMOTE);
             }},
            {"show default (spooler)", 1, [this] { Command(IDM_SHOW_DEFAULT); }},
            {"show default (profile)", 2, [this] { Command(IDM_SHOW_DEFAULT); }},
            {"set default (spooler)", 1, [=] { local(); Command(IDM_SET_DEFAULT); }},
            {"set default (profile)", 2, [=] { local(); Command(IDM_SET_DEFAULT); }},
            {"print", 2, [=] { local(); Command(IDM_PRINT); }},
        };
    }

    // Runs an operation from a fresh start; returns what the status line said.
    std::vector<std::pair<std::string, COLORREF>> Run(const Operation &op, const std::function<void()> &fault)
    {
        for (HWND list : {g_hwndLocalServers, g_hwndLocalPrinters, g_hwndLocalJobs})
            SetSelection(list, -1);
        Script();
        fake::kernel().platformId = op.platform;
        fake::gdi().texts.clear();
        long allocs = fake::kernel().globalAllocs, heaps = fake::kernel().heapAllocs;
        fault();
        op.run();
        lastAllocs = fake::kernel().globalAllocs - allocs;
        lastHeaps = fake::kernel().heapAllocs - heaps;
        fake::kernel().failGlobalAllocAt = fake::kernel().failHeapAllocAt = 0;
        std::vector<std::pair<std::string, COLORREF>> said;
        for (const fake::TextCall &t : fake::gdi().texts)
            if (t.x == 80)
                said.push_back({t.text, t.textColour});
        return said;
    }

    void ExpectSound(const Operation &op, const std::string &fault,
                     const std::vector<std::pair<std::string, COLORREF>> &said,
                     const std::vector<std::pair<std::string, COLORREF>> &baseline)
    {
        SCOPED_TRACE(std::string(op.name) + ", " + fault);
        EXPECT_EQ(fake::spooler().opens, fake::spooler().closes);
        EXPECT_TRUE(fake::spooler().live.empty());
        EXPECT_TRUE(fake::kernel().liveGlobal.empty());
        EXPECT_TRUE(fake::kernel().liveHeap.empty());
        for (const auto &s : said) {
            if (s.second == kDarkRed) {
                EXPECT_TRUE(kFailures.count(s.first)) << "unknown failure message " << s.first;
            }
        }
        // And the window works as before.
        EXPECT_EQ(baseline, Run(op, [] {})) << "after the fault";
    }

    long lastAllocs = 0, lastHeaps = 0;
};

} // namespace

TEST_F(FaultTest, EachAllocationFailingInTurn)
{
    Script();
    Open();
    for (const Operation &op : Operations()) {
        auto baseline = Run(op, [] {});
        long globals = lastAllocs, heaps = lastHeaps;
        for (long k = 1; k <= globals; ++k) {
            auto said = Run(op, [k] { fake::kernel().failGlobalAllocAt = fake::kernel().globalAllocs + k; });
            ExpectSound(op, "global block " + std::to_string(k), said, baseline);
        }
        for (long k = 1; k <= heaps; ++k) {
            auto said = Run(op, [k] { fake::kernel().failHeapAllocAt = fake::kernel().heapAllocs + k; });
            ExpectSound(op, "heap block " + std::to_string(k), said, baseline);
        }
    }
}

TEST_F(FaultTest, EachCallFailingInTurn)
{
    Script();
    Open();
    const std::vector<std::pair<const char *, std::function<void()>>> faults = {
        {"OpenPrinter", [] { fake::spooler().failOpen = true; }},
        {"GetPrinter sizing", [] { fake::spooler().zeroPrinterSize = true; }},
        {"GetPrinter", [] { fake::spooler().failGetPrinter = true; }},
        {"EnumJobs sizing", [] { fake::spooler().jobSizeError = ERROR_INVALID_HANDLE; }},
        {"EnumJobs", [] { fake::spooler().failEnumJobs = true; }},
        {"EnumPrinters", [] { fake::spooler().failEnumFill = true; }},
        {"SetPrinter", [] { fake::spooler().failSetPrinter = true; }},
        {"WriteProfileString", [] { fake::kernel().failProfileWrite = true; }},
        {"GetOpenFileName", [] { fake::shell().chosenFile.reset(); }},
    };
    for (const Operation &op : Operations()) {
        auto baseline = Run(op, [] {});
        for (const auto &f : faults) {
            auto said = Run(op, [&] {
                f.second();
                fake::spooler().opens = fake::spooler().closes = 0;
            });
            ExpectSound(op, f.first, said, baseline);
        }
    }
}
