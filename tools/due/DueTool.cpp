// vantrel-due: answers a scheduler whether the client is due to run, from
// the update mode and next check date in the user's registry store. Exit 0:
// due; 1: not due; 2: bad command line or clock setting.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "core/Dates.h"
#include "platform/RegistryStore.h"
#include "tools/due/DueDecision.h"

namespace {

constexpr int kExitDue = 0;
constexpr int kExitNotDue = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: vantrel-due [-q]\n"
    "  Exits 0 when a check by the Vantrel client is due and 1 when it is not,\n"
    "  from the update mode and next check date the client stored in\n"
#ifdef _WIN32
    "  HKEY_CURRENT_USER\\Vantrel. Prints the reason unless -q is given.\n"
#else
    "  $XDG_CONFIG_HOME/vantrel/user.reg. Prints the reason unless -q is given.\n"
#endif
    "  VANTREL_NOW (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS, local) sets the clock.\n";

int Usage(const std::string& error) {
    std::fprintf(stderr, "vantrel-due: %s\n%s", error.c_str(), kUsage);
    return kExitUsage;
}

// The client ignores a clock setting it cannot read; here that would answer
// for the wrong day without a word, so it is refused instead.
bool ClockSettingReadable() {
    const char* now = std::getenv("VANTREL_NOW");
    return now == nullptr || *now == '\0' || vantrel::ParseDateTimeText(now).has_value();
}

vantrel::tools::TDueVerdict Decide() {
    using namespace vantrel::tools;
    try {
        const auto stored = ReadStoredSchedule(vantrel::platform::TRegistryStore::ForCurrentUser());
        return DecideDue(stored, vantrel::Today());
    } catch (const TDamagedState& e) {
        return DamagedVerdict(e.what());
    } catch (const std::exception& e) {
        // No store can be found at all (no home directory): nothing
        // records a check, so one is due.
        return {true, std::string("the update state cannot be located (") + e.what() +
                          "), so a check is due"};
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return kExitDue;
        } else {
            return Usage("unknown argument " + arg);
        }
    }
    if (!ClockSettingReadable())
        return Usage(std::string("VANTREL_NOW is not a date: \"") + std::getenv("VANTREL_NOW") +
                     "\"");
    const vantrel::tools::TDueVerdict verdict = Decide();
    if (!quiet)
        std::printf("%s: %s\n", verdict.Due ? "due" : "not due", verdict.Reason.c_str());
    return verdict.Due ? kExitDue : kExitNotDue;
}
