// The print servers that publish printers in the machine's directory domain:
// Active Directory's printQueue objects, read over LDAP. Current networks
// have no browse list (the Computer Browser service went with SMBv1), so the
// remote panel looks here too.
#include "app/app.h"
#include "app/text.h"
#include "browse/browse.h"

#include <winldap.h>

namespace {

const ULONG kPageSize = 1000;  // Active Directory's MaxPageSize
const LONG kAnswerSeconds = 2; // for the connection, and again for the first answer
const LONG kPageSeconds = 5;   // for each page, once the directory has answered
const DWORD kAnswerMs = 4000;  // the window waits for the connection, the bind and the root together
const DWORD kPageMs = (kPageSeconds + 1) * 1000; // and then for each page
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

// One lookup, run by a worker thread of its own: on Windows the bind as the
// user takes no time-out, and a domain controller that takes the connection
// and then says nothing would hold the window until TCP gives up, minutes
// later. The window's thread waits for the worker as long as it answers, and
// then no longer: a worker left behind keeps its memory, which the last of the
// two to let go frees, and never touches a window.
struct Lookup {
    LONG refs;         // the window's thread and the worker
    LONG answers;      // the directory's root, then each page, as the worker reads them
    LONG complete;     // every entry is in; the worker only closes the connection
    LONG abandoned;    // the window's thread waits no longer
    WCHAR domain[256]; // the machine's DNS domain
    char *entries;     // the entries found, each ended by a zero, in the ordinary heap
    size_t used, size; // bytes of entries written and taken
};

LONG s_cRunning; // lookups still running: at most one, however long it hangs

void ReleaseLookup(Lookup *l)
{
    if (InterlockedDecrement(&l->refs) == 0) {
        if (l->entries)
            HeapFree(GetProcessHeap(), 0, l->entries);
        HeapFree(GetProcessHeap(), 0, l);
    }
}

bool Abandoned(Lookup *l)
{
    return InterlockedCompareExchange(&l->abandoned, 0, 0) != 0;
}

// Keeps an entry for the window's thread, in a block that doubles as it
// fills; an entry that can't be kept is lost alone.
void KeepEntry(Lookup *l, const char *entry)
{
    size_t cb = lstrlenA(entry) + 1;
    if (l->size - l->used < cb) {
        size_t size = l->size ? 2 * l->size : 4096;
        char *grown = (char *)HeapAlloc(GetProcessHeap(), 0, size);
        if (!grown)
            return;
        if (l->entries) {
            CopyMemory(grown, l->entries, l->used);
            HeapFree(GetProcessHeap(), 0, l->entries);
        }
        l->entries = grown;
        l->size = size;
    }
    CopyMemory(l->entries + l->used, entry, cb);
    l->used += cb;
}

// Keeps the server of each printer of a page.
void KeepPageServers(LDAP *ld, LDAPMessage *page, Lookup *l)
{
    for (LDAPMessage *e = ldap_first_entry(ld, page); e; e = ldap_next_entry(ld, e)) {
        WCHAR **values = ldap_get_valuesW(ld, e, const_cast<PWCHAR>(L"shortServerName"));
        char szServer[200];
        if (values && values[0] && FromWide(values[0], szServer, sizeof szServer)) {
            char szEntry[202];
            ComposeText(szEntry, sizeof szEntry, "\\\\", szServer);
            KeepEntry(l, szEntry);
        }
        if (values)
            ldap_value_freeW(values);
    }
}

void ReadDirectory(Lookup *l)
{
    // Windows' LDAP client finds a domain controller for a domain's name.
    LDAP *ld = ldap_initW(l->domain, LDAP_PORT);
    if (!ld)
        return;
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
    if (ldap_connect(ld, &wait) != LDAP_SUCCESS || Abandoned(l) ||
        (!OnWine() && ldap_bind_sW(ld, NULL, NULL, LDAP_AUTH_NEGOTIATE) != LDAP_SUCCESS) || Abandoned(l))
        goto done;
    // A server that takes the connection and then says nothing is given up
    // here, within the time-out.
    if (ldap_search_stW(ld, const_cast<PWCHAR>(L""), LDAP_SCOPE_BASE, const_cast<PWCHAR>(L"(objectClass=*)"),
                        rootAttrs, 0, &wait, &root) != LDAP_SUCCESS ||
        !ldap_first_entry(ld, root) ||
        !(base = ldap_get_valuesW(ld, ldap_first_entry(ld, root), rootAttrs[0])) || !base[0])
        goto done;
    InterlockedIncrement(&l->answers);

    // Page by page: Active Directory answers a thousand entries a search at
    // most. No time limit on the server's side: under load one cuts a result.
    search = ldap_search_init_pageW(ld, base[0], LDAP_SCOPE_SUBTREE, const_cast<PWCHAR>(L"(objectClass=printQueue)"),
                                    printerAttrs, 0, NULL, NULL, 0, 0, NULL);
    if (!search)
        goto done;
    while (!Abandoned(l)) {
        ULONG total = 0;
        LDAPMessage *page = NULL;
        ULONG rc = ldap_get_next_page_s(ld, search, OnWine() ? NULL : &pageWait, kPageSize, &total, &page);
        if (page) {
            KeepPageServers(ld, page, l);
            ldap_msgfree(page);
        }
        InterlockedIncrement(&l->answers);
        if (rc != LDAP_SUCCESS) { // LDAP_NO_RESULTS_RETURNED after the last page
            InterlockedExchange(&l->complete, 1);
            break;
        }
    }
    ldap_search_abandon_page(ld, search);

done:
    if (base)
        ldap_value_freeW(base);
    if (root)
        ldap_msgfree(root);
    ldap_unbind(ld);
}

DWORD WINAPI LookupThread(void *param)
{
    Lookup *l = (Lookup *)param;
    ReadDirectory(l);
    ReleaseLookup(l);
    InterlockedDecrement(&s_cRunning);
    return 0;
}

// Waits for the worker while the directory answers: the root within the
// first time-out of the connection, bind and root together, then each page
// within its own. Meanwhile the window answers what other threads and
// programs send it (a screen reader's questions, the system's broadcasts),
// at least every second, so that Windows never takes it for hung; input
// waits. False when the entries are not all there when it gives up.
bool WaitForLookup(HANDLE thread, Lookup *l)
{
    LONG seen = 0;
    DWORD limit = kAnswerMs, start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed < limit) {
            DWORD left = limit - elapsed;
            DWORD waited = MsgWaitForMultipleObjectsEx(1, &thread, left < 1000 ? left : 1000, QS_SENDMESSAGE, 0);
            if (waited == WAIT_OBJECT_0)
                return true;
            if (waited == WAIT_FAILED)
                break;
            MSG msg; // answers what was sent, and leaves the rest queued
            PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        LONG answers = InterlockedCompareExchange(&l->answers, 0, 0);
        if (answers == seen || InterlockedCompareExchange(&l->complete, 0, 0))
            break;
        seen = answers;
        limit = kPageMs;
        start = GetTickCount();
    }
    InterlockedExchange(&l->abandoned, 1);
    return InterlockedCompareExchange(&l->complete, 0, 0) != 0;
}

} // namespace

