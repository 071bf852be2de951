// The real zelvane.exe, started as its own process.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "app/ids.h"
#include "harness.h"

namespace {

struct Started {
    PROCESS_INFORMATION pi = {};
    HWND window = nullptr;
};

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND h, LPARAM lp)
{
    Search *s = reinterpret_cast<Search *>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char cls[32] = "";
    GetClassNameA(h, cls, sizeof cls);
    if (pid == s->pid && lstrcmpA(cls, "PrinterClass") == 0 && IsWindowVisible(h)) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

// zelvane.exe, beside the tests' own directory.
std::string ExePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    std::string exe(path);
    exe = exe.substr(0, exe.find_last_of('\\')); // tests directory
    return exe.substr(0, exe.find_last_of('\\')) + "\\zelvane.exe";
}

// Starts zelvane.exe with a show state, and waits at most 30 s for its window.
Started Start(WORD showState)
{
    std::string exe = ExePath();
    Started s;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = showState;
    std::string cmd = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &s.pi)) {
        ADD_FAILURE() << "cannot start " << exe;
        return s;
    }
    WaitForInputIdle(s.pi.hProcess, 30000);
    Search search = {s.pi.dwProcessId, nullptr};
    for (DWORD start = GetTickCount(); !search.found && GetTickCount() - start < 30000;) {
        EnumWindows(FindWindowOf, (LPARAM)&search);
        if (!search.found)
            WaitForSingleObject(s.pi.hProcess, 50);
    }
    s.window = search.found;
    return s;
}

// Waits at most 30 s for the process to end; returns its exit code.
DWORD Finish(Started &s)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(s.pi.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(s.pi.hProcess, &code);
    else
        TerminateProcess(s.pi.hProcess, 99);
    CloseHandle(s.pi.hThread);
    CloseHandle(s.pi.hProcess);
    return code;
}

} // namespace

TEST(Executable, ClosingTheWindowExitsWithZero)
{
    Started s = Start(SW_SHOWNORMAL);
    ASSERT_NE(nullptr, s.window);
    RECT r;
    GetWindowRect(s.window, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(760, r.right - r.left);
    EXPECT_EQ(320, r.bottom - r.top);
    char title[32] = "";
    GetWindowTextA(s.window, title, sizeof title);
    EXPECT_STREQ("Zelvane", title);
    PostMessageA(s.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, Finish(s));
}

TEST(Executable, FileExitExitsWithZero)
{
    Started s = Start(SW_SHOWNORMAL);
    ASSERT_NE(nullptr, s.window);
    PostMessageA(s.window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(0u, Finish(s));
}

TEST(Executable, ShownNormallyWhateverTheStartState)
{
    // Windows applies the starting program's show state to a process's first
    // ShowWindow, whatever it asks for; Wine applies it only to SW_SHOWDEFAULT.
    if (!RunningOnWine())
        GTEST_SKIP() << "Windows itself overrides the first ShowWindow with the start state";
    for (WORD state : {(WORD)SW_HIDE, (WORD)SW_MINIMIZE, (WORD)SW_SHOWMAXIMIZED}) {
        SCOPED_TRACE(state);
        Started s = Start(state);
        ASSERT_NE(nullptr, s.window) << "no visible window";
        EXPECT_FALSE(IsIconic(s.window));
        EXPECT_FALSE(IsZoomed(s.window));
        PostMessageA(s.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, Finish(s));
    }
}

TEST(Executable, TwoCopiesRunSideBySide)
{
    Started a = Start(SW_SHOWNORMAL);
    Started b = Start(SW_SHOWNORMAL);
    ASSERT_NE(nullptr, a.window);
    ASSERT_NE(nullptr, b.window);
    EXPECT_NE(a.window, b.window);
    PostMessageA(a.window, WM_CLOSE, 0, 0);
    PostMessageA(b.window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(0u, Finish(a));
    EXPECT_EQ(0u, Finish(b));
}

// The import table names only known DLLs, which Windows always takes from
// System32: every other DLL is delay-loaded, after WinMain has limited the
// search to System32, so that no file beside the program can stand in for it.
TEST(Executable, ImportsKnownDllsOnly)
{
    const std::set<std::string> known = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll",
                                         "kernel32.dll", "msvcrt.dll",   "ole32.dll", "oleaut32.dll",
                                         "shell32.dll",  "shlwapi.dll",  "user32.dll", "ws2_32.dll"};
    std::ifstream in(ExePath(), std::ios::binary);
    const std::string pe((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(pe.size(), 0x400u);
    auto at = [&](size_t off) { return pe.data() + off; };
    const auto *nt = (const IMAGE_NT_HEADERS64 *)at(((const IMAGE_DOS_HEADER *)at(0))->e_lfanew);
    const IMAGE_SECTION_HEADER *sections = IMAGE_FIRST_SECTION(nt);
    auto offsetOf = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; i++) {
            const IMAGE_SECTION_HEADER &sec = sections[i];
            if (rva >= sec.VirtualAddress && rva < sec.VirtualAddress + sec.SizeOfRawData)
                return rva - sec.VirtualAddress + sec.PointerToRawData;
        }
        return 0;
    };
    size_t imports = offsetOf(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    ASSERT_NE(0u, imports);
    int count = 0;
    for (auto *d = (const IMAGE_IMPORT_DESCRIPTOR *)at(imports); d->Name != 0; d++, count++) {
        std::string name = at(offsetOf(d->Name));
        CharLowerA(&name[0]);
        EXPECT_TRUE(known.count(name)) << name << " is in the import table";
    }
    EXPECT_GT(count, 0);
}
