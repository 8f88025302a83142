#include "frontend/qt/controls/ControlColors.h"

#include <QGuiApplication>
#include <QPalette>

#include <optional>

namespace vantrel {
namespace {

struct TSystemColorRole {
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// Window-system colour indices mapped to the palette roles that play the
// same part in a Qt style.
std::optional<TSystemColorRole> PaletteRoleOf(std::uint32_t index) {
    using P = QPalette;
    switch (index) {
        case 4:  // menu
            return TSystemColorRole{P::Active, P::Window};
        case 5:  // window
            return TSystemColorRole{P::Active, P::Base};
        case 6:  // window frame
            return TSystemColorRole{P::Active, P::Shadow};
        case 7:  // menu text
            return TSystemColorRole{P::Active, P::WindowText};
        case 8:  // window text
            return TSystemColorRole{P::Active, P::Text};
        case 13:  // highlight
            return TSystemColorRole{P::Active, P::Highlight};
        case 14:  // highlight text
            return TSystemColorRole{P::Active, P::HighlightedText};
        case 15:  // button face
            return TSystemColorRole{P::Active, P::Button};
        case 16:  // button shadow
            return TSystemColorRole{P::Active, P::Dark};
        case 17:  // grey text
            return TSystemColorRole{P::Disabled, P::Text};
        case 18:  // button text
            return TSystemColorRole{P::Active, P::ButtonText};
        case 20:  // button highlight
            return TSystemColorRole{P::Active, P::Light};
        case 21:  // 3D dark shadow
            return TSystemColorRole{P::Active, P::Shadow};
        case 22:  // 3D light
            return TSystemColorRole{P::Active, P::Midlight};
        case 23:  // tooltip text
            return TSystemColorRole{P::Active, P::ToolTipText};
        case 24:  // tooltip background
            return TSystemColorRole{P::Active, P::ToolTipBase};
        default:
            return std::nullopt;
    }
}

std::optional<TColor> PaletteColor(std::uint32_t index) {
    const auto role = PaletteRoleOf(index);
    if (!role)
        return std::nullopt;
    const QColor c = QGuiApplication::palette().color(role->Group, role->Role);
    return RGBToColor(c.red(), c.green(), c.blue());
}

// Installed as soon as the controls are linked in, so that colour
// arithmetic done before the first paint already sees the palette.
const bool paletteColorsInstalled = (SetSystemColorLookup(PaletteColor), true);

}  // namespace

void UseApplicationPaletteColors() {
    SetSystemColorLookup(PaletteColor);
}

QColor ResolveColor(TColor color) {
    UseApplicationPaletteColors();
    return ToQColor(ResolveRgb(color));
}

TColor QColorToColor(const QColor& color) {
    return RGBToColor(color.red(), color.green(), color.blue());
}

}  // namespace vantrel
