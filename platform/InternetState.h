// Whether the machine has a network connection, with a seam for tests.
#pragma once

#include <optional>

namespace vantrel::platform {

// True when some network interface is up and running with an address.
// Loopback counts: a server on this machine is a reachable update server
// (staging, tests), and a machine whose only link is loopback can still
// reach it.
bool IsInternetConnected();

// Replaces the real answer until called again with std::nullopt.
void SetInternetConnectedOverride(std::optional<bool> connected);

}  // namespace vantrel::platform
