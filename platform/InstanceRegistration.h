// The registration of a user's running instance: what makes a second start
// a second start, whatever its session, environment or login.
#pragma once

#include <optional>
#include <string>

#include "platform/Processes.h"

namespace vantrel::platform {

struct TInstanceClaim {
    // This process is now the running instance.
    bool Registered = false;
    // Another process is the running instance.
    bool OtherRuns = false;
    // That process, when the platform can name it.
    std::optional<TProcess> Running;
};

// Registers this process as the running instance of the user's state,
// unless another process already is. Never waits, and exactly one of any
// number of simultaneous claims succeeds. The registration is a record
// lock on "instance.lock" in the user's private configuration directory,
// held until the process ends, however it ends (the kernel drops it with
// the process, so nothing stale is left). Neither flag is set when no
// registration can be made (no usable configuration directory).
TInstanceClaim ClaimInstance();

// The endpoint on which the registered instance `pid` listens, from the
// record it published when it registered; nothing when `pid` is not the
// registered instance.
std::optional<std::string> RegisteredEndpoint(pid_t pid);  // Linux only

// The endpoint this process listens on: an abstract socket name (no file,
// gone with the process) carrying the uid, the pid and a random part that
// only readers of the private registration record learn, so that no one
// else can occupy the name first.
std::string OwnEndpointName();  // Linux only

}  // namespace vantrel::platform
