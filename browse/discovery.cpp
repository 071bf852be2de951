// The computers of the local network, found as Windows' Network folder finds
// them where there is no domain: WS-Discovery. Every Windows PC with network
// discovery on answers a multicast Probe (its Function Discovery Resource
// Publication service), and so does a Samba server that runs wsdd; each
// one's metadata, fetched over HTTP, names it. Whatever answers may be
// hostile: its XML is read by XmlLite, DTDs prohibited, within limits of
// size and depth, and a name that no Windows computer can have is dropped.
#include "app/text.h"
#include "browse/browse.h"
#include "browse/lookup.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <objbase.h>
#include <winhttp.h>
#include <xmllite.h>

#include <stdio.h>
#include <string.h>

namespace {

const USHORT kPort = (3702 >> 8) | (3702 & 0xFF) << 8; // WS-Discovery's port, in network order
const DWORD kAnswerMs = 3000;   // Windows Firewall lets the answers to a multicast in for about 3 s
const DWORD kStepMs = 2000;     // each step of a host's metadata: its connection, request, answer, each read
const DWORD kHostMs = 5000;     // a host's whole metadata
const int kMaxDatagram = 16384; // a larger answer is dropped
const DWORD kMaxDocument = 65536;
const UINT kMaxDepth = 16;      // elements within elements
const int kMaxBindings = 32;    // namespace declarations in scope
const int kMaxHosts = MAXIMUM_WAIT_OBJECTS; // hosts fetched in one lookup, each on a thread of its own
const int kMaxInterfaces = 16;
const int kCchEpr = 128;        // an endpoint's address (urn:uuid: and 36 more)
const int kCchXAddrs = 1024;
const int kCchComputer = 65;    // a name's 63 units and one more, which tells a longer name

const WCHAR kSoap[] = L"http://www.w3.org/2003/05/soap-envelope";
const WCHAR kWsa[] = L"http://schemas.xmlsoap.org/ws/2004/08/addressing";
const WCHAR kWsd[] = L"http://schemas.xmlsoap.org/ws/2005/04/discovery";
const WCHAR kPub[] = L"http://schemas.microsoft.com/windows/pub/2005/07";
const WCHAR kXmlns[] = L"http://www.w3.org/2000/xmlns/";

// A message's head: its action, its own id and, for the metadata, its target.
const char kHead[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\" "
    "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
    "xmlns:wsd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
    "xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\">"
    "<soap:Header><wsa:To>%s</wsa:To><wsa:Action>%s</wsa:Action><wsa:MessageID>urn:uuid:%s</wsa:MessageID>";
const char kDiscoveryTo[] = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
// wsdd answers only a Probe for exactly wsdp:Device, without Scopes.
const char kProbe[] = "</soap:Header><soap:Body><wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe>"
                      "</soap:Body></soap:Envelope>";
const char kResolve[] = "</soap:Header><soap:Body><wsd:Resolve><wsa:EndpointReference><wsa:Address>%s"
                        "</wsa:Address></wsa:EndpointReference></wsd:Resolve></soap:Body></soap:Envelope>";
const char kGet[] = "<wsa:ReplyTo><wsa:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous"
                    "</wsa:Address></wsa:ReplyTo></soap:Header><soap:Body/></soap:Envelope>";

typedef HRESULT(WINAPI *CreateXmlReaderProc)(REFIID, void **, IMalloc *);

// A document in memory, as XmlLite reads it. It lives on the stack of the
// one who reads it, who ends the reading before it goes.
struct MemoryStream : ISequentialStream {
    const char *data;
    ULONG cb, at;
    MemoryStream(const char *d, ULONG n) : data(d), cb(n), at(0) {}
    virtual ~MemoryStream() {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(ISequentialStream) ? this : NULL;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(void *buf, ULONG cbWanted, ULONG *cbRead) override
    {
        ULONG n = cbWanted < cb - at ? cbWanted : cb - at;
        CopyMemory(buf, data + at, n);
        at += n;
        if (cbRead)
            *cbRead = n;
        return n < cbWanted ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void *, ULONG, ULONG *) override { return STG_E_ACCESSDENIED; }
};

// The elements that a reading looks for, by namespace and local name.
enum Tag { kOther, kEnvelope, kBody, kProbeMatches, kProbeMatch, kResolveMatches, kResolveMatch, kEpr, kAddress,
           kTypes, kXAddrs, kComputer };
Tag TagOf(const WCHAR *ns, const WCHAR *local)
{
    static const struct {
        const WCHAR *ns, *local;
        Tag tag;
    } kTags[] = {{kSoap, L"Envelope", kEnvelope},         {kSoap, L"Body", kBody},
                 {kWsd, L"ProbeMatches", kProbeMatches},   {kWsd, L"ProbeMatch", kProbeMatch},
                 {kWsd, L"ResolveMatches", kResolveMatches}, {kWsd, L"ResolveMatch", kResolveMatch},
                 {kWsa, L"EndpointReference", kEpr},       {kWsa, L"Address", kAddress},
                 {kWsd, L"Types", kTypes},                 {kWsd, L"XAddrs", kXAddrs},
                 {kPub, L"Computer", kComputer}};
    for (const auto &t : kTags)
        if (lstrcmpW(t.local, local) == 0 && lstrcmpW(t.ns, ns) == 0)
            return t.tag;
    return kOther;
}

// A text of bounded length: one that outgrows it is spoilt, or cut where
// only its beginning counts.
struct Text {
    WCHAR *buf;
    int cchMax, cch;
    bool cut, spoilt;
    void Add(const WCHAR *s, UINT n)
    {
        if (n > (UINT)(cchMax - 1 - cch)) {
            spoilt = !cut;
            n = cut ? (UINT)(cchMax - 1 - cch) : 0;
        }
        CopyMemory(buf + cch, s, n * sizeof *s);
        cch += (int)n;
        buf[cch] = L'\0';
    }
};

// One device of an answer.
struct Match {
    WCHAR epr[kCchEpr], xaddrs[kCchXAddrs];
    bool computer; // its types include pub:Computer
};

// Reads a document node by node, keeping the path of the open elements'
// tags and the namespace declarations in scope. At an element's start and
// at its end the element is the last of the path, its declarations in scope.
struct Reading {
    IXmlReader *reader;
    Tag path[kMaxDepth];
    UINT depth;
    bool emptyOpen, popPending;
    struct Binding {
        UINT depth;
        WCHAR prefix[32]; // a longer prefix is kept as one that no name spells
        bool pub;
    } bindings[kMaxBindings];
    int cBindings;
};

bool Begin(Reading *r, IXmlReader *reader, MemoryStream *stream)
{
    ZeroMemory(r, sizeof *r);
    r->reader = reader;
    return SUCCEEDED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) &&
           SUCCEEDED(reader->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxDepth)) &&
           SUCCEEDED(reader->SetInput(stream));
}

// Whether prefix (cch units) names pub's namespace where the reading stands.
bool IsPub(const Reading *r, const WCHAR *prefix, int cch)
{
    for (int i = r->cBindings - 1; i >= 0; --i)
        if (lstrlenW(r->bindings[i].prefix) == cch && memcmp(r->bindings[i].prefix, prefix, cch * sizeof(WCHAR)) == 0)
            return r->bindings[i].pub;
    return false;
}

// The reading ends: the reader lets go of the stream. ok says whether the
// whole document was read.
bool End(Reading *r, bool *ok, bool whole)
{
    *ok = whole;
    r->reader->SetInput(NULL);
    return false;
}

// Keeps the namespace declarations of the element where the reader stands.
bool KeepBindings(Reading *r)
{
    const WCHAR *ns, *prefix, *name, *value;
    for (HRESULT a = r->reader->MoveToFirstAttribute(); a == S_OK; a = r->reader->MoveToNextAttribute()) {
        if (FAILED(r->reader->GetNamespaceUri(&ns, NULL)) || lstrcmpW(ns, kXmlns) != 0)
            continue;
        if (r->cBindings == kMaxBindings || FAILED(r->reader->GetPrefix(&prefix, NULL)) ||
            FAILED(r->reader->GetLocalName(&name, NULL)) || FAILED(r->reader->GetValue(&value, NULL)))
            return false;
        Reading::Binding *b = &r->bindings[r->cBindings++];
        b->depth = r->depth;
        b->pub = lstrcmpW(value, kPub) == 0;
        const WCHAR *declared = prefix[0] ? name : L""; // xmlns:p declares p; xmlns alone the default
        lstrcpynW(b->prefix, lstrlenW(declared) < 32 ? declared : L"\x1", 32);
    }
    return SUCCEEDED(r->reader->MoveToElement());
}

// The next node: an element's start or end (an empty element gives both),
// or a text. False at the end of the document or at a fault.
bool Next(Reading *r, XmlNodeType *type, bool *ok)
{
    if (r->popPending) {
        --r->depth;
        while (r->cBindings > 0 && r->bindings[r->cBindings - 1].depth > r->depth)
            --r->cBindings;
        r->popPending = false;
    }
    if (r->emptyOpen) {
        r->emptyOpen = false;
        *type = XmlNodeType_EndElement;
        return r->popPending = true;
    }
    HRESULT hr = r->reader->Read(type);
    if (hr != S_OK)
        return End(r, ok, hr == S_FALSE);
    if (*type == XmlNodeType_EndElement) {
        r->popPending = true;
    } else if (*type == XmlNodeType_Element) {
        const WCHAR *ns, *local;
        if (r->depth == kMaxDepth || FAILED(r->reader->GetNamespaceUri(&ns, NULL)) ||
            FAILED(r->reader->GetLocalName(&local, NULL)))
            return End(r, ok, false);
        r->path[r->depth++] = TagOf(ns, local);
        r->emptyOpen = r->reader->IsEmptyElement();
        if (!KeepBindings(r))
            return End(r, ok, false);
    }
    return true;
}

// Whether a list of qualified names holds pub:Computer, its prefixes
// resolved where the reading stands.
bool NamesComputer(const Reading *r, const WCHAR *types)
{
    for (const WCHAR *p = types; *p;) {
        while (*p == L' ' || *p == L'\t' || *p == L'\r' || *p == L'\n')
            ++p;
        const WCHAR *start = p, *colon = NULL;
        for (; *p && *p != L' ' && *p != L'\t' && *p != L'\r' && *p != L'\n'; ++p)
            if (*p == L':' && !colon)
                colon = p;
        const WCHAR *local = colon ? colon + 1 : start;
        if (p - local == 8 && memcmp(local, L"Computer", 8 * sizeof(WCHAR)) == 0 &&
            IsPub(r, start, colon ? (int)(colon - start) : 0))
            return true;
    }
    return false;
}

// The devices that an answer names: those of Envelope/Body/ProbeMatches/
// ProbeMatch and Envelope/Body/ResolveMatches/ResolveMatch, whose fields
// fit. Returns their count; 0 for a document that does not read whole.
int ReadAnswer(IXmlReader *reader, const char *data, int cb, Match *matches, int cMax)
{
    MemoryStream stream(data, (ULONG)cb);
    Reading r;
    if (!Begin(&r, reader, &stream))
        return 0;
    int count = 0;
    Match m = {};
    WCHAR types[512];
    Text field = {};
    UINT fieldDepth = 0;
    XmlNodeType type;
    bool ok = true, spoilt = false;
    while (Next(&r, &type, &ok)) {
        const Tag *p = r.path;
        if (r.depth < 4 || p[0] != kEnvelope || p[1] != kBody ||
            !((p[2] == kProbeMatches && p[3] == kProbeMatch) || (p[2] == kResolveMatches && p[3] == kResolveMatch)))
            continue;
        if (type == XmlNodeType_Element) {
            if (r.depth == 4)
                m = {}, spoilt = false;
            else if (r.depth == 5 && p[4] == kTypes)
                field = {types, 512, 0, false, false}, types[0] = L'\0', fieldDepth = 5;
            else if (r.depth == 5 && p[4] == kXAddrs)
                field = {m.xaddrs, kCchXAddrs, 0, false, false}, fieldDepth = 5;
            else if (r.depth == 6 && p[4] == kEpr && p[5] == kAddress)
                field = {m.epr, kCchEpr, 0, false, false}, fieldDepth = 6;
        } else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && field.buf && r.depth == fieldDepth) {
            const WCHAR *value;
            UINT cch;
            if (SUCCEEDED(reader->GetValue(&value, &cch)))
                field.Add(value, cch);
        } else if (type == XmlNodeType_EndElement) {
            if (field.buf && r.depth == fieldDepth) {
                if (field.buf == types && !field.spoilt)
                    m.computer = m.computer || NamesComputer(&r, types);
                spoilt = spoilt || field.spoilt;
                field = {};
            } else if (r.depth == 4 && !spoilt && count < cMax) {
                matches[count++] = m;
            }
        }
    }
    return ok ? count : 0;
}

