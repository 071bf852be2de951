// wldap32: a domain's directory whose printQueue objects are as the short server names a test gives, answered a page at a time.
// Every message, value array and connection taken is counted back.
#include "fakes/fakes.h"

#include <winldap.h>

namespace fake {
Directory &directory()
{
    static Directory d;
    return d;
}
} // namespace fake

namespace {

// A message owns its entries; an entry names the text that it answers.
struct Message;
struct Entry {
    Message *owner;
    size_t index;
    const std::wstring *text;
};
struct Message {
    std::vector<Entry> entries;
};
LDAP g_connection;
size_t g_next, g_page; // the paged search's place and page

LDAPMessage *Take(const std::vector<const std::wstring *> &texts)
{
    ++fake::directory().taken;
    Message *m = new Message;
    for (const std::wstring *t : texts)
        m->entries.push_back({m, m->entries.size(), t});
    return (LDAPMessage *)m;
}

LDAP *__cdecl FakeInit(PWCHAR host, ULONG)
{
    fake::directory().hosts.push_back(host);
    return &g_connection;
}
ULONG __cdecl FakeUnbind(LDAP *) { return ++fake::directory().unbinds, 0; }
ULONG __cdecl FakeSetOption(LDAP *, int, const void *) { return 0; }
ULONG __cdecl FakeConnect(LDAP *, l_timeval *) { return 0; }
ULONG __cdecl FakeBind(LDAP *, PWCHAR, PWCHAR, ULONG)
{
    fake::Directory &d = fake::directory();
    if (d.bindGate) // a directory that takes the connection and then says nothing, for a while
        WaitForSingleObject(d.bindGate, 30000);
    return d.bindResult;
}
ULONG __cdecl FakeSearch(LDAP *, PWCHAR, ULONG, PWCHAR, PWCHAR[], ULONG, l_timeval *, LDAPMessage **res)
{
    *res = Take({&fake::directory().base}); // the root entry
    return 0;
}
PLDAPSearch __cdecl FakeInitPage(PLDAP, PWCHAR, ULONG, PWCHAR, PWCHAR[], ULONG, PLDAPControlW *, PLDAPControlW *,
                                 ULONG, ULONG, PLDAPSortKeyW *)
{
    g_next = g_page = 0;
    return (PLDAPSearch)&g_next;
}
ULONG __cdecl FakeNextPage(PLDAP, PLDAPSearch, l_timeval *, ULONG size, ULONG *, LDAPMessage **res)
{
    const size_t count = fake::directory().names.size();
    if (g_page == 1 && fake::directory().pageGate)
        WaitForSingleObject(fake::directory().pageGate, 30000);
    if (g_page++ == fake::directory().failPage)
        return *res = NULL, fake::directory().failResult;
    if (g_next >= count)
        return *res = NULL, LDAP_NO_RESULTS_RETURNED;
    std::vector<const std::wstring *> page;
    for (; g_next < count && page.size() < size; ++g_next)
        page.push_back(&fake::directory().names[g_next]);
    *res = Take(page);
    return g_next >= count && fake::directory().lastPageEnds ? LDAP_NO_RESULTS_RETURNED : 0;
}
ULONG __cdecl FakeAbandon(PLDAP, PLDAPSearch) { return 0; }
ULONG __cdecl FakeMsgFree(LDAPMessage *m) { return delete (Message *)m, ++fake::directory().given, 0; }
LDAPMessage *__cdecl FakeFirst(LDAP *, LDAPMessage *m)
{
    Message *msg = (Message *)m;
    return msg->entries.empty() ? NULL : (LDAPMessage *)&msg->entries[0];
}
LDAPMessage *__cdecl FakeNext(LDAP *, LDAPMessage *e)
{
    Entry *at = (Entry *)e;
    return at->index + 1 < at->owner->entries.size() ? (LDAPMessage *)&at->owner->entries[at->index + 1] : NULL;
}
PWCHAR *__cdecl FakeValues(LDAP *, LDAPMessage *e, PWCHAR)
{
    ++fake::directory().taken;
    return new PWCHAR[2]{_wcsdup(((Entry *)e)->text->c_str()), NULL};
}
ULONG __cdecl FakeValueFree(PWCHAR *v) { return free(v[0]), delete[] v, ++fake::directory().given, 0; }

} // namespace

extern "C" {
decltype(&FakeInit) __imp_ldap_initW = FakeInit;
decltype(&FakeUnbind) __imp_ldap_unbind = FakeUnbind;
decltype(&FakeSetOption) __imp_ldap_set_optionW = FakeSetOption;
decltype(&FakeConnect) __imp_ldap_connect = FakeConnect;
decltype(&FakeBind) __imp_ldap_bind_sW = FakeBind;
decltype(&FakeSearch) __imp_ldap_search_stW = FakeSearch;
decltype(&FakeInitPage) __imp_ldap_search_init_pageW = FakeInitPage;
decltype(&FakeNextPage) __imp_ldap_get_next_page_s = FakeNextPage;
decltype(&FakeAbandon) __imp_ldap_search_abandon_page = FakeAbandon;
decltype(&FakeMsgFree) __imp_ldap_msgfree = FakeMsgFree;
decltype(&FakeFirst) __imp_ldap_first_entry = FakeFirst;
decltype(&FakeNext) __imp_ldap_next_entry = FakeNext;
decltype(&FakeValues) __imp_ldap_get_valuesW = FakeValues;
decltype(&FakeValueFree) __imp_ldap_value_freeW = FakeValueFree;
}
