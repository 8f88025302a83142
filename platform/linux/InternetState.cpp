#include "platform/InternetState.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

namespace vantrel::platform {
namespace {

std::optional<bool> g_override;

bool AnyInterfaceUp() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        // Not knowing is no reason to refuse the request: let it try.
        return true;
    }
    bool up = false;
    for (const ifaddrs* it = list; it != nullptr && !up; it = it->ifa_next) {
        if (it->ifa_addr == nullptr)
            continue;
        const int family = it->ifa_addr->sa_family;
        const bool hasAddress = family == AF_INET || family == AF_INET6;
        const bool running = (it->ifa_flags & IFF_UP) && (it->ifa_flags & IFF_RUNNING);
        up = hasAddress && running;
    }
    freeifaddrs(list);
    return up;
}

}  // namespace

bool IsInternetConnected() {
    if (g_override)
        return *g_override;
    return AnyInterfaceUp();
}

void SetInternetConnectedOverride(std::optional<bool> connected) {
    g_override = connected;
}

}  // namespace vantrel::platform