// The text of the first pub:Computer of the metadata, in units, cut to
// kCchComputer - 1; 0 for a document that does not read whole or has none.
int ReadComputer(IXmlReader *reader, const char *data, DWORD cb, WCHAR *text)
{
    MemoryStream stream(data, cb);
    Reading r;
    if (!Begin(&r, reader, &stream))
        return 0;
    Text computer = {text, kCchComputer, 0, true, false};
    UINT at = 0; // the depth of the pub:Computer read, while it is open
    bool found = false, ok = true;
    XmlNodeType type;
    while (Next(&r, &type, &ok)) {
        if (type == XmlNodeType_Element && !found && r.path[r.depth - 1] == kComputer)
            at = r.depth, found = true;
        else if (type == XmlNodeType_EndElement && r.depth == at)
            at = 0;
        else if ((type == XmlNodeType_Text || type == XmlNodeType_CDATA) && r.depth == at) {
            const WCHAR *value;
            UINT cch;
            if (SUCCEEDED(reader->GetValue(&value, &cch)))
                computer.Add(value, cch);
        }
    }
    return ok && found ? computer.cch : 0;
}

// The interfaces that multicast: each one's IPv4 address, and the index of
// each one that has IPv6.
struct Interfaces {
    IN_ADDR v4[kMaxInterfaces];
    ULONG v6[kMaxInterfaces];
    int c4, c6;
};

