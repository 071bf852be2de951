// The print servers that publish printers in the machine's directory domain:
// Active Directory's printQueue objects, read over LDAP. Current networks
// have no browse list (the Computer Browser service went with SMBv1), so the
// remote panel looks here too.
#include "app/app.h"
#include "app/ids.h"
#include "app/text.h"
#include "browse/browse.h"

#include <string.h>
#include <winldap.h>

namespace {

const ULONG kPageSize = 1000;  // Active Directory's MaxPageSize
const LONG kAnswerSeconds = 2; // for the connection, and again for the first answer
const LONG kPageSeconds = 5;   // for each page, once the directory has answered
const int kCchName = 199;      // the most that an entry's server part holds

// Wine's wldap32 crashes on a Negotiate bind without credentials, and its
// paged search with a time-out stops answering after two pages.
bool OnWine(void)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A directory's text in the process code page, cut before a character to fit
// cb bytes. False when the code page lacks one of its characters: the name
// would become another.
bool FromWide(const WCHAR *text, char *buf, size_t cb)
{
    char szWhole[3 * kCchName + 1]; // a UTF-16 unit gives at most 3 bytes
    int cch = lstrlenW(text);
    if (cch > kCchName) {
        cch = kCchName;
        if (text[cch - 1] >= 0xD800 && text[cch - 1] < 0xDC00)
            --cch; // not half of a pair
    }
    BOOL lost = FALSE;
    bool utf8 = GetACP() == CP_UTF8; // whose conversion takes no best-fit flag
    int len = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, text, cch, szWhole,
                                  (int)sizeof szWhole - 1, NULL, utf8 ? NULL : &lost);
    if ((len == 0 && cch > 0) || lost)
        return false;
    szWhole[len] = '\0';
    CopyText(buf, cb, szWhole);
    return true;
}

// One lookup, run by a worker thread: on Windows the bind as the
// user takes no time-out, and a domain controller that takes the connection
// and then says nothing would hold a caller until TCP gives up, minutes
// later. The window never waits for it: the worker posts news after each
// page and at its end, and the window's thread takes the entries found from
// the record that both share. Whichever lets go of the record last frees it.
enum { kRunning, kUnreached, kComplete, kIncomplete }; // how a lookup ended

// The entries of one page, each ended by a zero, handed to the window's
// thread whole: once published, a chunk never changes.
struct Chunk {
    Chunk *next;       // the next page's, once published
    char *text;        // in the ordinary heap
    size_t used, size; // bytes of text written and held
};

struct Lookup {
    LONG refs;         // the window's thread and the worker
    LONG result;       // how it ended, set before the last news
    HWND notify;       // the window that the news goes to, under the lock; null once it is
                       // gone, and the worker stops at its next step
    WPARAM serial;     // which lookup the news is of
    WCHAR domain[256]; // the machine's DNS domain
    SRWLOCK lock;      // over the chunks' links and notify
    Chunk *first, *last;
};

LONG s_cRunning;     // lookups handed to the worker and not ended: the window awaits at most one
Lookup *s_pAwaited;  // the lookup that the window awaits, with its reference
Chunk *s_pJoined;    // its last chunk that joined this showing, or null
WPARAM s_serial;     // of the last lookup started

void ReleaseLookup(Lookup *l)
{
    if (InterlockedDecrement(&l->refs) == 0) {
        for (Chunk *c = l->first, *next; c; c = next) {
            next = c->next;
            HeapFree(GetProcessHeap(), 0, c->text);
            HeapFree(GetProcessHeap(), 0, c);
        }
        HeapFree(GetProcessHeap(), 0, l);
    }
}

bool Abandoned(Lookup *l)
{
    AcquireSRWLockShared(&l->lock);
    bool gone = l->notify == NULL;
    ReleaseSRWLockShared(&l->lock);
    return gone;
}

// Posts news to the window while it stands, under the record's lock; ended
// says it is the last.
void Tell(Lookup *l, LPARAM ended)
{
    if (l->notify)
        PostMessageA(l->notify, WM_DIRECTORY_NEWS, l->serial, ended);
}

// Keeps an entry in a page's chunk, whose text doubles as it fills; an entry
// that can't be kept is lost alone.
void KeepEntry(Chunk *c, const char *entry)
{
    size_t cb = strlen(entry) + 1;
    if (GrowBlock((void **)&c->text, &c->size, c->used, c->used + cb)) {
        CopyMemory(c->text + c->used, entry, cb);
        c->used += cb;
    }
}

