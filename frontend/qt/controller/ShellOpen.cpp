#include "frontend/qt/controller/ShellOpen.h"

#include <QDesktopServices>

#include <utility>

namespace vantrel {
namespace {

TShellOpenFunction& CurrentShellOpen() {
    static TShellOpenFunction open = DesktopShellOpen;
    return open;
}

}  // namespace

bool DesktopShellOpen(const QUrl& target) {
    return QDesktopServices::openUrl(target);
}

TShellOpenFunction SetShellOpenFunction(TShellOpenFunction open) {
    return std::exchange(CurrentShellOpen(), open ? std::move(open) : DesktopShellOpen);
}

bool ShellOpen(const QUrl& target) {
    return CurrentShellOpen()(target);
}

bool IsWebAddress(const QUrl& address) {
    if (!address.isValid() || address.host().isEmpty())
        return false;
    const QString scheme = address.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

}  // namespace vantrel