void FindInterfaces(Interfaces *ifs)
{
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER |
                        GAA_FLAG_SKIP_FRIENDLY_NAME;
    ULONG cb = 16384, rc = ERROR_BUFFER_OVERFLOW;
    IP_ADAPTER_ADDRESSES *all = NULL;
    for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) { // the adapters may change between
        if (all)
            HeapFree(GetProcessHeap(), 0, all);
        if (!(all = (IP_ADAPTER_ADDRESSES *)HeapAlloc(GetProcessHeap(), 0, cb)))
            return;
        rc = GetAdaptersAddresses(AF_UNSPEC, flags, NULL, all, &cb);
    }
    for (IP_ADAPTER_ADDRESSES *a = rc == NO_ERROR ? all : NULL; a; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK ||
            (a->Flags & IP_ADAPTER_NO_MULTICAST))
            continue;
        bool v4 = false, v6 = false;
        for (IP_ADAPTER_UNICAST_ADDRESS *u = a->FirstUnicastAddress; u; u = u->Next) {
            const SOCKADDR *sa = u->Address.lpSockaddr;
            if (sa && sa->sa_family == AF_INET && !v4 && ifs->c4 < kMaxInterfaces)
                ifs->v4[ifs->c4++] = ((const SOCKADDR_IN *)sa)->sin_addr, v4 = true;
            else if (sa && sa->sa_family == AF_INET6 && !v6 && ifs->c6 < kMaxInterfaces && // Wine 8 gives no Ipv6IfIndex
                     (ifs->v6[ifs->c6] = a->Ipv6IfIndex ? a->Ipv6IfIndex : a->IfIndex) != 0)
                ++ifs->c6, v6 = true;
        }
    }
    HeapFree(GetProcessHeap(), 0, all);
}

