// The front end used when standard output is not a terminal: what the
// program writes goes out as UTF-8 text, and keys come from input bytes.
// Nothing is drawn: cursor moves, colours and the echo of typing are not
// shown, so the output holds exactly what the program wrote.
#pragma once

#include "platform/terminal.h"

#include <cstdint>
#include <deque>
#include <string>

namespace palavrino::platform {

class StreamTerminal final : public Terminal {
public:
    // Does not take ownership of the descriptors.
    StreamTerminal(int input_fd, int output_fd);

    void TextWritten(std::string_view text) override;
    void CellsChanged(int, int, int) override { }
    void RegionScrolled(int, int, int, int) override { }
    void TitleChanged(std::string_view) override { }
    void Bell() override { }
    void Refresh(const CellView&) override { }

    bool KeyWaiting() override;
    bool WaitForKey(int timeout_ms) override;
    std::uint8_t ReadKeyByte() override;
    bool InputEnded() override;
    bool IsLive() const override { return false; }

    // Whether some byte handed to the output could not be written.
    bool OutputFailed() const override { return m_output_failed; }

private:
    enum class Fill : std::uint8_t { GotBytes = 0, EndOfInput = 1, Interrupted = 2, NothingYet = 3 };

    // Reads what the input offers, waiting up to timeout_ms (-1: forever).
    Fill FillRaw(int timeout_ms);
    // Turns complete raw input into key bytes; a UTF-8 sequence cut by the
    // end of the available bytes waits for more unless the input has ended.
    void DecodeRaw();
    void PushKey(std::uint8_t key);
    bool KeyReady() const;
    void WriteAll(std::string_view bytes);

    int m_input_fd { -1 };
    int m_output_fd { -1 };
    std::string m_raw; // bytes read, not yet decoded
    std::deque<std::uint8_t> m_keys; // decoded key bytes
    bool m_eof { false };
    bool m_after_cr { false }; // drop the LF of a CR LF pair
    bool m_extended_next { false }; // the byte after a NUL is a key code
    bool m_line_open { false }; // characters typed since the last Enter
    bool m_output_failed { false };
};

} // namespace palavrino::platform
