// Test seams: fakes of the platform calls whose answers a test chooses.
// Each fake forwards to the platform's own function unless a test set an
// answer, and records what it was asked.
#ifndef ZELVANE_TESTS_FAKES_H
#define ZELVANE_TESTS_FAKES_H

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fake {

// One log of notable calls across all fakes, in the order they were made.
std::vector<std::string> &Events();

// Everything back to forwarding, every record emptied.
void ResetAll();

// --- gdi32 -----------------------------------------------------------------
struct TextCall {
    std::string text; // in the process code page, whichever call drew it
    int x, y;
    COLORREF textColour, backColour;
    int bkMode;
    std::wstring drawn; // the characters on screen: TextOutA's bytes as the font's character set reads them
};
struct RectCall {
    int left, top, right, bottom;
    COLORREF brushColour, penColour;
    int penStyle;
};
struct Gdi {
    std::vector<TextCall> texts;
    std::vector<RectCall> rects;
    std::set<HGDIOBJ> live; // brushes, pens and fonts made and not yet deleted
    long made = 0, deleted = 0;
    std::function<void(const TextCall &)> onText; // runs as each text is drawn
};
Gdi &gdi();

// --- user32 ----------------------------------------------------------------
struct TimerCall {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    bool kill;
};
struct MessageBoxCall {
    HWND owner;
    std::string text, caption;
    UINT type;
};
struct BroadcastCall {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    std::optional<std::string> section; // lParam as text, or none for 0
    UINT flags, timeout;
    bool resultPointer;
};
struct CreateCall {
    DWORD exStyle;
    std::string className;
    bool hasText;
    DWORD style;
    int x, y, width, height;
    HWND parent;
    INT_PTR id;
    HINSTANCE instance;
    void *param;
    HWND result;
};
struct User {
    long getDC = 0, releaseDC = 0;
    std::vector<CreateCall> creates;
    std::optional<COLORREF> menuColour;       // answer for COLOR_MENU
    std::map<int, COLORREF> sysColours;       // answers for other indexes
    bool highContrast = false;                // SPI_GETHIGHCONTRAST's answer
    std::vector<std::pair<DWORD, HWND>> winEvents; // NotifyWinEvent's event and window
    std::vector<UINT> defWindowProc;          // messages passed on
    std::vector<TimerCall> timers;
    std::vector<MessageBoxCall> messageBoxes;
    std::function<void()> onMessageBox;       // runs while the box "waits"
    std::vector<BroadcastCall> broadcasts;
    std::function<void(HWND, int)> onShowWindow;
    bool refuseLastNews = false;              // PostMessageA fails the directory's last news
};
User &user();

// --- kernel32 --------------------------------------------------------------
struct Kernel {
    std::set<void *> liveGlobal, liveHeap;    // blocks taken and not given back
    long globalAllocs = 0, globalFrees = 0, heapAllocs = 0, heapFrees = 0;
    std::vector<UINT> globalFlags;            // flags of each GlobalAlloc
    long failGlobalAllocAt = 0;               // 1-based; 0: never
    long failHeapAllocAt = 0;
    // Every block ends right at a page that cannot be read, so that a read
    // past the block faults at once.
    bool guarded = false;
    std::optional<SYSTEMTIME> localTime;
    std::optional<DWORD> platformId;
    std::vector<DWORD> versionSizes;          // dwOSVersionInfoSize of each query
    std::optional<std::string> profileDevice; // "windows"/"device"; none: not set
    bool failProfileWrite = false;
    std::vector<std::string> profileWrites;   // device values written
    std::optional<std::string> computerName;
    std::wstring dnsDomain;                   // none: the machine is in no domain
    bool windows = false;                     // ntdll shows no Wine: the program takes Windows' paths
    UINT monitorDpi = 0;                      // user32's GetDpiForWindow answers this; 0: the platform's
    UINT codePage = 0;                        // the process's, to GetACP and GetCPInfo(CP_ACP); 0: the platform's
};
Kernel &kernel();

// --- ws2_32 ----------------------------------------------------------------
struct Winsock {
    long startups = 0, cleanups = 0;
    std::vector<WORD> versions;
    int startupError = 0;                     // 0: WSAStartup succeeds
    std::optional<std::string> hostName;      // none: gethostname fails
};
Winsock &winsock();

// --- comdlg32 and shell32 --------------------------------------------------
struct Shell {
    std::vector<OPENFILENAMEA> dialogs;       // records as passed
    std::vector<std::string> initialNames;    // the file name buffer on entry
    std::optional<std::string> chosenFile;    // none: the user cancels
    bool realDialog = false;                  // show the platform's own dialog
    std::function<void()> onDialog;           // runs while the dialog "waits"
    struct Execute {
        HWND owner;
        std::string verb, file;
        bool parameters, directory;
        int show;
        bool inCom; // the program's COM started on the calling thread
    };
    std::vector<Execute> executes;
    INT_PTR executeResult = 42;               // > 32: the shell took it
    int com = 0;                              // CoInitializeEx calls that succeeded, less CoUninitialize calls
};
Shell &shell();

// --- wldap32 ----------------------------------------------------------------
struct Directory {
    std::wstring base = L"DC=corp,DC=example"; // the root's defaultNamingContext
    std::vector<std::wstring> names;          // shortServerName of each printQueue
    std::vector<std::wstring> hosts;          // each ldap_initW's host
    long taken = 0, given = 0, unbinds = 0;   // messages and value arrays; connections closed
    ULONG bindResult = 0;                     // LDAP_SUCCESS
    HANDLE bindGate = NULL;                   // set: each bind answers only once it is signalled
    HANDLE pageGate = NULL;                   // set: the second page answers only once it is signalled
    size_t failPage = (size_t)-1;             // this page (from 0) answers failResult, with nothing
    ULONG failResult = 0x55;                  // LDAP_TIMEOUT
    bool lastPageEnds = false;                // the last page answers LDAP_NO_RESULTS_RETURNED, as Windows' does
};
Directory &directory();

// --- iphlpapi, ws2_32's datagrams and winhttp: the local network ------------
// One interface that multicasts, 10.0.0.1 and fe80::, when up; every answer
// comes through the IPv4 socket, from its host's address. Each datagram sent that
// holds an answer's trigger (the Probe's action, or a Resolve's endpoint)
// brings the answer back from its host; once none waits, select fails, and
// the lookup ends. Each page is fetched by "host:port/path".
struct Network {
    bool up = false;
    struct Answer {
        std::string from, trigger, text;
    };
    std::vector<Answer> answers;
    struct Page {
        std::string body;
        DWORD status = 200;
        HANDLE gate = NULL;                   // set: the answer comes once it is signalled
    };
    std::map<std::string, Page> pages;
    std::vector<std::string> sent;            // each datagram sent
    std::vector<std::string> fetched;         // each request's "host:port/path"
    std::map<DWORD, DWORD> options;           // the last request's options
    DWORD access = 0;                         // WinHttpOpen's access type
    long sockets = 0, handles = 0;            // open
    long startups = 0;                        // WSAStartup less WSACleanup, on the worker
    long adapterQueries = 0;                  // GetAdaptersAddresses calls, the first always short
};
Network &network();

} // namespace fake

#endif
