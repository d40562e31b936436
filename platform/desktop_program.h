// Running another program for EXECUTA: started directly (no shell) from a
// list of words, either waited for, with the wait ending on the user's
// break request, or left running on its own.
#pragma once

#include <string>
#include <vector>

namespace palavrino::platform {

enum class ProgramOutcome {
    Finished, // waited for and ended
    Detached, // started and left running
    Interrupted, // started; the wait ended on the break request
    NotStarted, // no such program, or the system refused to start it
};

// Starts words[0] with the rest as its arguments (UTF-8), searching PATH,
// with its standard streams on /dev/null and `directory` (when not empty)
// as its working directory. With `wait` the call returns when the program
// ends or the break request arrives; otherwise the program runs detached.
[[nodiscard]] ProgramOutcome RunProgram(
    const std::vector<std::string>& words, bool wait, const std::string& directory);

// Whether `name` can be run as a program: it names an executable file, or a
// name without "/" is found as one in PATH.
[[nodiscard]] bool IsRunnableProgram(const std::string& name);

} // namespace palavrino::platform
