// The first call into a delay-loaded DLL (comdlg32, shell32) with mingw-w64.
//
// The runtime's __delayLoadHelper2 loads the DLL and writes the function's
// address into its slot of the delay import table, which dlltool's delay
// libraries place among the import data. Current linkers (binutils 2.43 on)
// make that section read-only, and the helper writes without asking, so the
// first call would fault. The link sends every call of the helper here
// (--wrap), where the slot is writable for the length of the write.
//
// The directory's worker thread may make its first calls while the window's
// thread makes others, into slots of the same page: one at a time, or one
// thread would close the page that the other is writing.
#include <windows.h>

#include <delayimp.h>

static SRWLOCK s_lock = SRWLOCK_INIT;

extern "C" FARPROC WINAPI __real___delayLoadHelper2(PCImgDelayDescr pidd, FARPROC *slot);

extern "C" FARPROC WINAPI __wrap___delayLoadHelper2(PCImgDelayDescr pidd, FARPROC *slot)
{
    AcquireSRWLockExclusive(&s_lock);
    DWORD protect = 0;
    BOOL opened = VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protect);
    FARPROC proc = __real___delayLoadHelper2(pidd, slot);
    if (opened)
        VirtualProtect(slot, sizeof *slot, protect, &protect);
    ReleaseSRWLockExclusive(&s_lock);
    return proc;
}