// A message multicast again after a delay, as SOAP over UDP repeats it.
struct Outgoing {
    char text[1536];
    int cb;
    int left;  // sends to come
    DWORD at;  // the next one's tick
    DWORD gap; // the delay before it, doubled after each
};

// One lookup's state, on the worker's heap.
struct Discovery {
    Lookup *l;
    CreateXmlReaderProc create;
    IXmlReader *reader;
    SOCKET s4, s6; // open while there are interfaces of the family: ifs.c4, ifs.c6
    Interfaces ifs;
    HINTERNET session;
    Outgoing out[1 + kMaxHosts]; // the probe and a resolve for each device
    int cOut;
    struct Asked {
        WCHAR epr[kCchEpr];
        SOCKADDR_STORAGE from; // zeroed for a resolve
    } asked[2 * kMaxHosts];    // every device resolved, every host fetched
    int cAsked;
    HANDLE threads[kMaxHosts]; // each host's fetch
    int cThreads;
    DWORD until; // answers are awaited until then
    char datagram[kMaxDatagram];
};

// A host whose metadata its thread fetches.
struct Host {
    Discovery *d;
    WCHAR host[64];
    INTERNET_PORT port;
    WCHAR path[kCchXAddrs];
    char epr[kCchEpr];
};

// A new message id, the 36 characters of a random UUID.
bool NewId(char *id, size_t cb)
{
    GUID g;
    if (FAILED(CoCreateGuid(&g)))
        return false;
    snprintf(id, cb, "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", (unsigned long)g.Data1, g.Data2, g.Data3,
             g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return true;
}

// Head and body of a message, its body's one field filled with arg.
int Compose(char *buf, size_t cb, const char *to, const char *action, const char *body, const char *arg)
{
    char id[40];
    if (!NewId(id, sizeof id))
        return 0;
    int n = snprintf(buf, cb, kHead, to, action, id);
    int m = n > 0 && (size_t)n < cb ? snprintf(buf + n, cb - n, body, arg) : -1;
    return m > 0 && (size_t)(n + m) < cb ? n + m : 0;
}

// An endpoint's address goes into a Resolve and a Get as it came: only the
// characters of a URN, none that XML or HTTP would read otherwise.
bool PlainEpr(const WCHAR *epr, char *out)
{
    int i = 0;
    for (; epr[i]; ++i) {
        WCHAR c = epr[i];
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L':' ||
              c == L'-' || c == L'.' || c == L'_'))
            return false;
        out[i] = (char)c;
    }
    out[i] = '\0';
    return i > 0;
}

