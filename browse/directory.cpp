// The print servers that publish printers in the machine's directory domain:
// Active Directory's printQueue objects, read over LDAP. Current networks
// have no browse list (the Computer Browser service went with SMBv1), so the
// remote panel looks here too.
#include "browse/browse.h"
#include "browse/lookup.h"

#include <winldap.h>

namespace {

const ULONG kPageSize = 1000;  // Active Directory's MaxPageSize
const LONG kAnswerSeconds = 2; // for the connection, and again for the first answer
const LONG kPageSeconds = 5;   // for each page, once the directory has answered

// Wine's wldap32 crashes on a Negotiate bind without credentials, and its
// paged search with a time-out stops answering after two pages.
bool OnWine(void)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Keeps the server of each printer of a page, and hands them to the window.
void KeepPageServers(LDAP *ld, LDAPMessage *page, Lookup *l)
{
    ServerPage kept = {};
    for (LDAPMessage *e = ldap_first_entry(ld, page); e; e = ldap_next_entry(ld, e)) {
        WCHAR **values = ldap_get_valuesW(ld, e, const_cast<PWCHAR>(L"shortServerName"));
        char szEntry[202];
        if (values && values[0] && EntryFromWide(values[0], lstrlenW(values[0]), szEntry, sizeof szEntry))
            KeepServer(&kept, szEntry);
        if (values)
            ldap_value_freeW(values);
    }
    HandOver(l, &kept);
}

// Reads the servers of the domain's printers, on the source's worker: on
// Windows the bind as the user takes no time-out, and a domain controller
// that takes the connection and then says nothing would hold a caller until
// TCP gives up, minutes later. A directory that can't be reached is not
// reported: a laptop away from its company's network would
// hear of it at every showing. One that answered and then failed a page is.
LONG ReadDirectory(Lookup *l, const void *domain)
{
    // Windows' LDAP client finds a domain controller for a domain's name.
    LDAP *ld = ldap_initW(const_cast<PWCHAR>((const WCHAR *)domain), LDAP_PORT);
    if (!ld)
        return kLookupUnreached;
    LONG result = kLookupUnreached;
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
    result = kLookupIncomplete;
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
            result = kLookupComplete;
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

} // namespace

LookupSource g_directoryLookup = {ReadDirectory, "Directory search incomplete", NULL, NULL, false, NULL, NULL};

bool FindDirectoryServers(HWND hwndNotify)
{
    WCHAR wszDomain[256] = L"";
    DWORD cch = sizeof wszDomain / sizeof wszDomain[0];
    if (!g_directoryLookup.awaited && // one still running is not started again
        (!GetComputerNameExW(ComputerNameDnsDomain, wszDomain, &cch) || wszDomain[0] == L'\0'))
        return false; // in no domain: no directory
    return StartLookup(&g_directoryLookup, hwndNotify, wszDomain, sizeof wszDomain);
}
