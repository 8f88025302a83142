// Whether a scheduled start of the client is due, from the update mode and
// next check date that the client stored at the end of its last run. The
// client itself never compares the date; whoever starts it on a schedule
// asks here first.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/Dates.h"
#include "platform/RegistryStore.h"

namespace vantrel::tools {

// What the client left in its state key. A value the key does not hold
// reads as the client reads it: mode 0, no date.
struct TStoredSchedule {
    std::uint8_t Mode = 0;
    std::optional<TDateTime> NextScheduledUpdate;
};

// A store or state key that the client would refuse to load (and would
// replace by its defaults at the end of the next run).
class TDamagedState : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The state key's schedule; nothing when no state is stored (no store file,
// or no key in it). Throws TDamagedState for a store that does not parse or
// cannot be read, and for a key whose values break the client's rules.
std::optional<TStoredSchedule> ReadStoredSchedule(const platform::TRegistryStore& store);

struct TDueVerdict {
    bool Due = true;
    std::string Reason;  // one line for the person reading the scheduler's log
};

// The answer for what is stored (nothing: never run yet) on `today` (a local
// date at midnight).
TDueVerdict DecideDue(const std::optional<TStoredSchedule>& stored, TDateTime today);

// The answer when the state cannot be read: due, so that a run happens and
// the client writes a sound state again.
TDueVerdict DamagedVerdict(const std::string& why);

}  // namespace vantrel::tools
