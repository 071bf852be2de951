// iphlpapi, ws2_32's datagrams and winhttp: a local network whose hosts
// answer as a test scripts them. The lookup's threads call these, so every
// record is kept under one lock.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#define _WINHTTP_INTERNAL_ // defined here, whether the header says dllimport (Debian 13) or not (12)
#include <winhttp.h>

#include "fakes/fakes.h"

#include <algorithm>
#include <deque>
#include <string.h>

namespace fake {
Network &network()
{
    static Network n;
    return n;
}
} // namespace fake

namespace {

SRWLOCK g_lock = SRWLOCK_INIT;
struct Locked {
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
};
std::deque<fake::Network::Answer> g_queue; // answers on their way

std::string Narrow(const WCHAR *w)
{
    char buf[2048];
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, buf, sizeof buf, NULL, NULL);
    return std::string(buf, n > 0 ? n - 1 : 0);
}

} // namespace

extern "C" ULONG WINAPI GetAdaptersAddresses(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES all, PULONG cb)
{
    struct Layout {
        IP_ADAPTER_ADDRESSES adapter;
        IP_ADAPTER_UNICAST_ADDRESS unicast, unicast6;
        SOCKADDR_IN address;
        SOCKADDR_IN6 address6;
    };
    if (!fake::network().up)
        return ERROR_NO_DATA;
    const ULONG needed = 32768; // more than a first guess: the adapters grew since
    if (++fake::network().adapterQueries, *cb < needed)
        return *cb = needed, ERROR_BUFFER_OVERFLOW;
    Layout *l = (Layout *)all;
    memset(l, 0, sizeof *l);
    l->adapter.OperStatus = IfOperStatusUp;
    l->adapter.IfType = IF_TYPE_ETHERNET_CSMACD;
    l->adapter.FirstUnicastAddress = &l->unicast;
    l->unicast.Address.lpSockaddr = (SOCKADDR *)&l->address;
    l->address.sin_family = AF_INET;
    l->address.sin_addr.s_addr = htonl(0x0A000001);
    l->adapter.Ipv6IfIndex = 1;
    l->unicast.Next = &l->unicast6;
    l->unicast6.Address.lpSockaddr = (SOCKADDR *)&l->address6;
    l->address6.sin6_family = AF_INET6;
    l->address6.sin6_addr.s6_addr[0] = 0xFE, l->address6.sin6_addr.s6_addr[1] = 0x80;
    return NO_ERROR;
}

namespace {

SOCKET WSAAPI FakeSocket(int, int, int)
{
    Locked lock;
    return ++fake::network().sockets, (SOCKET)(0x1000 + fake::network().sockets);
}
int WSAAPI FakeBind(SOCKET, const sockaddr *, int) { return 0; }
int WSAAPI FakeSetsockopt(SOCKET, int, int, const char *, int) { return 0; }
int WSAAPI FakeClosesocket(SOCKET)
{
    Locked lock;
    return --fake::network().sockets, 0;
}
int WSAAPI FakeSendto(SOCKET, const char *buf, int len, int, const sockaddr *, int)
{
    Locked lock;
    std::string text(buf, len);
    fake::network().sent.push_back(text);
    for (const fake::Network::Answer &a : fake::network().answers)
        if (text.find(a.trigger) != std::string::npos)
            g_queue.push_back(a);
    return len;
}

// Ready while an answer waits. Once none does, a wait until a message is
// repeated (at most UDP_UPPER_DELAY) passes as it would; a longer one, for
// answers alone, fails at once: the network has said all.
int WSAAPI FakeSelect(int, fd_set *read, fd_set *, fd_set *, const timeval *wait)
{
    DWORD ms = (DWORD)(wait->tv_sec * 1000 + wait->tv_usec / 1000);
    {
        Locked lock;
        if (!g_queue.empty())
            return read->fd_count = 1, 1; // the first socket, IPv4's
    }
    if (ms > 500)
        return WSASetLastError(WSAENETDOWN), SOCKET_ERROR;
    Sleep(ms);
    return 0;
}

int WSAAPI FakeRecvfrom(SOCKET, char *buf, int len, int, sockaddr *from, int *cbFrom)
{
    Locked lock;
    if (g_queue.empty())
        return WSASetLastError(WSAEWOULDBLOCK), SOCKET_ERROR;
    fake::Network::Answer a = g_queue.front();
    g_queue.pop_front();
    SOCKADDR_IN6 *in = (SOCKADDR_IN6 *)from; // as large as any
    memset(in, 0, sizeof *in);
    in->sin6_family = a.from.find(':') == std::string::npos ? AF_INET : AF_INET6;
    inet_pton(in->sin6_family, a.from.c_str(), in->sin6_family == AF_INET ? (void *)&((SOCKADDR_IN *)in)->sin_addr
                                                                          : (void *)&in->sin6_addr);
    *cbFrom = in->sin6_family == AF_INET ? sizeof(SOCKADDR_IN) : sizeof *in;
    if ((int)a.text.size() > len)
        return WSASetLastError(WSAEMSGSIZE), SOCKET_ERROR;
    return memcpy(buf, a.text.data(), a.text.size()), (int)a.text.size();
}

} // namespace

