// Constant tables shared by start-up and the windows.
#pragma once

#include <array>
#include <string_view>

namespace vantrel {

// One edition of the served product.
struct TAppDescriptionRec {
    std::string_view FileName;      // the edition's add-in library, no directory
    std::string_view ProjectID;     // the update server's name for the edition
    std::string_view RegistryPath;  // put in front of "\Vantrel" to form the state key
};

// The two editions, in the order in which detection prefers them on a tie.
inline constexpr std::array<TAppDescriptionRec, 2> AppDescriptions = {{
    {"kvoutlook.dll", "Orbisk4Outlook", ""},
    {"orbisk4inside.dll", "Orbisk4OutlookEx", ""},
}};

}  // namespace vantrel
