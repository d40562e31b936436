// A private accessible desktop for the tests: Xvfb on a display number it
// picks itself, a session D-Bus of its own (which starts the accessibility
// bus and its registry on demand), and the GTK test program driven through
// its standard input and output. Everything started is killed, process
// group by process group, when the objects go.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace palavrino::testing {

class AccessibleDesktop {
public:
    // Starts the desktop and points DISPLAY and DBUS_SESSION_BUS_ADDRESS
    // at it; Started() tells whether it worked, Reason() why not.
    AccessibleDesktop();
    ~AccessibleDesktop();
    AccessibleDesktop(const AccessibleDesktop&) = delete;
    AccessibleDesktop& operator=(const AccessibleDesktop&) = delete;

    bool Started() const { return m_started; }
    const std::string& Reason() const { return m_reason; }

private:
    bool Start();
    std::string m_reason;
    bool m_started { false };
    std::string m_runtime_dir;
    std::vector<pid_t> m_groups; // killed last to first
};

// A program talked to through its standard input and output: the GTK test
// program (tests/a11y/focus_app.cpp), or Palavrino itself.
class FocusApp {
public:
    explicit FocusApp(const std::vector<std::string>& argv);
    ~FocusApp();
    FocusApp(const FocusApp&) = delete;
    FocusApp& operator=(const FocusApp&) = delete;

    bool Running() const { return m_pid > 0; }
    // Sends a line and returns the program's answer line ("" when it
    // gave none within a generous bound, or died).
    std::string Ask(const std::string& line);
    bool Send(const std::string& line);
    // Closes standard input and waits for the program to end; its exit
    // status, or -1.
    int Finish();
    // The next line the program writes by itself (for "pronto").
    std::string NextLine();

private:
    pid_t m_pid { -1 };
    int m_in { -1 };
    int m_out { -1 };
    std::string m_pending;
};

} // namespace palavrino::testing