extern "C" {
decltype(&FakeSocket) __imp_socket = FakeSocket;
decltype(&FakeBind) __imp_bind = FakeBind;
decltype(&FakeSetsockopt) __imp_setsockopt = FakeSetsockopt;
decltype(&FakeClosesocket) __imp_closesocket = FakeClosesocket;
decltype(&FakeSendto) __imp_sendto = FakeSendto;
decltype(&FakeSelect) __imp_select = FakeSelect;
decltype(&FakeRecvfrom) __imp_recvfrom = FakeRecvfrom;
}

// WinHTTP: a handle is its request's "host:port/path" as it grows. The
// platform's own WinHttpCrackUrl reads the addresses.
namespace {
struct Handle {
    std::string url;
    size_t read = 0;
};
HINTERNET Open(const std::string &url)
{
    Locked lock;
    return ++fake::network().handles, new Handle{url};
}
Handle *Of(HINTERNET h) { return (Handle *)h; }
} // namespace

extern "C" {
HINTERNET WINAPI WinHttpOpen(LPCWSTR, DWORD access, LPCWSTR, LPCWSTR, DWORD)
{
    return fake::network().access = access, Open("");
}
BOOL WINAPI WinHttpSetTimeouts(HINTERNET, int, int, int, int) { return TRUE; }
HINTERNET WINAPI WinHttpConnect(HINTERNET, LPCWSTR host, INTERNET_PORT port, DWORD)
{
    return Open(Narrow(host) + ":" + std::to_string(port));
}
HINTERNET WINAPI WinHttpOpenRequest(HINTERNET connect, LPCWSTR, LPCWSTR path, LPCWSTR, LPCWSTR, LPCWSTR *, DWORD)
{
    return Open(Of(connect)->url + Narrow(path));
}
BOOL WINAPI WinHttpSetOption(HINTERNET, DWORD option, LPVOID value, DWORD)
{
    Locked lock;
    return fake::network().options[option] = *(DWORD *)value, TRUE;
}
BOOL WINAPI WinHttpSendRequest(HINTERNET h, LPCWSTR, DWORD, LPVOID, DWORD, DWORD, DWORD_PTR)
{
    Locked lock;
    return fake::network().fetched.push_back(Of(h)->url), TRUE;
}
BOOL WINAPI WinHttpReceiveResponse(HINTERNET h, LPVOID)
{
    HANDLE gate;
    {
        Locked lock;
        auto page = fake::network().pages.find(Of(h)->url);
        if (page == fake::network().pages.end())
            return SetLastError(ERROR_WINHTTP_CANNOT_CONNECT), FALSE;
        gate = page->second.gate;
    }
    if (gate) // a host that takes the request and says nothing, for a while
        WaitForSingleObject(gate, 30000);
    return TRUE;
}
BOOL WINAPI WinHttpQueryHeaders(HINTERNET h, DWORD, LPCWSTR, LPVOID buf, LPDWORD, LPDWORD)
{
    Locked lock;
    return *(DWORD *)buf = fake::network().pages[Of(h)->url].status, TRUE;
}
// A page comes 4 KB at a time.
BOOL WINAPI WinHttpReadData(HINTERNET h, LPVOID buf, DWORD cb, LPDWORD got)
{
    Locked lock;
    const std::string &body = fake::network().pages[Of(h)->url].body;
    *got = (DWORD)std::min<size_t>({cb, 4096, body.size() - Of(h)->read});
    memcpy(buf, body.data() + Of(h)->read, *got);
    Of(h)->read += *got;
    return TRUE;
}
BOOL WINAPI WinHttpCloseHandle(HINTERNET h)
{
    Locked lock;
    return --fake::network().handles, delete Of(h), TRUE;
}
// Called through these where the header says dllimport.
decltype(&WinHttpOpen) __imp_WinHttpOpen = WinHttpOpen;
decltype(&WinHttpSetTimeouts) __imp_WinHttpSetTimeouts = WinHttpSetTimeouts;
decltype(&WinHttpConnect) __imp_WinHttpConnect = WinHttpConnect;
decltype(&WinHttpOpenRequest) __imp_WinHttpOpenRequest = WinHttpOpenRequest;
decltype(&WinHttpSetOption) __imp_WinHttpSetOption = WinHttpSetOption;
decltype(&WinHttpSendRequest) __imp_WinHttpSendRequest = WinHttpSendRequest;
decltype(&WinHttpReceiveResponse) __imp_WinHttpReceiveResponse = WinHttpReceiveResponse;
decltype(&WinHttpQueryHeaders) __imp_WinHttpQueryHeaders = WinHttpQueryHeaders;
decltype(&WinHttpReadData) __imp_WinHttpReadData = WinHttpReadData;
decltype(&WinHttpCloseHandle) __imp_WinHttpCloseHandle = WinHttpCloseHandle;
}
