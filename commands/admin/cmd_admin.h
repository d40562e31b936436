// Commands about the interpreter itself: VERSAO, DEBUG, RANDOMIZA,
// SIMBOLOS and AJUDA (also spelt HELP), with the reading of the manual
// AJUDA shows: a text file in sections opened by "== TOPIC title" lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::interp {

class Runtime;

[[nodiscard]] bool CmdVersao(Runtime& rt);
[[nodiscard]] bool CmdDebug(Runtime& rt);
[[nodiscard]] bool CmdRandomiza(Runtime& rt);
[[nodiscard]] bool CmdSimbolos(Runtime& rt);
[[nodiscard]] bool CmdAjuda(Runtime& rt);

// The topics of the manual's lines, in file order: the first word of every
// line that opens a section.
std::vector<std::string> ManualTopics(const std::vector<std::string>& lines);
// The section of `topic`: a first line with its topic and title, then its
// lines with tabs expanded to 4-column stops. A section whose topic is the
// topic itself is preferred; otherwise the first whose topic starts with
// it. Letters compare without case or accents. Nothing when none matches.
std::optional<std::vector<std::string>> ManualSection(
    const std::vector<std::string>& lines, std::string_view topic);

} // namespace palavrino::interp
