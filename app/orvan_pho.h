// palavrino --orvan-pho "texto": shows what the Orvan voice does with a
// text, without sound, for users who fix its data files; --orvan-wav says
// it into a WAV file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace palavrino::app {

// texts are the arguments after the option (UTF-8); with none, standard
// input is read. Returns the exit status: 0, or 2 when the voice's files
// cannot be read.
int RunOrvanPho(
    const std::vector<std::string>& texts, std::istream& in, std::ostream& out, std::ostream& err);

// palavrino --orvan-wav ARQUIVO "texto": says the texts (or standard input)
// with the Orvan voice into a WAV file. 0, or 2 when the voice cannot start
// or the file cannot be written (the reason goes to err).
int RunOrvanWav(
    const std::string& path, const std::vector<std::string>& texts, std::istream& in, std::ostream& err);

} // namespace palavrino::app