// Keeps the server of each printer of a page, and hands them to the window.
void KeepPageServers(LDAP *ld, LDAPMessage *page, Lookup *l)
{
    Chunk kept = {};
    for (LDAPMessage *e = ldap_first_entry(ld, page); e; e = ldap_next_entry(ld, e)) {
        WCHAR **values = ldap_get_valuesW(ld, e, const_cast<PWCHAR>(L"shortServerName"));
        char szServer[200];
        if (values && values[0] && FromWide(values[0], szServer, sizeof szServer)) {
            char szEntry[202];
            ComposeText(szEntry, sizeof szEntry, "\\\\", szServer);
            KeepEntry(&kept, szEntry);
        }
        if (values)
            ldap_value_freeW(values);
    }
    Chunk *chunk = kept.used ? (Chunk *)HeapAlloc(GetProcessHeap(), 0, sizeof *chunk) : NULL;
    if (!chunk) {
        if (kept.text)
            HeapFree(GetProcessHeap(), 0, kept.text);
        return;
    }
    *chunk = kept;
    AcquireSRWLockExclusive(&l->lock);
    if (l->last)
        l->last->next = chunk;
    else
        l->first = chunk;
    l->last = chunk;
    Tell(l, 0);
    ReleaseSRWLockExclusive(&l->lock);
}

