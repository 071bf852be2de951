// The hand-over between a lookup's worker and the window's thread. The
// worker publishes each page of servers under the record's lock and posts
// news; the window's thread takes the pages published since the last time,
// at the news or at the clock's tick, and never waits for the worker.
#include "browse/browse.h"
#include "browse/lookup.h"
#include "app/text.h"

#include <string.h>

struct Lookup {
    LONG refs;          // the window's thread and the worker
    LONG result;        // how it ended, set before the last news
    HWND notify;        // the window that the news goes to, under the lock; null once it is
                        // gone, and the worker stops at its next step
    WPARAM serial;      // which lookup the news is of
    alignas(8) BYTE subject[kCbSubject]; // what it looks for
    SRWLOCK lock;       // over the pages' links and notify
    ServerPage *first, *last;
};

namespace {

LONG s_cRunning; // lookups handed to a worker and not ended
WPARAM s_serial; // of the last lookup started, of any source

void ReleaseLookup(Lookup *l)
{
    if (InterlockedDecrement(&l->refs) == 0) {
        for (ServerPage *p = l->first, *next; p; p = next) {
            next = p->next;
            HeapFree(GetProcessHeap(), 0, p->text);
            HeapFree(GetProcessHeap(), 0, p);
        }
        HeapFree(GetProcessHeap(), 0, l);
    }
}

// Posts news to the window while it stands, under the record's lock; ended
// says it is the last.
void Tell(Lookup *l, LPARAM ended)
{
    if (l->notify)
        PostMessageA(l->notify, WM_SERVERS_NEWS, l->serial, ended);
}

bool Ended(Lookup *l)
{
    return InterlockedCompareExchange(&l->result, kLookupRunning, kLookupRunning) != kLookupRunning;
}

// A source's worker, made at its first lookup and kept for the next: each
// lookup after the first starts without a thread to make. It waits for a
// lookup in next, signalled by hWork, and runs it.
DWORD WINAPI LookupThread(void *param)
{
    LookupSource *s = (LookupSource *)param;
    while (WaitForSingleObject(s->hWork, INFINITE) == WAIT_OBJECT_0) {
        Lookup *l = (Lookup *)InterlockedExchangePointer((PVOID volatile *)&s->next, NULL);
        if (!l)
            continue;
        InterlockedExchange(&l->result, s->run(l, l->subject));
        AcquireSRWLockShared(&l->lock);
        Tell(l, 1);
        ReleaseSRWLockShared(&l->lock);
        ReleaseLookup(l);
        InterlockedDecrement(&s_cRunning);
    }
    return 0;
}

// Hands a lookup to the source's worker, which is made the first time.
bool Hand(LookupSource *s, Lookup *l)
{
    if (!s->hWork && !(s->hWork = CreateEventA(NULL, FALSE, FALSE, NULL)))
        return false;
    if (!s->worker) {
        HANDLE thread = CreateThread(NULL, 0, LookupThread, s, 0, NULL);
        if (!thread)
            return false;
        CloseHandle(thread);
        s->worker = true;
    }
    InterlockedIncrement(&s_cRunning);
    InterlockedExchangePointer((PVOID volatile *)&s->next, l);
    SetEvent(s->hWork);
    return true;
}

// The pages found since the last join go to join. The pages up to the last
// published stay as they are and are read without the lock; the last one's
// link is not read, since the worker may be writing it.
void JoinFound(LookupSource *s, JoinProc join)
{
    Lookup *l = s->awaited;
    AcquireSRWLockShared(&l->lock);
    ServerPage *last = l->last;
    ReleaseSRWLockShared(&l->lock);
    if (!last || s->joined == last)
        return;
    for (ServerPage *p = s->joined ? s->joined->next : l->first;; p = p->next) {
        join(p->text, p->used);
        if (p == last)
            break;
    }
    s->joined = last;
}

// The window's thread lets go of the lookup that it awaited: no news of it
// goes to the window from here on, whatever the worker is doing.
void LetGo(LookupSource *s)
{
    AcquireSRWLockExclusive(&s->awaited->lock);
    s->awaited->notify = NULL;
    ReleaseSRWLockExclusive(&s->awaited->lock);
    ReleaseLookup(s->awaited);
    s->awaited = NULL;
    s->joined = NULL;
}

} // namespace

