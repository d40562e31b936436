// Stream front end: UTF-8 out, key bytes in, end of input as Escape.
#include "platform/linux/stream_terminal.h"

#include "encoding/encoding.h"
#include "platform/interrupt.h"
#include "platform/linux/backend_modules.h"
#include "platform/linux/ncurses_terminal.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace palavrino::platform {

namespace {

    constexpr std::uint8_t KEY_ENTER = 13;
    constexpr std::uint8_t KEY_ESCAPE = 27;
    constexpr std::size_t READ_CHUNK_BYTES = 4096;

} // namespace

StreamTerminal::StreamTerminal(int input_fd, int output_fd)
    : m_input_fd(input_fd)
    , m_output_fd(output_fd)
{
}

void StreamTerminal::TextWritten(std::string_view text)
{
    // Only line feeds and printable characters make sense in a text stream.
    // The console's line break is CR LF, so the CR goes; backspace, bell,
    // tab and the other control bytes leave no trace on the screen either.
    std::string printable;
    printable.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte == '\n' || byte >= 32)
            printable.push_back(c);
    }
    WriteAll(encoding::Cp1252ToUtf8(printable));
}

void StreamTerminal::WriteAll(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_output_fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_output_failed = true;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

StreamTerminal::Fill StreamTerminal::FillRaw(int timeout_ms)
{
    if (m_eof)
        return Fill::EndOfInput;
    // The break request wakes the wait whichever thread took the signal.
    pollfd pfds[2] = { { m_input_fd, POLLIN, 0 }, { InterruptWakeDescriptor(), POLLIN, 0 } };
    const int ready = ::poll(pfds, pfds[1].fd >= 0 ? 2 : 1, timeout_ms);
    if (ready < 0)
        return errno == EINTR ? Fill::Interrupted : (m_eof = true, Fill::EndOfInput);
    if (InterruptPending() && pfds[0].revents == 0)
        return Fill::Interrupted;
    if (pfds[1].revents != 0)
        DrainStaleInterruptWake();
    if (ready == 0 || pfds[0].revents == 0)
        return Fill::NothingYet;

    char chunk[READ_CHUNK_BYTES];
    const ssize_t got = ::read(m_input_fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR)
        return Fill::Interrupted;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return Fill::NothingYet;
    if (got <= 0) {
        // A read error ends the input like end of file does: nothing more
        // can come from it, and readers must not wait on it.
        m_eof = true;
        return Fill::EndOfInput;
    }
    m_raw.append(chunk, static_cast<std::size_t>(got));
    return Fill::GotBytes;
}

void StreamTerminal::PushKey(std::uint8_t key)
{
    m_keys.push_back(key);
    if (key == KEY_ENTER || key == KEY_ESCAPE)
        m_line_open = false;
    else if (key >= 32 || key == 8)
        m_line_open = true;
}

void StreamTerminal::DecodeRaw()
{
    std::size_t pos = 0;
    while (pos < m_raw.size()) {
        const auto byte = static_cast<std::uint8_t>(m_raw[pos]);
        if (m_extended_next) {
            // The code after a NUL is taken as it is: scripted input can
            // press function keys this way.
            m_keys.push_back(byte);
            // An extended key ends an edit as Enter does.
            m_line_open = false;
            m_extended_next = false;
            ++pos;
            continue;
        }
        if (byte == 0) {
            m_keys.push_back(0);
            m_extended_next = true;
            m_after_cr = false;
            ++pos;
            continue;
        }
        if (byte == '\n') {
            if (!m_after_cr)
                PushKey(KEY_ENTER);
            m_after_cr = false;
            ++pos;
            continue;
        }
        m_after_cr = byte == '\r';
        if (byte == '\r') {
            PushKey(KEY_ENTER);
            ++pos;
            continue;
        }
        if (byte < 0x80) {
            PushKey(byte);
            ++pos;
            continue;
        }
        const std::string_view rest(m_raw.data() + pos, m_raw.size() - pos);
        const std::size_t length = encoding::Utf8SequenceLength(byte);
        if (length > rest.size() && !m_eof) {
            // Maybe a sequence split across reads: wait for the rest, unless
            // what has come already cannot be its beginning.
            bool could_continue = length != 0;
            for (std::size_t i = 1; i < rest.size(); ++i)
                could_continue = could_continue && (static_cast<std::uint8_t>(rest[i]) & 0xC0) == 0x80;
            if (could_continue)
                break;
        }
        if (const auto decoded = encoding::DecodeUtf8Char(rest)) {
            const auto cp1252 = encoding::CodePointToCp1252(decoded->code_point);
            PushKey(cp1252 ? *cp1252 : static_cast<std::uint8_t>('?'));
            pos += decoded->length;
        } else {
            // Not UTF-8: the byte is taken as a Windows-1252 character.
            PushKey(byte);
            ++pos;
        }
    }
    m_raw.erase(0, pos);
    if (!m_eof)
        return;
    for (char c : m_raw)
        PushKey(static_cast<std::uint8_t>(c));
    m_raw.clear();
    if (m_extended_next && !m_keys.empty() && m_keys.back() == 0) {
        // A NUL as the very last input byte has no code after it.
        m_keys.pop_back();
        m_extended_next = false;
    }
    // A last line without its line end is still a line: it is entered
    // rather than lost to the Escape that end of input reads as.
    if (m_line_open) {
        PushKey(KEY_ENTER);
        m_line_open = false;
    }
}

bool StreamTerminal::KeyWaiting()
{
    return WaitForKey(0);
}

bool StreamTerminal::KeyReady() const
{
    // A key code announced by a NUL is not ready until its code has come.
    return !m_keys.empty() && !(m_keys.size() == 1 && m_keys.front() == 0 && m_extended_next);
}

bool StreamTerminal::WaitForKey(int timeout_ms)
{
    while (!KeyReady()) {
        const Fill fill = FillRaw(timeout_ms);
        DecodeRaw();
        if (fill != Fill::GotBytes)
            break;
    }
    return KeyReady();
}

std::uint8_t StreamTerminal::ReadKeyByte()
{
    for (;;) {
        if (KeyReady()) {
            const std::uint8_t key = m_keys.front();
            m_keys.pop_front();
            return key;
        }
        if ((m_eof || InterruptPending()) && m_keys.empty())
            return KEY_ESCAPE;
        const Fill fill = FillRaw(-1);
        DecodeRaw();
        if (fill == Fill::Interrupted && InterruptPending() && m_keys.empty())
            return KEY_ESCAPE;
    }
}

bool StreamTerminal::InputEnded()
{
    if (!m_keys.empty() || !m_raw.empty())
        return false;
    if (!m_eof) {
        FillRaw(0);
        DecodeRaw();
    }
    return m_eof && m_keys.empty();
}

std::unique_ptr<Terminal> OpenStdioTerminal()
{
    // A person at a terminal gets the full-screen console; pipes, files and
    // terminals that cannot be driven get the text stream. The full-screen
    // front end's module is loaded only for a terminal, so a script whose
    // output is a pipe or a file never maps the terminal library.
    if (::isatty(STDIN_FILENO) && ::isatty(STDOUT_FILENO)) {
        if (const auto* full_screen = LoadModuleTable<TerminalModuleRec>("terminal"))
            if (auto terminal = full_screen->open_full_screen(STDIN_FILENO, STDOUT_FILENO))
                return terminal;
    }
    return std::make_unique<StreamTerminal>(STDIN_FILENO, STDOUT_FILENO);
}

} // namespace palavrino::platform
