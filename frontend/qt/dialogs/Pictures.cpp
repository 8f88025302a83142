#include "frontend/qt/dialogs/Pictures.h"

#include <QString>

#include <cstring>

// The resource file lives in a static library: its initialiser is only kept
// when called by name.
static void InitDialogPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace vantrel {

namespace {

struct TPictureName {
    const char* Resource;
    const char* File;
};

constexpr TPictureName kPictures[] = {
    {"ORBISK4LOGO64", "logo64.png"},  {"GLOBESMALL", "globe24.png"},
    {"POPUPLOGO", "popuplogo32.png"}, {"POPUPGO", "go16.png"},
    {"POPUPCLOSE", "close16.png"},
};

}  // namespace

QPixmap LoadPicture(const char* resourceName) {
    static const bool initialised = (InitDialogPictures(), true);
    (void)initialised;
    for (const TPictureName& picture : kPictures) {
        if (std::strcmp(picture.Resource, resourceName) == 0)
            return QPixmap(QStringLiteral(":/vantrel/pictures/") +
                           QString::fromLatin1(picture.File));
    }
    return {};
}

}  // namespace vantrel
