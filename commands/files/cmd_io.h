// The commands that open, close, write, read and poll descriptors (ABRE,
// FECHA, ESCREVE, LE, OBSERVA, CHECA), the built-ins ABREARQ and FIMARQ/FDA,
// and the descriptor rules the other device commands share: naming a
// descriptor, the already-open check, writing to a descriptor and reading
// one character at a time from it.
#pragma once

#include "core/json.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace palavrino::core {
class Machine;
}
namespace palavrino::interp {
class Runtime;
}

namespace palavrino::devices {

[[nodiscard]] bool CmdAbre(interp::Runtime& rt);
[[nodiscard]] bool CmdFecha(interp::Runtime& rt);
[[nodiscard]] bool CmdEscreve(interp::Runtime& rt);
[[nodiscard]] bool CmdLe(interp::Runtime& rt);
[[nodiscard]] bool CmdObserva(interp::Runtime& rt);
[[nodiscard]] bool CmdCheca(interp::Runtime& rt);

// ABREARQ (descriptor, name, mode) and FIMARQ/FDA (descriptor). They run
// only on the interpreter's Runtime, which installs them.
bool FnAbrearq(core::Machine& m);
bool FnFimarq(core::Machine& m);

// "#" and an expression giving 0..15 (a text of digits counts); reports and
// gives nothing otherwise.
std::optional<int32_t> ParseDescriptor(interp::Runtime& rt);
// Reports "O descritor #n já está aberto" when n is open; true when free.
bool CheckDescriptorFree(interp::Runtime& rt, int32_t n);
// ESCREVE's write of one text to slot n (-1 is the console, spoken unless
// `mute`), with or without a line end. Sets the running slot's I/O status;
// reports and gives false when n is not open.
bool WriteToDescriptor(interp::Runtime& rt, int32_t n, std::string_view text, bool line_end, bool mute);
// The characters of slot n one at a time, -1 at the end: for the console,
// the lines typed, one after the other with nothing between them, until an
// empty line; for a file, its characters with line ends; for a connection
// or a serial port, its bytes until a read fails (Ctrl+C unwinds the run).
core::CharSource DescriptorCharSource(interp::Runtime& rt, int32_t n);

} // namespace palavrino::devices
