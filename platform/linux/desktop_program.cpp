// Starting EXECUTA's programs with fork and exec. A failed exec is
// reported back through a close-on-exec pipe, so "no such program" is told
// apart from a program that ran and failed. Detached programs are
// grandchildren adopted by the system, so no zombie is left behind.
#include "platform/desktop_program.h"

#include "platform/interrupt.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace palavrino::platform {

namespace {

    constexpr auto WAIT_STEP = std::chrono::milliseconds(50);

    // In the child: only async-signal-safe calls from here on.
    [[noreturn]] void ExecChild(char* const* argv, const char* directory, int report)
    {
        const int null_fd = ::open("/dev/null", O_RDWR);
        if (null_fd >= 0) {
            ::dup2(null_fd, STDIN_FILENO);
            ::dup2(null_fd, STDOUT_FILENO);
            ::dup2(null_fd, STDERR_FILENO);
        }
        if (directory[0] != '\0' && ::chdir(directory) != 0) {
            // The program starts in the current directory instead.
        }
        ::execvp(argv[0], argv);
        const int error = errno;
        ssize_t ignored = ::write(report, &error, sizeof error);
        static_cast<void>(ignored);
        ::_exit(127);
    }

    // True when the exec succeeded (the pipe closed without a word).
    bool ExecSucceeded(int report)
    {
        int error = 0;
        ssize_t got = 0;
        do {
            got = ::read(report, &error, sizeof error);
        } while (got < 0 && errno == EINTR);
        ::close(report);
        return got == 0;
    }

    ProgramOutcome WaitForChild(pid_t child)
    {
        for (;;) {
            int status = 0;
            const pid_t done = ::waitpid(child, &status, WNOHANG);
            if (done == child || (done < 0 && errno != EINTR))
                return ProgramOutcome::Finished;
            if (InterruptPending())
                return ProgramOutcome::Interrupted;
            std::this_thread::sleep_for(WAIT_STEP);
        }
    }

} // namespace

ProgramOutcome RunProgram(const std::vector<std::string>& words, bool wait, const std::string& directory)
{
    if (words.empty() || words[0].empty())
        return ProgramOutcome::NotStarted;
    std::vector<char*> argv;
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return ProgramOutcome::NotStarted;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return ProgramOutcome::NotStarted;
    }
    if (child == 0) {
        ::close(report[0]);
        if (!wait) {
            static_cast<void>(::setsid());
            const pid_t grandchild = ::fork();
            if (grandchild != 0)
                ::_exit(grandchild < 0 ? 1 : 0);
        }
        ExecChild(argv.data(), directory.c_str(), report[1]);
    }
    ::close(report[1]);
    if (!wait) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
        const bool started = ExecSucceeded(report[0]);
        return started && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ProgramOutcome::Detached
                                                                        : ProgramOutcome::NotStarted;
    }
    if (!ExecSucceeded(report[0])) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
        return ProgramOutcome::NotStarted;
    }
    return WaitForChild(child);
}

bool IsRunnableProgram(const std::string& name)
{
    if (name.empty())
        return false;
    auto executable = [](const std::string& path) {
        struct stat info { };
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
    };
    if (name.find('/') != std::string::npos)
        return executable(name);
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        const size_t end = dirs.find(':', start);
        std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (dir.empty())
            dir = ".";
        if (executable(dir + "/" + name))
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

} // namespace palavrino::platform
