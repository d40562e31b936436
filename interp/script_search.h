// Finding the file of a script from the name a user gave.
#pragma once

#include <string>

namespace palavrino::interp {

// Tries the name, then (when its file name has no ".") the name with ".pro"
// and ".PRO" added, then the same under `default_dir` unless the name holds
// a "/". Returns the first that exists as a file, or "" when none does.
std::string FindScriptFile(const std::string& name, const std::string& default_dir);

} // namespace palavrino::interp
