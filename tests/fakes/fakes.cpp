#include "fakes/fakes.h"
#include "fakes/spooler.h"

namespace fake {

std::vector<std::string> &Events()
{
    static std::vector<std::string> events;
    return events;
}

void ResetAll()
{
    Events().clear();
    gdi() = Gdi();
    user() = User();
    kernel() = Kernel();
    winsock() = Winsock();
    shell() = Shell();
    directory() = Directory();
    network() = Network();
    ResetSpooler();
}

} // namespace fake
