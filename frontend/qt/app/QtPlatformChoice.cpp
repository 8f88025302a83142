#include "frontend/qt/app/QtPlatformChoice.h"

#include <cstdlib>
#include <cstring>

namespace vantrel {
namespace {

bool Given(const char* value) {
    return value != nullptr && *value != '\0';
}

}  // namespace

std::optional<std::string> QtPlatformToAsk(
    const std::function<const char*(const char*)>& environment) {
    if (Given(environment("QT_QPA_PLATFORM")))
        return std::nullopt;
    const char* sessionType = environment("XDG_SESSION_TYPE");
    const bool wayland = Given(environment("WAYLAND_DISPLAY")) ||
                         (sessionType != nullptr && std::strcmp(sessionType, "wayland") == 0);
    if (wayland && Given(environment("DISPLAY")))
        return std::string("xcb");
    return std::nullopt;
}

void AskQtForPlatform() {
    const std::optional<std::string> platform =
        QtPlatformToAsk([](const char* name) { return std::getenv(name); });
    if (platform)
        setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
}

}  // namespace vantrel
