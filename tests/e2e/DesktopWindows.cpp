#include "tests/e2e/DesktopWindows.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/support/DesktopSession.h"

namespace vantrel::test {
namespace {

std::optional<int> Field(const std::string& report, const std::string& name) {
    return WinInfoValue(report, name);
}

// xwininfo's first line: `xwininfo: Window id: 0x600006 "Vantrel - Paused"`;
// a window without a name reads `(has no name)` instead of the quotes.
std::string QuotedName(const std::string& report) {
    const std::size_t line = report.find("Window id:");
    if (line == std::string::npos)
        return {};
    const std::size_t end = report.find('\n', line);
    const std::string first = report.substr(line, end - line);
    const std::size_t open = first.find('"');
    const std::size_t close = first.rfind('"');
    if (open == std::string::npos || close <= open)
        return {};
    return first.substr(open + 1, close - open - 1);
}

}  // namespace

std::string HexId(unsigned long id) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

std::string TXDesktop::Run(const std::string& commandLine) const {
    return CommandOutput("DISPLAY=" + FDisplay + " " + commandLine + " 2>/dev/null");
}

std::optional<TXWindow> TXDesktop::Describe(unsigned long id) const {
    const std::string report = Run("xwininfo -id " + HexId(id));
    const auto x = Field(report, "Absolute upper-left X");
    const auto y = Field(report, "Absolute upper-left Y");
    const auto width = Field(report, "Width");
    const auto height = Field(report, "Height");
    if (!x || !y || !width || !height)
        return std::nullopt;  // gone meanwhile
    TXWindow window;
    window.Id = id;
    window.Name = QuotedName(report);
    window.X = *x;
    window.Y = *y;
    window.Width = *width;
    window.Height = *height;
    window.Viewable = report.find("Map State: IsViewable") != std::string::npos;
    return window;
}

std::vector<TXWindow> TXDesktop::WindowsOf(pid_t pid) const {
    std::istringstream ids(Run("xdotool search --pid " + std::to_string(pid)));
    std::vector<TXWindow> windows;
    for (unsigned long id = 0; ids >> id;) {
        if (const std::optional<TXWindow> window = Describe(id))
            windows.push_back(*window);
    }
    return windows;
}

bool TXDesktop::InPanel(unsigned long id) const {
    // The tree lists every descendant of the panel, the embedded icons with
    // their embedding windows among them.
    const std::string tree = Run("xwininfo -name tint2 -tree");
    return tree.find(HexId(id) + " ") != std::string::npos;
}

void TXDesktop::Click(unsigned long id, int x, int y) const {
    // Without --sync, which waits for a motion that never comes when the
    // pointer is there already; the server takes the move before the click.
    Run("xdotool mousemove --window " + HexId(id) + " " + std::to_string(x) + " " +
        std::to_string(y) + " click 1");
}

void TXDesktop::Xdo(const std::string& args) const {
    Run("xdotool " + args);
}

std::string TXDesktop::Property(unsigned long id, const std::string& name) const {
    return Run("xprop -id " + HexId(id) + " " + name);
}

bool TXDesktop::Iconic(unsigned long id) const {
    return Property(id, "WM_STATE").find("window state: Iconic") != std::string::npos;
}

}  // namespace vantrel::test
