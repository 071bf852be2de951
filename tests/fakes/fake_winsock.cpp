// ws2_32 fakes: the sockets layer that names this machine.
#include <winsock2.h>

#include "fakes/fakes.h"

#include <string.h>

namespace fake {
Winsock &winsock()
{
    static Winsock w;
    return w;
}
} // namespace fake

namespace {

thread_local bool t_network; // this thread started the sockets for the network lookup

int WSAAPI FakeWSAStartup(WORD version, LPWSADATA data)
{
    if (version == MAKEWORD(2, 2)) { // the network lookup's, on its worker
        t_network = true;
        InterlockedIncrement(&fake::network().startups);
        memset(data, 0, sizeof *data);
        return 0;
    }
    fake::Winsock &w = fake::winsock();
    w.versions.push_back(version);
    fake::Events().push_back("WSAStartup");
    if (w.startupError)
        return w.startupError;
    ++w.startups;
    memset(data, 0, sizeof *data);
    data->wVersion = version;
    return 0;
}

int WSAAPI FakeWSACleanup()
{
    if (t_network)
        return InterlockedDecrement(&fake::network().startups), 0;
    ++fake::winsock().cleanups;
    fake::Events().push_back("WSACleanup");
    return 0;
}

int WSAAPI FakeGethostname(char *name, int len)
{
    const std::optional<std::string> &host = fake::winsock().hostName;
    if (!host || (int)host->size() + 1 > len)
        return SOCKET_ERROR; // as the platform does when the name does not fit
    memcpy(name, host->c_str(), host->size() + 1);
    return 0;
}

} // namespace

extern "C" {
decltype(&FakeWSAStartup) __imp_WSAStartup = FakeWSAStartup;
decltype(&FakeWSACleanup) __imp_WSACleanup = FakeWSACleanup;
decltype(&FakeGethostname) __imp_gethostname = FakeGethostname;
}
