// Starting another program on a document or address without waiting for it
// (the line editor's "open the word under the cursor"). The program runs
// detached: a grandchild of this process, adopted by the system, with its
// standard streams on /dev/null so that it cannot write over the console.
#include "platform/terminal.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace palavrino::platform {

bool StartProgram(const std::string& program, const std::string& parameter, const std::string& directory)
{
    // Without a program the desktop opens the document with its own choice.
    const std::string file = program.empty() ? std::string("xdg-open") : program;
    if (program.empty() && parameter.empty())
        return false;
    // Built before forking: the children may only make async-signal-safe calls.
    char* argv[3] = { const_cast<char*>(file.c_str()), nullptr, nullptr };
    if (!parameter.empty())
        argv[1] = const_cast<char*>(parameter.c_str());

    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes it without a word.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        if (::setsid() < 0) {
            // Still go on: only the terminal's signals would reach the program.
        }
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        const int null_fd = ::open("/dev/null", O_RDWR);
        if (null_fd >= 0) {
            ::dup2(null_fd, STDIN_FILENO);
            ::dup2(null_fd, STDOUT_FILENO);
            ::dup2(null_fd, STDERR_FILENO);
        }
        if (!directory.empty() && ::chdir(directory.c_str()) != 0) {
            // The program starts in the current directory instead.
        }
        ::execvp(argv[0], argv);
        const int error = errno;
        ssize_t ignored = ::write(report[1], &error, sizeof error);
        static_cast<void>(ignored);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

} // namespace palavrino::platform
