#include "platform/InternetState.h"

#include <windows.h>
#include <wininet.h>

namespace vantrel::platform {
namespace {

std::optional<bool> g_override;

}  // namespace

// WinINet's own answer: some connection (LAN, modem or proxy) is configured
// and up. A machine it calls offline is not asked anything.
bool IsInternetConnected() {
    if (g_override)
        return *g_override;
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

void SetInternetConnectedOverride(std::optional<bool> connected) {
    g_override = connected;
}

}  // namespace vantrel::platform
