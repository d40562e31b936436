// A text file open on a descriptor, with the conversions made at this edge:
// a line read that is valid UTF-8 becomes Windows-1252 (any other line is
// taken as bytes), LF and CR LF both end a line, and a Ctrl+Z byte ends the
// file. Lines written are UTF-8 and end with LF. File names arrive as
// Windows-1252 and are opened by their UTF-8 spelling.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palavrino::devices {

// The I/O status of a read met at the end of a file. Any other non-zero
// status is the system's error code.
constexpr int IO_END_OF_FILE = 1;

// Byte 26 (Ctrl+Z) marks the end of a text file made on older systems.
constexpr int CTRL_Z = 26;

enum class FileMode : uint8_t {
    Read = 0, // an existing file, from its start
    Append = 1, // written after its last byte; created when absent
    Create = 2, // created anew, or emptied
};

// What every stream held by a descriptor offers the descriptor table; each
// kind adds its own operations.
class DescriptorStream {
public:
    virtual ~DescriptorStream() = default;
    // Ends the stream: 0, or the error code closing met (data that could
    // not be written out).
    [[nodiscard]] virtual int Close() = 0;
};

class TextFile final : public DescriptorStream {
public:
    // Opens `name`; on failure gives nullptr and the error code in `error`.
    static std::unique_ptr<TextFile> Open(const std::string& name, FileMode mode, int& error);
    ~TextFile() override;
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    FileMode mode() const { return m_mode; }
    bool readable() const { return m_mode == FileMode::Read; }

    // True when nothing is left to read (always, for a file being written).
    bool AtEnd();
    // The rest of the current line, without its end: 0, or IO_END_OF_FILE
    // when the file had no more, or an error code.
    int ReadLine(std::string& line);
    // The next character, line ends as "\n"; -1 at the end or on an error.
    int ReadChar();
    // Writes the text, then a line end when asked: 0 or an error code. Each
    // write reaches the file before it returns, so a failure (a full disk)
    // is told to the command that caused it.
    int Write(std::string_view text, bool line_end);
    int Close() override;

    // The name the file was opened by, as the script gave it.
    const std::string& name() const { return m_name; }
    // The error code of a failed write that the script has not read yet,
    // or 0. Data was lost then; closing the file must not pass in silence.
    int unread_write_failure() const { return m_unread_write_failure; }
    // The script read the I/O status `status` (CHECA): a failure with that
    // code counts as seen.
    void AcknowledgeWriteFailure(int status)
    {
        if (status != 0 && status == m_unread_write_failure)
            m_unread_write_failure = 0;
    }

private:
    TextFile(std::FILE* file, FileMode mode, std::string name)
        : m_file(file)
        , m_mode(mode)
        , m_name(std::move(name))
    {
    }
    // Reads the next raw line; 0, IO_END_OF_FILE or an error code.
    int ReadRawLine(std::string& raw, bool& ended_by_lf);

    std::FILE* m_file { nullptr };
    FileMode m_mode { FileMode::Read };
    std::string m_name;
    int m_unread_write_failure { 0 };
    // The decoded part of the current line not yet handed out, after a
    // character read.
    std::string m_pending;
    size_t m_pending_pos { 0 };
    // The end of the data was met (the file's end or a Ctrl+Z).
    bool m_hit_end { false };
    // getline's buffer, kept from line to line.
    char* m_line_buffer { nullptr };
    size_t m_line_capacity { 0 };
};

// Every line of a text file, read as LE reads them: 0, or the error code
// of the open or of a read.
int ReadFileLines(const std::string& name, std::vector<std::string>& lines);

} // namespace palavrino::devices