void Queue(Discovery *d, const char *action, const char *body, const char *arg)
{
    if (d->cOut == sizeof d->out / sizeof d->out[0])
        return;
    Outgoing *o = &d->out[d->cOut];
    if (!(o->cb = Compose(o->text, sizeof o->text, kDiscoveryTo, action, body, arg)))
        return;
    o->left = 2; // sent once and repeated once, UDP_MIN_DELAY to UDP_MAX_DELAY later
    o->at = GetTickCount();
    o->gap = 50 + GetTickCount() % 201;
    ++d->cOut;
}

// Multicasts the messages that are due, hop limit 1, on every interface; one
// sent for the last time leaves the queue. Returns the ticks until the next
// one is due.
DWORD SendDue(Discovery *d, DWORD now)
{
    DWORD next = INFINITE;
    for (int i = 0; i < d->cOut;) {
        Outgoing *o = &d->out[i];
        if ((LONG)(o->at - now) <= 0) {
            for (int k = 0; k < d->ifs.c4; ++k) {
                SOCKADDR_IN to = {};
                to.sin_family = AF_INET;
                to.sin_port = kPort;
                to.sin_addr.S_un.S_un_b = {239, 255, 255, 250};
                setsockopt(d->s4, IPPROTO_IP, IP_MULTICAST_IF, (const char *)&d->ifs.v4[k], sizeof d->ifs.v4[k]);
                sendto(d->s4, o->text, o->cb, 0, (const SOCKADDR *)&to, sizeof to);
            }
            for (int k = 0; k < d->ifs.c6; ++k) {
                SOCKADDR_IN6 to = {};
                to.sin6_family = AF_INET6;
                to.sin6_port = kPort;
                to.sin6_addr.s6_addr[0] = 0xFF, to.sin6_addr.s6_addr[1] = 0x02, to.sin6_addr.s6_addr[15] = 0x0C;
                to.sin6_scope_id = d->ifs.v6[k];
                setsockopt(d->s6, IPPROTO_IPV6, IPV6_MULTICAST_IF, (const char *)&d->ifs.v6[k], sizeof d->ifs.v6[k]);
                sendto(d->s6, o->text, o->cb, 0, (const SOCKADDR *)&to, sizeof to);
            }
            d->until = now + kAnswerMs;
            if (--o->left == 0) {
                *o = d->out[--d->cOut];
                continue;
            }
            o->at = now + o->gap;
            o->gap *= 2;
        }
        if (o->at - now < next)
            next = o->at - now;
        ++i;
    }
    return next;
}

