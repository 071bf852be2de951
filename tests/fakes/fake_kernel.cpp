// kernel32 fakes: memory blocks (counted, and failed on demand), Wine hidden
// on demand, the local time, the version query, the profile's device entry
// and the computer name.
#include "fakes/fakes.h"
#include "fakes/real.h"

#include <string.h>

namespace fake {
Kernel &kernel()
{
    static Kernel k;
    return k;
}
} // namespace fake

namespace {

// The directory's worker takes and gives back memory beside the window's
// thread.
SRWLOCK g_memoryLock = SRWLOCK_INIT;
struct MemoryLock {
    MemoryLock() { AcquireSRWLockExclusive(&g_memoryLock); }
    ~MemoryLock() { ReleaseSRWLockExclusive(&g_memoryLock); }
};

// Guarded blocks: the block's start, by the region that holds it.
std::map<void *, void *> &GuardedBlocks()
{
    static std::map<void *, void *> blocks;
    return blocks;
}

void *GuardedAlloc(SIZE_T cb)
{
    const SIZE_T page = 4096;
    SIZE_T pages = (cb + page - 1) / page + 1;
    BYTE *region = (BYTE *)VirtualAlloc(NULL, pages * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!region)
        return NULL;
    DWORD old;
    VirtualProtect(region + (pages - 1) * page, page, PAGE_NOACCESS, &old);
    BYTE *block = region + (pages - 1) * page - ((cb + 15) & ~(SIZE_T)15); // aligned, ending at the guard
    GuardedBlocks()[block] = region;
    return block;
}

bool GuardedFree(void *block)
{
    auto it = GuardedBlocks().find(block);
    if (it == GuardedBlocks().end())
        return false;
    VirtualFree(it->second, 0, MEM_RELEASE);
    GuardedBlocks().erase(it);
    return true;
}

HGLOBAL WINAPI FakeGlobalAlloc(UINT flags, SIZE_T cb)
{
    MemoryLock lock;
    fake::Kernel &k = fake::kernel();
    k.globalFlags.push_back(flags);
    if (++k.globalAllocs == k.failGlobalAllocAt) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    HGLOBAL h = k.guarded ? (HGLOBAL)GuardedAlloc(cb) : REAL("kernel32.dll", GlobalAlloc)(flags, cb);
    if (h)
        k.liveGlobal.insert(h);
    return h;
}

LPVOID WINAPI FakeGlobalLock(HGLOBAL h)
{
    MemoryLock lock;
    if (GuardedBlocks().count(h))
        return h; // a fixed block is its own pointer
    return REAL("kernel32.dll", GlobalLock)(h);
}

BOOL WINAPI FakeGlobalUnlock(HGLOBAL h)
{
    MemoryLock lock;
    if (GuardedBlocks().count(h))
        return FALSE; // no longer locked
    return REAL("kernel32.dll", GlobalUnlock)(h);
}

HGLOBAL WINAPI FakeGlobalFree(HGLOBAL h)
{
    MemoryLock lock;
    ++fake::kernel().globalFrees;
    // A movable block freed while still locked breaks its pair: it stays live.
    if (GuardedBlocks().count(h) || !(REAL("kernel32.dll", GlobalFlags)(h) & GMEM_LOCKCOUNT))
        fake::kernel().liveGlobal.erase(h);
    if (GuardedFree(h))
        return NULL;
    return REAL("kernel32.dll", GlobalFree)(h);
}

LPVOID WINAPI FakeHeapAlloc(HANDLE heap, DWORD flags, SIZE_T cb)
{
    MemoryLock lock;
    fake::Kernel &k = fake::kernel();
    if (++k.heapAllocs == k.failHeapAllocAt)
        return NULL;
    void *p = k.guarded ? GuardedAlloc(cb) : REAL("kernel32.dll", HeapAlloc)(heap, flags, cb);
    if (p)
        k.liveHeap.insert(p);
    return p;
}

BOOL WINAPI FakeHeapFree(HANDLE heap, DWORD flags, LPVOID p)
{
    MemoryLock lock;
    ++fake::kernel().heapFrees;
    fake::kernel().liveHeap.erase(p);
    if (GuardedFree(p))
        return TRUE;
    return REAL("kernel32.dll", HeapFree)(heap, flags, p);
}

void WINAPI FakeGetLocalTime(LPSYSTEMTIME t)
{
    if (fake::kernel().localTime)
        *t = *fake::kernel().localTime;
    else
        REAL("kernel32.dll", GetLocalTime)(t);
}

BOOL WINAPI FakeGetVersionExA(LPOSVERSIONINFOA v)
{
    fake::kernel().versionSizes.push_back(v->dwOSVersionInfoSize);
    BOOL ok = REAL("kernel32.dll", GetVersionExA)(v);
    if (fake::kernel().platformId)
        v->dwPlatformId = *fake::kernel().platformId;
    return ok;
}

bool IsDeviceKey(LPCSTR section, LPCSTR key)
{
    return section && key && lstrcmpiA(section, "windows") == 0 && lstrcmpiA(key, "device") == 0;
}

DWORD WINAPI FakeGetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR def, LPSTR buf, DWORD cb)
{
    if (!IsDeviceKey(section, key))
        return REAL("kernel32.dll", GetProfileStringA)(section, key, def, buf, cb);
    const std::string value = fake::kernel().profileDevice.value_or(def ? def : "");
    if (cb == 0)
        return 0;
    size_t n = value.size() < cb - 1 ? value.size() : cb - 1;
    memcpy(buf, value.data(), n);
    buf[n] = '\0';
    return (DWORD)n;
}

