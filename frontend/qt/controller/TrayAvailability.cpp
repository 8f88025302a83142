#include "frontend/qt/controller/TrayAvailability.h"

#include <QSystemTrayIcon>

namespace vantrel {
namespace {

std::optional<bool> g_override;

}  // namespace

bool IsTrayAvailable() {
    if (g_override)
        return *g_override;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SetTrayAvailableOverride(std::optional<bool> available) {
    g_override = available;
}

}  // namespace vantrel
