// Starting and stopping the tests' X desktop. The window manager counts as
// ready only once it manages a probe window: openbox announces itself on
// the root window before it has finished starting, and a window mapped in
// that gap stays unmanaged and never gets the focus, which once left the
// tests waiting for ever. Children run in process groups of their own and
// die with the test process (PR_SET_PDEATHSIG), so a test killed by its
// timeout leaves no X server behind. Openbox runs without key and mouse
// bindings: its grabs would take some of the synthetic clicks and keys.
#include "tests/x11/x11_session.h"

#include "platform/desktop_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace palavrino::testing {

namespace {

    using Clock = std::chrono::steady_clock;

    constexpr const char* OPENBOX_RC = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <menu><file>none.xml</file></menu>
  <keyboard></keyboard>
  <mouse></mouse>
</openbox_config>
)";

    bool Reap(pid_t pid, std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        do {
            const pid_t done = ::waitpid(pid, nullptr, WNOHANG);
            if (done == pid || (done < 0 && errno == ECHILD))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (Clock::now() < end);
        return false;
    }

    void Stop(pid_t pid)
    {
        ::kill(-pid, SIGTERM);
        if (!Reap(pid, std::chrono::seconds(3))) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    bool Alive(pid_t pid)
    {
        return pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == 0;
    }

    bool ListHas(::Display* d, Window w)
    {
        Atom type = None;
        int format = 0;
        unsigned long n = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_CLIENT_LIST", False), 0, 4096, False,
            XA_WINDOW, &type, &format, &n, &after, &data);
        const Window* ids = reinterpret_cast<const Window*>(data);
        const bool found = data && std::find(ids, ids + n, w) != ids + n;
        if (data)
            XFree(data);
        return found;
    }

    // True once the window manager lists a freshly mapped window of ours.
    bool ManagesWindows(const std::string& display, pid_t wm)
    {
        ::Display* d = XOpenDisplay(display.c_str());
        if (!d)
            return false;
        const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
        XStoreName(d, w, "probe");
        XMapWindow(d, w);
        XSync(d, False);
        const bool managed = PollUntil([&] { return Alive(wm) && ListHas(d, w); }) && Alive(wm);
        XDestroyWindow(d, w);
        XSync(d, False);
        XCloseDisplay(d);
        return managed;
    }

    Window FindByTitle(::Display* d, const std::string& title)
    {
        std::vector<platform::DesktopWindow> windows;
        if (platform::ListWindows(windows) != platform::DesktopStatus::Ok)
            return None;
        static_cast<void>(d);
        for (const platform::DesktopWindow& w : windows)
            if (w.title == title)
                return static_cast<Window>(w.id);
        return None;
    }

} // namespace

bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    for (;;) {
        if (done())
            return true;
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

pid_t X11Desktop::Spawn(const std::vector<std::string>& argv, int keep_fd)
{
    // Everything the child needs is built before fork: after it, only
    // async-signal-safe calls.
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        const int null_fd = ::open("/dev/null", O_RDWR);
        ::dup2(null_fd, STDIN_FILENO);
        ::dup2(null_fd, STDOUT_FILENO);
        ::dup2(null_fd, STDERR_FILENO);
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != keep_fd)
                ::close(fd);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    if (pid > 0) {
        ::setpgid(pid, pid); // also here, so a kill right after fork reaches it
        m_children.push_back(pid);
    }
    return pid;
}