BOOL WINAPI FakeWriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value)
{
    if (!IsDeviceKey(section, key))
        return REAL("kernel32.dll", WriteProfileStringA)(section, key, value);
    fake::Events().push_back("WriteProfile");
    fake::kernel().profileWrites.push_back(value ? value : "");
    if (fake::kernel().failProfileWrite)
        return FALSE;
    fake::kernel().profileDevice = value ? value : "";
    return TRUE;
}

BOOL WINAPI FakeGetComputerNameA(LPSTR buf, LPDWORD cch)
{
    if (!fake::kernel().computerName)
        return REAL("kernel32.dll", GetComputerNameA)(buf, cch);
    const std::string &name = *fake::kernel().computerName;
    if (name.size() + 1 > *cch) {
        *cch = (DWORD)name.size() + 1;
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    memcpy(buf, name.c_str(), name.size() + 1);
    *cch = (DWORD)name.size();
    return TRUE;
}

// The machine's DNS domain: none unless a test sets one, so that no test
// looks for a directory on the network.
BOOL WINAPI FakeGetComputerNameExW(COMPUTER_NAME_FORMAT kind, LPWSTR buf, LPDWORD cch)
{
    if (kind != ComputerNameDnsDomain)
        return REAL("kernel32.dll", GetComputerNameExW)(kind, buf, cch);
    const std::wstring &domain = fake::kernel().dnsDomain;
    if (domain.size() + 1 > *cch) {
        *cch = (DWORD)domain.size() + 1;
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    memcpy(buf, domain.c_str(), (domain.size() + 1) * sizeof(WCHAR));
    *cch = (DWORD)domain.size();
    return TRUE;
}

// Wine is told apart by ntdll's wine_get_version. With a monitor's DPI
// chosen, user32's calls of Windows 10 are looked up in this executable,
// which has GetDpiForWindow alone.
HMODULE WINAPI FakeGetModuleHandleA(LPCSTR name)
{
    bool hidden = fake::kernel().windows && name && lstrcmpiA(name, "ntdll.dll") == 0;
    if (fake::kernel().monitorDpi && name && lstrcmpiA(name, "user32.dll") == 0)
        name = NULL;
    return hidden ? NULL : REAL("kernel32.dll", GetModuleHandleA)(name);
}

UINT WINAPI FakeGetACP(void)
{
    return fake::kernel().codePage ? fake::kernel().codePage : REAL("kernel32.dll", GetACP)();
}

// The chosen code page's own answer, from the platform's tables.
BOOL WINAPI FakeGetCPInfo(UINT codePage, LPCPINFO info)
{
    if (codePage == CP_ACP && fake::kernel().codePage)
        codePage = fake::kernel().codePage;
    return REAL("kernel32.dll", GetCPInfo)(codePage, info);
}

} // namespace

extern "C" UINT WINAPI MonitorDpiForWindow(HWND) { return fake::kernel().monitorDpi; }
__asm__(".section .drectve\n.ascii \" -export:GetDpiForWindow=MonitorDpiForWindow\"\n.text");

extern "C" {
decltype(&FakeGetModuleHandleA) __imp_GetModuleHandleA = FakeGetModuleHandleA;
decltype(&FakeGetACP) __imp_GetACP = FakeGetACP;
decltype(&FakeGetCPInfo) __imp_GetCPInfo = FakeGetCPInfo;
decltype(&FakeGlobalAlloc) __imp_GlobalAlloc = FakeGlobalAlloc;
decltype(&FakeGlobalFree) __imp_GlobalFree = FakeGlobalFree;
decltype(&FakeGlobalLock) __imp_GlobalLock = FakeGlobalLock;
decltype(&FakeGlobalUnlock) __imp_GlobalUnlock = FakeGlobalUnlock;
decltype(&FakeHeapAlloc) __imp_HeapAlloc = FakeHeapAlloc;
decltype(&FakeHeapFree) __imp_HeapFree = FakeHeapFree;
decltype(&FakeGetLocalTime) __imp_GetLocalTime = FakeGetLocalTime;
decltype(&FakeGetVersionExA) __imp_GetVersionExA = FakeGetVersionExA;
decltype(&FakeGetProfileStringA) __imp_GetProfileStringA = FakeGetProfileStringA;
decltype(&FakeWriteProfileStringA) __imp_WriteProfileStringA = FakeWriteProfileStringA;
decltype(&FakeGetComputerNameA) __imp_GetComputerNameA = FakeGetComputerNameA;
decltype(&FakeGetComputerNameExW) __imp_GetComputerNameExW = FakeGetComputerNameExW;
}