void KeepServer(ServerPage *page, const char *entry)
{
    size_t cb = strlen(entry) + 1;
    if (GrowBlock((void **)&page->text, &page->size, page->used, page->used + cb)) {
        CopyMemory(page->text + page->used, entry, cb);
        page->used += cb;
    }
}

void HandOver(Lookup *l, ServerPage *page)
{
    ServerPage *p = page->used ? (ServerPage *)HeapAlloc(GetProcessHeap(), 0, sizeof *p) : NULL;
    if (!p) {
        if (page->text)
            HeapFree(GetProcessHeap(), 0, page->text);
        return;
    }
    *p = *page;
    p->next = NULL;
    AcquireSRWLockExclusive(&l->lock);
    if (l->last)
        l->last->next = p;
    else
        l->first = p;
    l->last = p;
    Tell(l, 0);
    ReleaseSRWLockExclusive(&l->lock);
}

bool Abandoned(Lookup *l)
{
    AcquireSRWLockShared(&l->lock);
    bool gone = l->notify == NULL;
    ReleaseSRWLockShared(&l->lock);
    return gone;
}

bool EntryFromWide(const WCHAR *name, int cch, char *entry, size_t cb)
{
    const int kCchName = 199; // the most that an entry's name holds
    char szWhole[3 * kCchName + 1]; // a UTF-16 unit gives at most 3 bytes
    if (cch > kCchName) {
        cch = kCchName;
        if (name[cch - 1] >= 0xD800 && name[cch - 1] < 0xDC00)
            --cch; // not half of a pair
    }
    BOOL lost = FALSE;
    // UTF-8 takes no best-fit flag; a lone surrogate would become U+FFFD there.
    bool utf8 = GetACP() == CP_UTF8;
    int len = WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, name, cch, szWhole,
                                  (int)sizeof szWhole - 1, NULL, utf8 ? NULL : &lost);
    if ((len == 0 && cch > 0) || lost)
        return false;
    szWhole[len] = '\0';
    ComposeText(entry, cb, "\\\\", szWhole);
    return true;
}

bool StartLookup(LookupSource *s, HWND notify, const void *subject, size_t cb)
{
    if (s->awaited) { // still running: what it found joins this showing again
        s->joined = NULL;
        return true;
    }
    Lookup *l = (Lookup *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *l);
    if (!l)
        return false;
    l->refs = 2;
    l->notify = notify;
    l->serial = ++s_serial;
    CopyMemory(l->subject, subject, cb < sizeof l->subject ? cb : sizeof l->subject);
    if (!Hand(s, l)) {
        HeapFree(GetProcessHeap(), 0, l);
        return false;
    }
    s->awaited = l;
    s->joined = NULL;
    return true;
}

LONG TakeNews(LookupSource *s, WPARAM serial, LPARAM ended, JoinProc join)
{
    if (!s->awaited || serial != s->awaited->serial)
        return -1; // of a lookup that the window no longer awaits
    JoinFound(s, join);
    if (!ended)
        return kLookupRunning;
    LONG result = InterlockedCompareExchange(&s->awaited->result, kLookupRunning, kLookupRunning);
    LetGo(s);
    return result;
}

LONG CatchUp(LookupSource *s, JoinProc join)
{
    return s->awaited ? TakeNews(s, s->awaited->serial, Ended(s->awaited), join) : -1;
}

void ForgetLookup(LookupSource *s)
{
    if (s->awaited) // the handle may soon name another window
        LetGo(s);
}

bool LookupsRunning(void)
{
    return InterlockedCompareExchange(&s_cRunning, 0, 0) != 0;
}