// Reads the servers of the domain's printers. A directory that can't be
// reached is not reported: a laptop away from its company's network would
// hear of it at every showing. One that answered and then failed a page is.
LONG ReadDirectory(Lookup *l)
{
    // Windows' LDAP client finds a domain controller for a domain's name.
    LDAP *ld = ldap_initW(l->domain, LDAP_PORT);
    if (!ld)
        return kUnreached;
    LONG result = kUnreached;
    ULONG version = LDAP_VERSION3;
    ldap_set_optionW(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_optionW(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    l_timeval wait = {kAnswerSeconds, 0}, pageWait = {kPageSeconds, 0};
    LDAPMessage *root = NULL;
    PLDAPSearch search = NULL;
    WCHAR **base = NULL;
    PWCHAR rootAttrs[] = {const_cast<PWCHAR>(L"defaultNamingContext"), NULL};
    PWCHAR printerAttrs[] = {const_cast<PWCHAR>(L"shortServerName"), NULL};
    // Active Directory searches only for a signed-in user: bound as this
    // one (Negotiate, signing as the client's policy says), never with a
    // password. Under Wine the search stays anonymous.
    const bool wine = OnWine();
    if (ldap_connect(ld, &wait) != LDAP_SUCCESS || Abandoned(l) ||
        (!wine && ldap_bind_sW(ld, NULL, NULL, LDAP_AUTH_NEGOTIATE) != LDAP_SUCCESS) || Abandoned(l))
        goto done;
    // A server that takes the connection and then says nothing is given up
    // here, within the time-out.
    if (ldap_search_stW(ld, const_cast<PWCHAR>(L""), LDAP_SCOPE_BASE, const_cast<PWCHAR>(L"(objectClass=*)"),
                        rootAttrs, 0, &wait, &root) != LDAP_SUCCESS ||
        !ldap_first_entry(ld, root) ||
        !(base = ldap_get_valuesW(ld, ldap_first_entry(ld, root), rootAttrs[0])) || !base[0])
        goto done;

    // Page by page: Active Directory answers a thousand entries a search at
    // most. No time limit on the server's side: under load one cuts a result.
    result = kIncomplete;
    search = ldap_search_init_pageW(ld, base[0], LDAP_SCOPE_SUBTREE, const_cast<PWCHAR>(L"(objectClass=printQueue)"),
                                    printerAttrs, 0, NULL, NULL, 0, 0, NULL);
    if (!search)
        goto done;
    while (!Abandoned(l)) {
        ULONG total = 0;
        LDAPMessage *page = NULL;
        ULONG rc = ldap_get_next_page_s(ld, search, wine ? NULL : &pageWait, kPageSize, &total, &page);
        if (page) { // what a failed page brought is real servers all the same
            KeepPageServers(ld, page, l);
            ldap_msgfree(page);
        }
        if (rc == LDAP_NO_RESULTS_RETURNED) { // with the last page (Windows) or after it (Wine)
            result = kComplete;
            break;
        }
        if (rc != LDAP_SUCCESS) // a time-out, a lost connection: the rest is missing
            break;
    }
    ldap_search_abandon_page(ld, search);

done:
    if (base)
        ldap_value_freeW(base);
    if (root)
        ldap_msgfree(root);
    ldap_unbind(ld);
    return result;
}

// The worker, made at the first lookup and kept for the next: each lookup
// after the first starts without a thread to make. It waits for a lookup in
// s_pNext, signalled by s_hWork, and runs it.
HANDLE s_hWork;         // set: a lookup waits in s_pNext
Lookup *volatile s_pNext;
bool s_bWorker;         // the worker was made

DWORD WINAPI LookupThread(void *)
{
    for (;;) {
        WaitForSingleObject(s_hWork, INFINITE);
        Lookup *l = (Lookup *)InterlockedExchangePointer((PVOID volatile *)&s_pNext, NULL);
        if (!l)
            continue;
        InterlockedExchange(&l->result, ReadDirectory(l));
        AcquireSRWLockShared(&l->lock);
        Tell(l, 1);
        ReleaseSRWLockShared(&l->lock);
        ReleaseLookup(l);
        InterlockedDecrement(&s_cRunning);
    }
}

// Hands a lookup to the worker, which is made the first time.
bool StartLookup(Lookup *l)
{
    if (!s_hWork && !(s_hWork = CreateEventA(NULL, FALSE, FALSE, NULL)))
        return false;
    if (!s_bWorker) {
        HANDLE thread = CreateThread(NULL, 0, LookupThread, NULL, 0, NULL);
        if (!thread)
            return false;
        CloseHandle(thread);
        s_bWorker = true;
    }
    InterlockedIncrement(&s_cRunning);
    InterlockedExchangePointer((PVOID volatile *)&s_pNext, l);
    SetEvent(s_hWork);
    return true;
}

// The pages found since the last time join this showing; while the panel is
// hidden they wait for the next. The chunks up to the last published stay as
// they are, and are read without the lock; the last one's link is not read,
// since the worker may be writing it.
void JoinFound(Lookup *l)
{
    AcquireSRWLockShared(&l->lock);
    Chunk *last = l->last;
    ReleaseSRWLockShared(&l->lock);
    if (!last || s_pJoined == last)
        return;
    for (Chunk *c = s_pJoined ? s_pJoined->next : l->first;; c = c->next) {
        JoinRemoteServers(c->text, c->used);
        if (c == last)
            break;
    }
    s_pJoined = last;
}

// The window's thread lets go of the lookup that it awaited: no news of it
// goes to the window from here on, whatever the worker is doing.
void LetGo(void)
{
    AcquireSRWLockExclusive(&s_pAwaited->lock);
    s_pAwaited->notify = NULL;
    ReleaseSRWLockExclusive(&s_pAwaited->lock);
    ReleaseLookup(s_pAwaited);
    s_pAwaited = NULL;
}

bool Ended(const Lookup *l)
{
    return InterlockedCompareExchange(const_cast<LONG *>(&l->result), 0, 0) != kRunning;
}

} // namespace

bool DirectoryLookupRunning(void)
{
    return InterlockedCompareExchange(&s_cRunning, 0, 0) != 0;
}

bool FindDirectoryServers(HWND hwndNotify)
{
    // One whose last news was lost (a full queue) is over all the same.
    if (s_pAwaited && Ended(s_pAwaited))
        LetGo();
    // One that still runs, perhaps for a silent directory: not a second.
    if (s_pAwaited) {
        s_pJoined = NULL;
        JoinFound(s_pAwaited);
        return true;
    }
    WCHAR wszDomain[256];
    DWORD cch = sizeof wszDomain / sizeof wszDomain[0];
    if (!GetComputerNameExW(ComputerNameDnsDomain, wszDomain, &cch) || wszDomain[0] == L'\0')
        return false; // in no domain: no directory

    Lookup *l = (Lookup *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *l);
    if (!l)
        return false;
    l->refs = 2;
    l->notify = hwndNotify;
    l->serial = ++s_serial;
    lstrcpynW(l->domain, wszDomain, sizeof l->domain / sizeof l->domain[0]);
    if (!StartLookup(l)) {
        HeapFree(GetProcessHeap(), 0, l);
        return false;
    }
    s_pAwaited = l;
    s_pJoined = NULL;
    return true;
}

void OnDirectoryNews(HWND hwnd, WPARAM serial, LPARAM ended)
{
    if (!s_pAwaited || serial != s_pAwaited->serial)
        return; // of a lookup that the window no longer awaits
    JoinFound(s_pAwaited);
    if (!ended)
        return;
    bool incomplete = InterlockedCompareExchange(&s_pAwaited->result, 0, 0) == kIncomplete;
    LetGo();
    if (RemoteFillOpen()) {
        EndRemoteFill();
        if (incomplete) // the servers found are listed; some are missing
            ShowStatus(hwnd, "Directory search incomplete", STATUS_ERROR);
    }
}

void OnDirectoryTick(HWND hwnd)
{
    // The news may not have come: a full queue refuses a post, and a post is
    // not tried again. What it would have brought is there all the same.
    if (s_pAwaited)
        OnDirectoryNews(hwnd, s_pAwaited->serial, Ended(s_pAwaited));
}

void ForgetDirectory(void)
{
    EndRemoteFill();
    if (s_pAwaited) // the handle may soon name another window
        LetGo();
}
