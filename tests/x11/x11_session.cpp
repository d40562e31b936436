// Starting and stopping the tests' X desktop. Every wait here polls
// without a time limit of its own: ctest's timeout ends a run whose server
// never answers, and a server that dies is noticed at once.
#include "tests/x11/x11_session.h"

#include "platform/desktop_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace palavrino::testing {

namespace {

    void Nap()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    bool Alive(pid_t pid)
    {
        return ::waitpid(pid, nullptr, WNOHANG) == 0;
    }

    bool HasWindowManager(const std::string& display)
    {
        ::Display* d = XOpenDisplay(display.c_str());
        if (!d)
            return false;
        Atom type = None;
        int format = 0;
        unsigned long n = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False), 0, 1,
            False, XA_WINDOW, &type, &format, &n, &after, &data);
        const bool found = data && n == 1;
        if (data)
            XFree(data);
        XCloseDisplay(d);
        return found;
    }

} // namespace

pid_t X11Desktop::Spawn(const std::vector<std::string>& argv, int keep_fd)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    static_cast<void>(keep_fd); // inherited: opened without close-on-exec
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pid > 0)
        m_children.push_back(pid);
    return pid;
}

X11Desktop::X11Desktop()
{
    int fds[2];
    if (::pipe(fds) != 0) {
        m_reason = "pipe failed";
        return;
    }
    const pid_t server = Spawn({ "Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                                   "-noreset", "-nolisten", "tcp" },
        fds[1]);
    ::close(fds[1]);
    std::string number;
    char c = 0;
    while (server > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty()) {
        m_reason = "Xvfb could not start (install the xvfb package)";
        return;
    }
    m_display = ":" + number;
    ::setenv("DISPLAY", m_display.c_str(), 1);
    const pid_t wm = Spawn({ "openbox", "--sm-disable" });
    bool managed = false;
    while (wm > 0 && !(managed = HasWindowManager(m_display)) && Alive(wm))
        Nap();
    if (!managed) {
        m_reason = "openbox could not start (install the openbox package)";
        return;
    }
    m_started = true;
}

X11Desktop::~X11Desktop()
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it) {
        ::kill(*it, SIGTERM);
        ::waitpid(*it, nullptr, 0);
    }
}

void X11Desktop::OpenWindow(const std::string& title, const std::string& log, int delay_ms)
{
    if (delay_ms == 0) {
        Spawn({ PL_X11_CLIENT, title, log });
        return;
    }
    const std::string sleep = std::to_string(delay_ms / 1000) + "." + std::to_string(delay_ms % 1000 / 100);
    Spawn({ "sh", "-c", "sleep " + sleep + " && exec \"$0\" \"$1\" \"$2\"", PL_X11_CLIENT, title, log });
}

void X11Desktop::AwaitActive(const std::string& title) const
{
    for (;;) {
        std::string active;
        if (platform::ActiveWindowTitle(active) == platform::DesktopStatus::Ok && active == title)
            return;
        Nap();
    }
}

std::vector<std::string> X11Desktop::WindowState(const std::string& title) const
{
    std::vector<std::string> names;
    std::vector<platform::DesktopWindow> windows;
    if (platform::ListWindows(windows) != platform::DesktopStatus::Ok)
        return names;
    ::Display* d = XOpenDisplay(m_display.c_str());
    if (!d)
        return names;
    for (const platform::DesktopWindow& w : windows) {
        if (w.title != title)
            continue;
        Atom type = None;
        int format = 0;
        unsigned long n = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, static_cast<Window>(w.id), XInternAtom(d, "_NET_WM_STATE", False), 0, 64, False,
            XA_ATOM, &type, &format, &n, &after, &data);
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; data && i < n; ++i) {
            char* name = XGetAtomName(d, atoms[i]);
            names.emplace_back(name);
            XFree(name);
        }
        if (data)
            XFree(data);
        break;
    }
    XCloseDisplay(d);
    return names;
}

} // namespace palavrino::testing
