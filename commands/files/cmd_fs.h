// Files and folders handled as wholes: the commands BUSCA, RENOMEIA,
// REPLICA, REMOVE and DIR, the built-ins CONTEUDO and DIRETORIO, and the
// directory enumeration they share (attribute masks and "*"/"?" patterns).
// Names arrive as Windows-1252 and reach the file system by their UTF-8
// spelling; entry names come back converted the other way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::core {
class Machine;
}
namespace palavrino::interp {
class Runtime;
}

namespace palavrino::devices {

[[nodiscard]] bool CmdBusca(interp::Runtime& rt);
[[nodiscard]] bool CmdRenomeia(interp::Runtime& rt);
[[nodiscard]] bool CmdReplica(interp::Runtime& rt);
[[nodiscard]] bool CmdRemove(interp::Runtime& rt);
[[nodiscard]] bool CmdDir(interp::Runtime& rt);

// CONTEUDO (file, "LISTA" | "JSON") and DIRETORIO (folder, "DIR" | "ARQ" |
// "TUDO"); installed by the interpreter like the other device built-ins.
bool FnConteudo(core::Machine& m);
bool FnDiretorio(core::Machine& m);

// Attribute bits of a directory entry, with the values scripts know from
// the masks of DIRETORIO. On this system a hidden entry is one whose name
// starts with "." and the archive bit marks a regular file.
constexpr uint32_t ATTR_HIDDEN = 2;
constexpr uint32_t ATTR_DIRECTORY = 16;
constexpr uint32_t ATTR_ARCHIVE = 32;
constexpr uint32_t ATTR_ALL = 63;

// REPLICA copies in blocks of this size.
constexpr size_t COPY_BLOCK_BYTES = 30000;

struct DirEntry {
    std::string name; // Windows-1252, without a directory part
    uint32_t attributes { 0 };
};

// "*" stands for any run of characters and "?" for exactly one; everything
// else matches itself, case kept. "*.*" matches every name, as scripts
// written for other systems expect.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// The entries of `folder` (Windows-1252; empty means the current folder)
// whose attributes share a bit with `mask`, hidden entries only when the
// mask has ATTR_HIDDEN, sorted by name. A folder that cannot be read gives
// no entries.
std::vector<DirEntry> ListFolder(const std::string& folder, uint32_t mask);

// The entries a search pattern ("sub/a*.txt") names: the pattern's folder
// part is listed and its last component matched against each name. Hidden
// entries are found only by a pattern that itself starts with ".".
std::vector<DirEntry> SearchEntries(const std::string& pattern);

} // namespace palavrino::devices