bool DirectoryLookupRunning(void)
{
    return InterlockedCompareExchange(&s_cRunning, 0, 0) != 0;
}

void FillDirectoryServers(HWND hwndList, bool *emptied)
{
    WCHAR wszDomain[256];
    DWORD cch = sizeof wszDomain / sizeof wszDomain[0];
    if (!GetComputerNameExW(ComputerNameDnsDomain, wszDomain, &cch) || wszDomain[0] == L'\0')
        return; // in no domain: no directory
    // One left waiting for a silent directory still runs: not a second.
    if (InterlockedCompareExchange(&s_cRunning, 1, 0) != 0)
        return;

    Lookup *l = (Lookup *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *l);
    HANDLE thread = NULL;
    if (l) {
        l->refs = 2;
        lstrcpynW(l->domain, wszDomain, sizeof l->domain / sizeof l->domain[0]);
        thread = CreateThread(NULL, 0, LookupThread, l, 0, NULL);
    }
    if (!thread) {
        if (l)
            HeapFree(GetProcessHeap(), 0, l);
        InterlockedExchange(&s_cRunning, 0);
        return;
    }

    // The list is emptied at the first entry, as for the browse: it keeps
    // what it had only when nothing is found.
    if (WaitForLookup(thread, l)) {
        for (size_t at = 0; at < l->used; at += lstrlenA(l->entries + at) + 1) {
            if (!*emptied) {
                SendMessageA(hwndList, LB_RESETCONTENT, 0, 0);
                BeginListFill(hwndList);
                *emptied = true;
            }
            AddServerEntry(hwndList, l->entries + at);
        }
    }
    CloseHandle(thread);
    ReleaseLookup(l);
}