X11Desktop::X11Desktop()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        m_reason = "pipe failed";
        return;
    }
    // The write end must survive exec in Xvfb alone.
    ::fcntl(fds[1], F_SETFD, 0);
    m_server = Spawn({ "Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
                         "-noreset", "-nolisten", "tcp" },
        fds[1]);
    ::close(fds[1]);
    std::string number;
    const auto end = Clock::now() + X11_WAIT_LIMIT;
    while (m_server > 0 && Clock::now() < end) {
        pollfd p { fds[0], POLLIN, 0 };
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
        m_reason = "Xvfb could not start (install the xvfb package)";
        return;
    }
    m_display = ":" + number;
    ::setenv("DISPLAY", m_display.c_str(), 1);

    m_home = (std::filesystem::temp_directory_path()
        / ("palavrino-x11-" + number + "-" + std::to_string(::getpid())))
                 .string();
    std::filesystem::create_directories(m_home);
    std::ofstream(m_home + "/rc.xml") << OPENBOX_RC;
    if (!StartWindowManager()) {
        m_reason = "openbox could not manage windows (install the openbox package)";
        return;
    }
    m_started = true;
}

bool X11Desktop::StartWindowManager()
{
    if (m_wm > 0) {
        Stop(m_wm);
        m_children.erase(std::remove(m_children.begin(), m_children.end(), m_wm), m_children.end());
    }
    m_wm = Spawn({ "openbox", "--sm-disable", "--config-file", m_home + "/rc.xml" });
    return m_wm > 0 && ManagesWindows(m_display, m_wm);
}

bool X11Desktop::StartSessionBus(std::string& address)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    ::fcntl(fds[1], F_SETFD, 0);
    const pid_t bus = Spawn(
        { "dbus-daemon", "--session", "--nofork", "--print-address=" + std::to_string(fds[1]) }, fds[1]);
    ::close(fds[1]);
    address.clear();
    const auto end = Clock::now() + X11_WAIT_LIMIT;
    while (bus > 0 && Clock::now() < end) {
        pollfd p { fds[0], POLLIN, 0 };
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char c = 0;
        if (::read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        address += c;
    }
    ::close(fds[0]);
    return !address.empty();
}

bool X11Desktop::EnsureWindowManager()
{
    return Alive(m_wm) || StartWindowManager();
}

X11Desktop::~X11Desktop()
{
    for (auto it = m_children.rbegin(); it != m_children.rend(); ++it)
        Stop(*it);
    if (!m_home.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_home, ec);
    }
}

int X11Desktop::RunToEnd(const std::vector<std::string>& argv)
{
    const pid_t pid = Spawn(argv);
    if (pid <= 0)
        return -1;
    int status = -1;
    const bool ended = PollUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
    m_children.erase(std::remove(m_children.begin(), m_children.end(), pid), m_children.end());
    if (!ended) {
        Stop(pid);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool X11Desktop::SetLayout(const std::string& layout, const std::string& model)
{
    std::vector<std::string> argv { "setxkbmap", "-display", m_display, layout };
    if (!model.empty()) {
        argv.push_back("-model");
        argv.push_back(model);
    }
    return RunToEnd(argv) == 0;
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

bool X11Desktop::AwaitActive(const std::string& title) const
{
    return PollUntil([&] {
        std::string active;
        return platform::ActiveWindowTitle(active) == platform::DesktopStatus::Ok && active == title;
    });
}

std::vector<std::string> X11Desktop::WindowState(const std::string& title) const
{
    std::vector<std::string> names;
    ::Display* d = XOpenDisplay(m_display.c_str());
    if (!d)
        return names;
    const Window w = FindByTitle(d, title);
    Atom type = None;
    int format = 0;
    unsigned long n = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (w != None)
        XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_STATE", False), 0, 64, False, XA_ATOM, &type,
            &format, &n, &after, &data);
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; data && i < n; ++i) {
        char* name = XGetAtomName(d, atoms[i]);
        names.emplace_back(name);
        XFree(name);
    }
    if (data)
        XFree(data);
    XCloseDisplay(d);
    return names;
}

bool X11Desktop::ClientOrigin(const std::string& title, int& x, int& y) const
{
    ::Display* d = XOpenDisplay(m_display.c_str());
    if (!d)
        return false;
    const Window w = FindByTitle(d, title);
    Window child = None;
    const bool found
        = w != None && XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child) == True;
    XCloseDisplay(d);
    return found;
}

} // namespace palavrino::testing