SOCKET OpenSocket(int family)
{
    SOCKET s = socket(family, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET)
        return s;
    DWORD hops = 1;
    SOCKADDR_STORAGE any = {};
    any.ss_family = (ADDRESS_FAMILY)family;
    if (bind(s, (SOCKADDR *)&any, family == AF_INET ? sizeof(SOCKADDR_IN) : sizeof(SOCKADDR_IN6)) != 0 ||
        setsockopt(s, family == AF_INET ? IPPROTO_IP : IPPROTO_IPV6,
                   family == AF_INET ? IP_MULTICAST_TTL : IPV6_MULTICAST_HOPS, (const char *)&hops, sizeof hops) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

bool SameAddress(const SOCKADDR_STORAGE *a, const SOCKADDR_STORAGE *b)
{
    if (a->ss_family != b->ss_family)
        return false;
    if (a->ss_family == AF_INET)
        return ((const SOCKADDR_IN *)a)->sin_addr.s_addr == ((const SOCKADDR_IN *)b)->sin_addr.s_addr;
    return a->ss_family == AF_INET6 &&
           memcmp(&((const SOCKADDR_IN6 *)a)->sin6_addr, &((const SOCKADDR_IN6 *)b)->sin6_addr, 16) == 0;
}

// Whether a device was resolved already (from null) or a host fetched; if
// not, it is now, unless there is no room for it.
bool Ask(Discovery *d, const WCHAR *epr, const SOCKADDR_STORAGE *from)
{
    SOCKADDR_STORAGE none = {};
    if (!from)
        from = &none;
    for (int i = 0; i < d->cAsked; ++i)
        if (lstrcmpW(d->asked[i].epr, epr) == 0 && d->asked[i].from.ss_family == from->ss_family &&
            (!from->ss_family || SameAddress(&d->asked[i].from, from)))
            return false;
    if (d->cAsked == sizeof d->asked / sizeof d->asked[0])
        return false;
    lstrcpynW(d->asked[d->cAsked].epr, epr, kCchEpr);
    d->asked[d->cAsked++].from = *from;
    return true;
}

// The first address of xaddrs that is plain HTTP to the host that answered,
// without credentials, into h. A device named by one host is not fetched
// from another.
bool PickAddress(const WCHAR *xaddrs, const SOCKADDR_STORAGE *from, Host *h)
{
    for (const WCHAR *p = xaddrs; *p;) {
        while (*p == L' ' || *p == L'\t' || *p == L'\r' || *p == L'\n')
            ++p;
        const WCHAR *start = p;
        while (*p && *p != L' ' && *p != L'\t' && *p != L'\r' && *p != L'\n')
            ++p;
        URL_COMPONENTS url = {};
        url.dwStructSize = sizeof url;
        url.dwHostNameLength = url.dwUrlPathLength = url.dwUserNameLength = url.dwPasswordLength = (DWORD)-1;
        if (p == start || !WinHttpCrackUrl(start, (DWORD)(p - start), 0, &url) ||
            url.nScheme != INTERNET_SCHEME_HTTP || url.dwUserNameLength || url.dwPasswordLength ||
            url.dwHostNameLength == 0 || url.dwHostNameLength >= 64 || !url.lpszUrlPath)
            continue;
        const WCHAR *host = url.lpszHostName;
        int cch = (int)url.dwHostNameLength;
        if (host[0] == L'[') { // an IPv6 literal, read here: Wine 8 ends it at its first colon
            const WCHAR *close = wcschr(host, L']'), *digit = close ? close + 2 : NULL;
            if (!close || close >= p)
                continue;
            cch = (int)(close - host) - 1;
            ++host;
            DWORD port = INTERNET_DEFAULT_HTTP_PORT;
            if (close[1] == L':') {
                for (port = 0; port <= 0xFFFF && digit < p && *digit >= L'0' && *digit <= L'9'; ++digit)
                    port = port * 10 + (DWORD)(*digit - L'0');
                if (port > 0xFFFF || digit == close + 2)
                    continue;
            }
            url.nPort = (INTERNET_PORT)port;
        }
        if (cch <= 0 || cch > 45) // the longest address, its zone aside
            continue;
        lstrcpynW(h->host, host, cch + 1);
        // A zone is the sender's name for its own interface: the answer's is ours.
        if (WCHAR *zone = wcschr(h->host, L'%'))
            cch = (int)(zone - h->host), *zone = L'\0';
        SOCKADDR_STORAGE named = {};
        named.ss_family = from->ss_family;
        void *addr = from->ss_family == AF_INET ? (void *)&((SOCKADDR_IN *)&named)->sin_addr
                                                 : (void *)&((SOCKADDR_IN6 *)&named)->sin6_addr;
        if (InetPtonW(from->ss_family, h->host, addr) != 1 || !SameAddress(&named, from))
            continue;
        const SOCKADDR_IN6 *from6 = (const SOCKADDR_IN6 *)from;
        if (from->ss_family == AF_INET6 && from6->sin6_scope_id)
            _snwprintf(h->host + cch, 64 - cch, L"%%%lu", from6->sin6_scope_id);
        h->port = url.nPort;
        lstrcpynW(h->path, url.lpszUrlPath, (int)(p - url.lpszUrlPath) + 1);
        return true;
    }
    return false;
}

// The metadata of a host (a WS-Transfer Get), within its time limits: no
// proxy, no redirect, no credentials, no cookie. Its document is in *doc,
// *cb bytes, at most kMaxDocument.
bool Get(Host *h, char **doc, DWORD *cb)
{
    DWORD start = GetTickCount();
    char body[1536];
    int cbBody = Compose(body, sizeof body, h->epr, "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get", kGet, "");
    HINTERNET connect = cbBody ? WinHttpConnect(h->d->session, h->host, h->port, 0) : NULL;
    HINTERNET request = connect ? WinHttpOpenRequest(connect, L"POST", h->path, NULL, WINHTTP_NO_REFERER,
                                                     WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                : NULL;
    DWORD wait = kStepMs, never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER, high = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    DWORD off = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION;
    DWORD status = 0, cbStatus = sizeof status;
    // The content type goes without a charset: wsdd2 answers 400 to any
    // parameter. WinHttpSetTimeouts' receive time-out does not end the wait for the
    // answer's head under Wine; this option does, on Windows too.
    bool ok = request && WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &wait, sizeof wait) &&
              WinHttpSetOption(request, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never) &&
              WinHttpSetOption(request, WINHTTP_OPTION_AUTOLOGON_POLICY, &high, sizeof high) &&
              WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &off, sizeof off) &&
              WinHttpSendRequest(request, L"Content-Type: application/soap+xml\r\n", (DWORD)-1,
                                 body, (DWORD)cbBody, (DWORD)cbBody, 0) &&
              WinHttpReceiveResponse(request, NULL) &&
              WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                  WINHTTP_HEADER_NAME_BY_INDEX, &status, &cbStatus, WINHTTP_NO_HEADER_INDEX) &&
              status == 200 && (*doc = (char *)HeapAlloc(GetProcessHeap(), 0, kMaxDocument + 1)) != NULL;
    // A host that answers a byte at a time is given up at its time limit.
    DWORD got = 0;
    for (*cb = 0; ok && *cb <= kMaxDocument; *cb += got) {
        ok = GetTickCount() - start < kHostMs && WinHttpReadData(request, *doc + *cb, kMaxDocument + 1 - *cb, &got);
        if (ok && got == 0)
            break;
    }
    ok = ok && *cb <= kMaxDocument;
    if (request)
        WinHttpCloseHandle(request);
    if (connect)
        WinHttpCloseHandle(connect);
    return ok;
}

