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

// Adds the server of each printer of a page. The list is emptied at the
// first, as for the browse: it keeps what it had only when nothing is found.
void AddPageServers(LDAP *ld, LDAPMessage *page, HWND hwndList, bool *emptied)
{
    for (LDAPMessage *e = ldap_first_entry(ld, page); e; e = ldap_next_entry(ld, e)) {
        WCHAR **values = ldap_get_valuesW(ld, e, const_cast<PWCHAR>(L"shortServerName"));
        char szServer[200];
        if (values && values[0] && FromWide(values[0], szServer, sizeof szServer)) {
            if (!*emptied) {
                SendMessageA(hwndList, LB_RESETCONTENT, 0, 0);
                BeginListFill(hwndList);
                *emptied = true;
            }
            char szEntry[202];
            ComposeText(szEntry, sizeof szEntry, "\\\\", szServer);
            AddServerEntry(hwndList, szEntry);
        }
        if (values)
            ldap_value_freeW(values);
    }
}

} // namespace

void FillDirectoryServers(HWND hwndList, bool *emptied)
{
    WCHAR wszDomain[256];
    DWORD cch = sizeof wszDomain / sizeof wszDomain[0];
    if (!GetComputerNameExW(ComputerNameDnsDomain, wszDomain, &cch) || wszDomain[0] == L'\0')
        return; // in no domain: no directory

    // Windows' LDAP client finds a domain controller for a domain's name.
    LDAP *ld = ldap_initW(wszDomain, LDAP_PORT);
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
    if (ldap_connect(ld, &wait) != LDAP_SUCCESS ||
        (!OnWine() && ldap_bind_sW(ld, NULL, NULL, LDAP_AUTH_NEGOTIATE) != LDAP_SUCCESS))
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
    search = ldap_search_init_pageW(ld, base[0], LDAP_SCOPE_SUBTREE, const_cast<PWCHAR>(L"(objectClass=printQueue)"),
                                    printerAttrs, 0, NULL, NULL, 0, 0, NULL);
    if (!search)
        goto done;
    for (;;) {
        ULONG total = 0;
        LDAPMessage *page = NULL;
        ULONG rc = ldap_get_next_page_s(ld, search, OnWine() ? NULL : &pageWait, kPageSize, &total, &page);
        if (page) {
            AddPageServers(ld, page, hwndList, emptied);
            ldap_msgfree(page);
        }
        if (rc != LDAP_SUCCESS) // LDAP_NO_RESULTS_RETURNED after the last page
            break;
    }
    ldap_search_abandon_page(ld, search);

done:
    if (base)
        ldap_value_freeW(base);
    if (root)
        ldap_msgfree(root);
    ldap_unbind(ld);
}
