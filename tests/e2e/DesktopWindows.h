// What the X server of a test desktop says about a process's windows, read
// with the same tools a person would use (xdotool, xwininfo), and clicks
// sent the same way. The program under test is a child process, so its
// widgets cannot be asked directly.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::test {

struct TXWindow {
    unsigned long Id = 0;
    std::string Name;  // WM_NAME as xwininfo quotes it
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool Viewable = false;  // mapped, and every ancestor mapped too
};

class TXDesktop {
public:
    explicit TXDesktop(std::string display) : FDisplay(std::move(display)) {}

    // Every window whose _NET_WM_PID is `pid` and that still exists.
    std::vector<TXWindow> WindowsOf(pid_t pid) const;
    std::optional<TXWindow> Describe(unsigned long id) const;

    // Whether `id` has been embedded into the tint2 panel (its tray).
    bool InPanel(unsigned long id) const;

    // A left click at (x, y) in the window's own coordinates.
    void Click(unsigned long id, int x, int y) const;

    // Runs xdotool with `args` ("key Return", "windowminimize 0x...").
    void Xdo(const std::string& args) const;

    // What xprop prints for the window's property `name`.
    std::string Property(unsigned long id, const std::string& name) const;

    // Whether the window manager holds the window minimised (WM_STATE Iconic).
    bool Iconic(unsigned long id) const;

    const std::string& Display() const { return FDisplay; }

private:
    std::string Run(const std::string& commandLine) const;

    std::string FDisplay;
};

// The window id as X tools print it ("0x" and lower-case hex).
std::string HexId(unsigned long id);

}  // namespace vantrel::test