// A host's thread: its metadata names it, and a name that a Windows
// computer can have joins the list.
DWORD WINAPI FetchThread(void *param)
{
    Host *h = (Host *)param;
    char *doc = NULL;
    DWORD cb = 0;
    IXmlReader *reader = NULL;
    WCHAR computer[kCchComputer];
    char szEntry[202];
    if (Get(h, &doc, &cb) && SUCCEEDED(h->d->create(__uuidof(IXmlReader), (void **)&reader, NULL))) {
        int cch = ReadComputer(reader, doc, cb, computer);
        size_t name = ComputerNameOf((const unsigned short *)computer, (size_t)cch);
        if (name && EntryFromWide(computer, (int)name, szEntry, sizeof szEntry)) {
            ServerPage page = {};
            KeepServer(&page, szEntry);
            HandOver(h->d->l, &page);
        }
    }
    if (reader)
        reader->Release();
    if (doc)
        HeapFree(GetProcessHeap(), 0, doc);
    HeapFree(GetProcessHeap(), 0, h);
    return 0;
}

// Fetches a device's metadata from the host that answered for it, on a
// thread of its own: a host that never answers holds no other.
void Fetch(Discovery *d, const Match *m, const SOCKADDR_STORAGE *from)
{
    Host *h = (Host *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *h);
    if (!h)
        return;
    h->d = d;
    if (d->cThreads < kMaxHosts && PlainEpr(m->epr, h->epr) && PickAddress(m->xaddrs, from, h) &&
        Ask(d, m->epr, from)) {
        if (!d->session && (d->session = WinHttpOpen(L"Zelvane", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                                     WINHTTP_NO_PROXY_BYPASS, 0)) != NULL)
            WinHttpSetTimeouts(d->session, (int)kStepMs, (int)kStepMs, (int)kStepMs, (int)kStepMs);
        HANDLE thread = d->session ? CreateThread(NULL, 262144, FetchThread, h, STACK_SIZE_PARAM_IS_A_RESERVATION, NULL)
                                   : NULL;
        if (thread) {
            d->threads[d->cThreads++] = thread;
            return;
        }
    }
    HeapFree(GetProcessHeap(), 0, h);
}

