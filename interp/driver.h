// The program's start-up and script driver.
#pragma once

#include <string>
#include <vector>

namespace palavrino::interp {

class Runtime;

// Runs the program for the given command-line arguments (the first names
// the script, optionally followed by "@" and a start label) and returns the
// exit status: 0 ran to its end or TERMINA, 1 a command failed or the run
// was interrupted, 2 the file could not be read, 3 the start label does not
// exist, 4 the script did not compile.
int RunProgram(Runtime& rt, const std::vector<std::string>& args);

} // namespace palavrino::interp
