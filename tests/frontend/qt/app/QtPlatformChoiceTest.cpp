// The platform plugin asked of Qt for each kind of session.
#include <gtest/gtest.h>

#include <map>

#include "frontend/qt/app/QtPlatformChoice.h"

namespace vantrel::test {
namespace {

TEST(QtPlatformChoice, AsksForX11OnlyOnWaylandWithAnXServerAndNoChoiceOfTheUser) {
    struct TCase {
        const char* Name;
        std::map<std::string, std::string> Environment;
        std::optional<std::string> Expected;
    };
    const TCase cases[] = {
        {"X11 session", {{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}, std::nullopt},
        {"Wayland with XWayland", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, "xcb"},
        {"session type only", {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}}, "xcb"},
        {"pure Wayland", {{"WAYLAND_DISPLAY", "wayland-0"}}, std::nullopt},
        {"empty DISPLAY", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}}, std::nullopt},
        {"user's choice",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
         std::nullopt},
        {"empty choice is none",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", ""}},
         "xcb"},
        {"other session type",
         {{"XDG_SESSION_TYPE", "wayland-ish"}, {"DISPLAY", ":0"}},
         std::nullopt},
        {"nothing", {}, std::nullopt},
    };
    for (const TCase& c : cases) {
        const auto lookup = [&c](const char* name) -> const char* {
            const auto it = c.Environment.find(name);
            return it == c.Environment.end() ? nullptr : it->second.c_str();
        };
        EXPECT_EQ(QtPlatformToAsk(lookup), c.Expected) << c.Name;
    }
}

}  // namespace
}  // namespace vantrel::test
