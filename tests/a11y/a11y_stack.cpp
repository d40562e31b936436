// Starting and stopping the tests' accessible desktop. Each component runs
// in a process group of its own, so the services the session bus starts
// (the accessibility bus launcher, its bus and registry) go with it.
#include "tests/a11y/a11y_stack.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace palavrino::testing {

namespace {

    // The bound on every wait here: far above what a healthy desktop needs,
    // so only a broken one reaches it.
    constexpr auto PATIENCE = std::chrono::seconds(60);

    // Spawns argv in a new process group; `keep` is dup'ed onto fd 3 and
    // `in`/`out` onto standard input and output when given.
    pid_t Spawn(const std::vector<std::string>& argv, int keep = -1, int in = -1, int out = -1)
    {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (in >= 0)
            posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (out >= 0)
            posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (keep >= 0)
            posix_spawn_file_actions_adddup2(&actions, keep, 3);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attr, 0);
        pid_t pid = -1;
        if (posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ) != 0)
            pid = -1;
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    void KillGroup(pid_t pid)
    {
        if (pid <= 0)
            return;
        ::kill(-pid, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid, nullptr, WNOHANG) != 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, WNOHANG);
    }

    // Reads one line from fd, waiting at most PATIENCE; empty on failure.
    std::string ReadLineFrom(int fd, std::string& pending)
    {
        const auto until = std::chrono::steady_clock::now() + PATIENCE;
        for (;;) {
            const size_t end = pending.find('\n');
            if (end != std::string::npos) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                return line;
            }
            if (std::chrono::steady_clock::now() > until)
                return "";
            pollfd p { fd, POLLIN, 0 };
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                return "";
            pending.append(buf, static_cast<size_t>(n));
        }
    }

    bool Installed(const std::string& program)
    {
        if (program.find('/') != std::string::npos)
            return ::access(program.c_str(), X_OK) == 0;
        for (const char* dir : { "/usr/bin", "/bin", "/usr/local/bin" })
            if (::access((std::string(dir) + "/" + program).c_str(), X_OK) == 0)
                return true;
        return false;
    }

    // Runs argv with fd 3 writing one line (a display number, a bus
    // address), which is returned; empty when the program gives none.
    std::string StartAndRead(const std::vector<std::string>& argv, std::vector<pid_t>& groups)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return "";
        const pid_t pid = Spawn(argv, fds[1]);
        ::close(fds[1]);
        if (pid <= 0) {
            ::close(fds[0]);
            return "";
        }
        groups.push_back(pid);
        std::string pending;
        std::string line = ReadLineFrom(fds[0], pending);
        ::close(fds[0]);
        return line;
    }

} // namespace

AccessibleDesktop::AccessibleDesktop()
{
    m_started = Start();
}

bool AccessibleDesktop::Start()
{
    for (const char* program :
        { "Xvfb", "dbus-daemon", "/usr/libexec/at-spi-bus-launcher", "/usr/libexec/at-spi2-registryd" }) {
        if (!Installed(program)) {
            m_reason = std::string(program) + " is not installed (Debian: xvfb, dbus, at-spi2-core)";
            return false;
        }
    }
    char dir_template[] = "/tmp/pl-a11y-XXXXXX";
    if (!::mkdtemp(dir_template)) {
        m_reason = "no temporary directory";
        return false;
    }
    m_runtime_dir = dir_template;
    ::setenv("XDG_RUNTIME_DIR", m_runtime_dir.c_str(), 1);
    ::unsetenv("AT_SPI_BUS_ADDRESS");
    ::unsetenv("NO_AT_BRIDGE");
    ::setenv("GSETTINGS_BACKEND", "memory", 1);

    const std::string display = StartAndRead(
        { "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp" }, m_groups);
    if (display.empty()) {
        m_reason = "Xvfb did not start";
        return false;
    }
    ::setenv("DISPLAY", (":" + display).c_str(), 1);
    // Started after DISPLAY is set, so the services it starts see the display.
    const std::string bus
        = StartAndRead({ "dbus-daemon", "--session", "--nofork", "--print-address=3" }, m_groups);
    if (bus.empty()) {
        m_reason = "the session D-Bus did not start";
        return false;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
    return true;
}

AccessibleDesktop::~AccessibleDesktop()
{
    for (auto it = m_groups.rbegin(); it != m_groups.rend(); ++it)
        KillGroup(*it);
    if (!m_runtime_dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_runtime_dir, ignored);
    }
}

FocusApp::FocusApp(const std::vector<std::string>& argv)
{
    // A program that died must fail the test, not end it by SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    int to_app[2];
    int from_app[2];
    if (::pipe2(to_app, O_CLOEXEC) != 0)
        return;
    if (::pipe2(from_app, O_CLOEXEC) != 0) {
        ::close(to_app[0]);
        ::close(to_app[1]);
        return;
    }
    m_pid = Spawn(argv, -1, to_app[0], from_app[1]);
    ::close(to_app[0]);
    ::close(from_app[1]);
    m_in = to_app[1];
    m_out = from_app[0];
}

FocusApp::~FocusApp()
{
    if (m_in >= 0)
        ::close(m_in);
    KillGroup(m_pid);
    if (m_out >= 0)
        ::close(m_out);
}

std::string FocusApp::NextLine()
{
    return m_out < 0 ? "" : ReadLineFrom(m_out, m_pending);
}

bool FocusApp::Send(const std::string& line)
{
    const std::string text = line + "\n";
    return m_in >= 0 && ::write(m_in, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::string FocusApp::Ask(const std::string& line)
{
    return Send(line) ? NextLine() : "";
}

int FocusApp::Finish()
{
    if (m_in >= 0)
        ::close(m_in);
    m_in = -1;
    const auto until = std::chrono::steady_clock::now() + PATIENCE;
    while (m_pid > 0 && std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

} // namespace palavrino::testing
