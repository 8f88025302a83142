// Opening an address or a file with the user's associated program. The main
// window opens the product's web site and the downloaded package through this
// one seam, so that tests can put a recorder in place of the desktop.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace vantrel {

// Opens `target`; false when the desktop refused or could not be asked.
using TShellOpenFunction = std::function<bool(const QUrl& target)>;

// Asks the desktop (xdg-open underneath) to open `target`.
bool DesktopShellOpen(const QUrl& target);

// The function that ShellOpen calls: DesktopShellOpen until a test replaces
// it. Returns the one it replaces, so that a test can put it back.
TShellOpenFunction SetShellOpenFunction(TShellOpenFunction open);

bool ShellOpen(const QUrl& target);

}  // namespace vantrel
