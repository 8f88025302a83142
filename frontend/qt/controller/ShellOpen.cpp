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

}  // namespace vantrel
