// A private X desktop for the tests: Xvfb on a display number it picks
// itself (-displayfd), the openbox window manager with a configuration of
// our own, and test clients whose windows have known titles and whose
// received events land in log files. Every wait has a deadline, and every
// process started here dies with the test process, even when it is killed.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace palavrino::testing {

// How long any single wait of the tests may take before it is a failure:
// generous, because the suite runs two at a time on a loaded machine.
constexpr std::chrono::seconds X11_WAIT_LIMIT { 30 };

// Polls `done` every 20 ms until it is true (true) or the limit passes (false).
bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = X11_WAIT_LIMIT);

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

    // Starts openbox again if it has gone; false when it cannot manage
    // windows within the wait limit.
    bool EnsureWindowManager();
    // Sets the keyboard layout (setxkbmap LAYOUT [-model MODEL]).
    bool SetLayout(const std::string& layout, const std::string& model = "");

    // Opens a test-client window titled `title` (UTF-8) logging to `log`,
    // after `delay_ms` when given; returns at once.
    void OpenWindow(const std::string& title, const std::string& log, int delay_ms = 0);
    // Waits until the focused window's title is `title`.
    [[nodiscard]] bool AwaitActive(const std::string& title) const;
    // A window's _NET_WM_STATE atoms by name, found by its title.
    std::vector<std::string> WindowState(const std::string& title) const;
    // The screen position of the window's client area; false if not found.
    bool ClientOrigin(const std::string& title, int& x, int& y) const;
    // Starts a private D-Bus session bus (stopped with the desktop) and
    // gives its address; false when dbus-daemon cannot start.
    bool StartSessionBus(std::string& address);
    // Starts a program and leaves it running (it is stopped with the desktop).
    void RunInBackground(const std::vector<std::string>& argv) { Spawn(argv); }
    // Runs a program to its end (killed past the wait limit); its status.
    int RunToEnd(const std::vector<std::string>& argv);

private:
    pid_t Spawn(const std::vector<std::string>& argv, int keep_fd = -1);
    bool StartWindowManager();
    bool m_started { false };
    std::string m_reason;
    std::string m_display;
    std::string m_home; // openbox's configuration and cache
    pid_t m_server { -1 };
    pid_t m_wm { -1 };
    std::vector<pid_t> m_children; // each the leader of its own group
};

} // namespace palavrino::testing
