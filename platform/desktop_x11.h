// The X11 desktop for the window commands: the active window's title, the
// top-level windows with their titles (top of the stacking order first)
// and the state changes a script asks of them, through Xlib and the EWMH
// properties a window manager keeps. Titles are UTF-8 here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace palavrino::platform {

enum class DesktopStatus {
    Ok,
    NoDisplay, // DISPLAY unset or the X server unreachable
    Failed, // the server refused the request
};

struct DesktopWindow {
    uint64_t id { 0 };
    std::string title;
};

enum class WindowAction { Close, Normal, Maximize, Minimize };

// The title of the window that has the focus; empty when none has.
[[nodiscard]] DesktopStatus ActiveWindowTitle(std::string& title);

// The window that has the focus (0 for none).
[[nodiscard]] DesktopStatus ActiveWindowId(uint64_t& id);

// The managed top-level windows with a non-empty title, top first.
[[nodiscard]] DesktopStatus ListWindows(std::vector<DesktopWindow>& windows);

// Closes (politely, as the close button does), restores and activates,
// maximises and activates, or minimises a window.
[[nodiscard]] DesktopStatus ApplyWindowAction(uint64_t window, WindowAction action);

} // namespace palavrino::platform
