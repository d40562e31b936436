// Whole text files for the screens that save and read documents: lines in
// Windows-1252 inside, UTF-8 in the file (a line that is not valid UTF-8 is
// taken as Windows-1252 bytes), LF line ends written, CR LF accepted.
// Saving goes through a temporary file in the same folder renamed over the
// target, so a failed write never loses the file that was there.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::console {

// name is Windows-1252. Nothing when the file cannot be read.
std::optional<std::vector<std::string>> ReadTextLines(std::string_view name);
// False when the file could not be written whole; the old one then stays.
bool WriteTextLines(std::string_view name, const std::vector<std::string>& lines);

} // namespace palavrino::console
