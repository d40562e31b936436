// x11_desktop SCRIPT COMMAND...: runs COMMAND on a private X desktop (Xvfb
// and openbox) with the test client on the PATH, and ends with COMMAND's
// status; 77 (skipped) when Xvfb cannot start. A line "// layout: NAME
// [MODEL]" in SCRIPT sets the keyboard layout first.
#include "tests/x11/x11_session.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: x11_desktop SCRIPT COMMAND...\n");
        return 2;
    }
    std::string layout;
    std::string model;
    std::ifstream script(argv[1]);
    for (std::string line; std::getline(script, line);) {
        if (line.rfind("// layout:", 0) == 0) {
            std::istringstream words(line.substr(10));
            words >> layout >> model;
        }
    }
    palavrino::testing::X11Desktop desktop;
    if (!desktop.Started()) {
        std::printf("skipped: %s\n", desktop.Reason().c_str());
        return 77;
    }
    if (!layout.empty() && !desktop.SetLayout(layout, model)) {
        std::fprintf(stderr, "setxkbmap %s %s failed\n", layout.c_str(), model.c_str());
        return 1;
    }
    const std::string client_dir = std::filesystem::path(PL_X11_CLIENT).parent_path().string();
    const char* path = std::getenv("PATH");
    ::setenv("PATH", (client_dir + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        ::_exit(127);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
