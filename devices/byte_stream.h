// The streams of the descriptor kinds that carry raw bytes (connections and
// the serial port): what ESCREVE, LE and OBSERVA ask of them. They keep CR
// LF line ends and pass bytes unchanged. Reads may wait: each takes a
// cancel check and ends with Interrupted when the user asks to stop, and the
// command then unwinds the run with ThrowInterrupted.
#pragma once

#include "devices/text_file.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace palavrino::core {
class Machine;
}

namespace palavrino::devices {

// Answers true when the user asked to stop (Ctrl+C).
using Cancel = std::function<bool()>;

enum class ReadStatus : uint8_t {
    Ok = 0,
    Failed = 1, // time-out, end of stream or error: the I/O status 1
    Interrupted = 2,
};

class ByteStream : public DescriptorStream {
public:
    // Writes the text, then CR LF when asked: Ok when it went out, Failed
    // when it did not (the I/O status 1), Interrupted when the user stopped
    // a write the peer was slow to take.
    [[nodiscard]] virtual ReadStatus Write(std::string_view text, bool line_end, const Cancel& cancel) = 0;
    // One line, without its LF and a CR before it. On failure `line` holds
    // what arrived.
    [[nodiscard]] virtual ReadStatus ReadLine(std::string& line, const Cancel& cancel) = 0;
    // One byte (0..255).
    [[nodiscard]] virtual ReadStatus ReadByte(int& byte, const Cancel& cancel) = 0;
    // Whether input is waiting (OBSERVA).
    virtual bool HasInput() = 0;
};

// Ends the run as the user's interrupt does between lines.
[[noreturn]] void ThrowInterrupted(core::Machine& m);

} // namespace palavrino::devices