// An answer: each computer that it names is fetched from the host that
// sent it, or resolved first when the answer gives no address.
void Receive(Discovery *d, SOCKET s)
{
    SOCKADDR_STORAGE from = {};
    int cbFrom = sizeof from;
    int cb = recvfrom(s, d->datagram, kMaxDatagram, 0, (SOCKADDR *)&from, &cbFrom);
    if (cb <= 0) // a datagram larger than the buffer among them
        return;
    Match matches[4];
    int count = ReadAnswer(d->reader, d->datagram, cb, matches, 4);
    for (int i = 0; i < count; ++i) {
        const Match *m = &matches[i];
        char epr[kCchEpr];
        if (!m->computer || !PlainEpr(m->epr, epr))
            continue;
        if (m->xaddrs[0])
            Fetch(d, m, &from);
        else if (Ask(d, m->epr, NULL))
            Queue(d, "http://schemas.xmlsoap.org/ws/2005/04/discovery/Resolve", kResolve, epr);
    }
}

// Probes the local network and takes the answers until none is awaited.
LONG Discover(Lookup *l, const void *interfaces)
{
    Discovery *d = (Discovery *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *d);
    WSADATA wsa;
    if (!d || WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        if (d)
            HeapFree(GetProcessHeap(), 0, d);
        return kLookupUnreached;
    }
    d->l = l;
    HMODULE xmllite = LoadLibraryA("xmllite.dll"); // from System32: the search is restricted to it
    d->create = xmllite ? (CreateXmlReaderProc)(void (*)(void))GetProcAddress(xmllite, "CreateXmlReader") : NULL;
    CopyMemory(&d->ifs, interfaces, sizeof d->ifs); // found by the window, as it decided to look
    if (d->ifs.c4 && (d->s4 = OpenSocket(AF_INET)) == INVALID_SOCKET)
        d->ifs.c4 = 0;
    if (d->ifs.c6 && (d->s6 = OpenSocket(AF_INET6)) == INVALID_SOCKET)
        d->ifs.c6 = 0;
    if (d->create && SUCCEEDED(d->create(__uuidof(IXmlReader), (void **)&d->reader, NULL)) &&
        (d->ifs.c4 || d->ifs.c6)) {
        Queue(d, "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe", kProbe, "");
        d->until = GetTickCount(); // unless the probe goes, nothing is awaited
        for (DWORD now = GetTickCount(), next; !Abandoned(l); now = GetTickCount()) {
            next = SendDue(d, now);
            if ((LONG)(d->until - now) <= 0)
                break;
            DWORD wait = d->until - now < next ? d->until - now : next;
            fd_set ready;
            FD_ZERO(&ready);
            if (d->ifs.c4)
                FD_SET(d->s4, &ready);
            if (d->ifs.c6)
                FD_SET(d->s6, &ready);
            timeval tv = {(long)(wait / 1000), (long)(wait % 1000 * 1000)};
            if (select(0, &ready, NULL, NULL, &tv) < 0)
                break;
            if (d->ifs.c4 && FD_ISSET(d->s4, &ready))
                Receive(d, d->s4);
            if (d->ifs.c6 && FD_ISSET(d->s6, &ready))
                Receive(d, d->s6);
        }
    }
    if (d->cThreads)
        WaitForMultipleObjects((DWORD)d->cThreads, d->threads, TRUE, INFINITE);
    for (int i = 0; i < d->cThreads; ++i)
        CloseHandle(d->threads[i]);
    if (d->session)
        WinHttpCloseHandle(d->session);
    if (d->reader)
        d->reader->Release();
    if (d->ifs.c4)
        closesocket(d->s4);
    if (d->ifs.c6)
        closesocket(d->s6);
    WSACleanup();
    if (xmllite)
        FreeLibrary(xmllite);
    HeapFree(GetProcessHeap(), 0, d);
    return kLookupComplete;
}

} // namespace

LookupSource g_networkLookup = {Discover, NULL, NULL, NULL, false, NULL, NULL}; // quiet: nothing to report

bool FindNetworkServers(HWND hwndNotify)
{
    Interfaces ifs = {};
    if (!g_networkLookup.awaited && (FindInterfaces(&ifs), ifs.c4 + ifs.c6 == 0))
        return false; // no network: nothing to look for
    static_assert(sizeof ifs <= kCbSubject, "the interfaces are the lookup's subject");
    return StartLookup(&g_networkLookup, hwndNotify, &ifs, sizeof ifs);
}
