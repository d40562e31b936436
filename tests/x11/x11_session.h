// A private X desktop for the tests: Xvfb on a display number it picks
// itself (-displayfd), the openbox window manager, and test clients whose
// windows have known titles and whose received events land in log files.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace palavrino::testing {

class X11Desktop {
public:
    // Starts Xvfb and openbox and points DISPLAY at them; Started() tells
    // whether it worked, Reason() why not.
    X11Desktop();
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    bool Started() const { return m_started; }
    const std::string& Reason() const { return m_reason; }
    const std::string& Display() const { return m_display; }

    // Opens a test-client window titled `title` (UTF-8) logging to `log`,
    // after `delay_ms` when given; returns at once.
    void OpenWindow(const std::string& title, const std::string& log, int delay_ms = 0);
    // Waits until the focused window's title is `title`.
    void AwaitActive(const std::string& title) const;
    // A window's _NET_WM_STATE atoms by name, found by its title.
    std::vector<std::string> WindowState(const std::string& title) const;

private:
    pid_t Spawn(const std::vector<std::string>& argv, int keep_fd = -1);
    bool m_started { false };
    std::string m_reason;
    std::string m_display;
    std::vector<pid_t> m_children; // killed last to first
};

} // namespace palavrino::testing
