#include "core/UpdateStateStore.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "core/Dates.h"
#include "core/UpdateModes.h"
#include "core/UpdateState.h"
#include "core/iProcs.h"
#include "platform/RegistryStore.h"

namespace vantrel {
namespace {

using platform::TRegKey;
using platform::TRegValue;

class TLoadFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value read into `room` bytes of `field`: a shorter value fills the
// first bytes, a longer one or one of a text or number type fails the load.
void ReadBinaryInto(const TRegKey& key, const char* name, void* field, std::size_t room) {
    const TRegValue* value = key.Find(name);
    if (value == nullptr)
        return;
    if (value->Type == platform::RegString || value->Type == platform::RegExpandString ||
        value->Type == platform::RegDWord)
        throw TLoadFailure(std::string(name) + " has a text or number type");
    if (value->Data.size() > room)
        throw TLoadFailure(std::string(name) + " is longer than its field");
    std::memset(field, 0, room);
    std::memcpy(field, value->Data.data(), value->Data.size());
}

void ReadNextScheduledUpdate(const TRegKey& key) {
    const TRegValue* value = key.Find(kNextScheduledUpdateValue);
    if (value == nullptr)
        return;
    if (value->Type != platform::RegBinary || value->Data.size() != sizeof(double))
        throw TLoadFailure("the next check date is not an 8-byte binary value");
    std::memcpy(&UpdateState.NextScheduledUpdate, value->Data.data(), sizeof(double));
}

TRegValue Binary(const void* field, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(field);
    return TRegValue{platform::RegBinary, std::vector<std::uint8_t>(bytes, bytes + size)};
}

void WriteState(TRegKey& key) {
    // The fields are stored in the machine's byte order, which is
    // little-endian on every platform this program is built for.
    static_assert(std::endian::native == std::endian::little);
    key.Set(kUpdateStatusValue, Binary(&UpdateState.Status, 1));
    key.Set(kDownloadingVersionValue, Binary(&UpdateState.DownloadingVersion, 4));
    key.Set(kUpdateModeValue, Binary(&UpdateState.Mode, 1));
    if (UpdateState.Mode != ModeNever)
        key.Set(kNextScheduledUpdateValue, Binary(&UpdateState.NextScheduledUpdate, 8));
    else
        key.Remove(kNextScheduledUpdateValue);
}

// The store of this user, saying on standard error when a damaged store is
// repaired: the user's old state is gone, and where the damaged file went
// is worth knowing once.
platform::TRegistryStore UserStore() {
    platform::TRegistryStore store = platform::TRegistryStore::ForCurrentUser();
    store.SetNotice(
        [](const std::string& text) { std::fprintf(stderr, "vantrel: %s\n", text.c_str()); });
    return store;
}

// The date the next check is due in `mode`, counted from today.
TDateTime NextCheckDate(TUpdateMode mode) {
    const TDateTime today = Today();
    switch (mode) {
        case ModeNever:
            return 0;
        case ModeDaily:
            return today + 1;
        case ModeWeekly:
            return today + 7;
        case ModeMonthly: {
            const TDate date = DecodeDate(Now());
            return today + DaysInMonth(date.Year, date.Month);
        }
    }
    return 0;  // not reached: the switch names every mode
}

}  // namespace

std::string UpdateStateKey() {
    return RegistryPath + "\\Vantrel";
}

void ResetUpdateState() {
    UpdateState = TUpdateState{};
    Language = u"English";
}

void LoadUpdateState() {
    ResetUpdateState();
    try {
        const std::optional<TRegKey> key =
            platform::TRegistryStore::ForCurrentUser().ReadKey(UpdateStateKey());
        if (!key)
            return;
        ReadBinaryInto(*key, kUpdateStatusValue, &UpdateState.Status, 1);
        ReadBinaryInto(*key, kDownloadingVersionValue, &UpdateState.DownloadingVersion, 4);
        ReadBinaryInto(*key, kUpdateModeValue, &UpdateState.Mode, 1);
        ReadNextScheduledUpdate(*key);
    } catch (...) {
        ResetUpdateState();
    }
}

void ScheduleNextUpdate() {
    // A number that names no mode (stored by a newer program, or damaged)
    // keeps its date: nothing here knows how far such a mode looks ahead.
    if (const std::optional<TUpdateMode> mode = UpdateModeFromNumber(UpdateState.Mode))
        UpdateState.NextScheduledUpdate = NextCheckDate(*mode);
    if (UpdateState.Status != StatusDownloading)
        UpdateState.DownloadingVersion = 0;
}

void SaveUpdateState(bool Reschedule) {
    if (Reschedule)
        ScheduleNextUpdate();
    try {
        UserStore().EditKey(UpdateStateKey(), WriteState);
    } catch (const platform::RegistryLocked& e) {
        // Unlike other failures this one has a cause outside the program
        // that the user can find and end.
        std::fprintf(stderr, "vantrel: %s\n", e.what());
    } catch (...) {
        // Nothing is shown for a registry failure; the state is not saved.
    }
}

void DeleteUpdateState() {
    try {
        UserStore().DeleteKeyTree(UpdateStateKey());
    } catch (...) {
        // Nothing to report: an uninstall leaves what it cannot remove.
    }
}

}  // namespace vantrel
