// Text files of the descriptors; see text_file.h. Reading goes a raw line at
// a time, because whether a line is UTF-8 can only be decided on the whole
// line; character reads are served from the decoded line.
#include "devices/text_file.h"

#include "devices/file_safety.h"
#include "encoding/encoding.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace palavrino::devices {

namespace {

    // The error code of the call that just failed, never 0.
    int LastError(int fallback)
    {
        return errno != 0 ? errno : fallback;
    }

} // namespace

std::unique_ptr<TextFile> TextFile::Open(const std::string& name, FileMode mode, int& error)
{
    error = 0;
    if (NameHoldsNul(name)) {
        error = EINVAL;
        return nullptr;
    }
    std::string path = encoding::Cp1252ToUtf8(name);
    if (path.empty()) {
        error = ENOENT;
        return nullptr;
    }
    std::error_code ec;
    // A folder opens for reading on this system, and only fails at the
    // first read; refuse it here, where the user learns of it.
    if (std::filesystem::is_directory(path, ec)) {
        error = EISDIR;
        return nullptr;
    }
    const char* how = mode == FileMode::Read ? "rb" : mode == FileMode::Append ? "ab" : "wb";
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), how);
    if (!f) {
        error = LastError(ENOENT);
        return nullptr;
    }
    return std::unique_ptr<TextFile>(new TextFile(f, mode, name));
}

TextFile::~TextFile()
{
    if (m_file)
        std::fclose(m_file);
    std::free(m_line_buffer);
}

int TextFile::Close()
{
    if (!m_file)
        return 0;
    errno = 0;
    int rc = std::fclose(m_file);
    m_file = nullptr;
    return rc == 0 ? 0 : LastError(EIO);
}

int TextFile::ReadRawLine(std::string& raw, bool& ended_by_lf)
{
    raw.clear();
    ended_by_lf = false;
    if (!m_file || !readable())
        return EBADF;
    if (m_hit_end)
        return IO_END_OF_FILE;
    // getline finds the line end inside stdio's buffer; CTRL+Z, which ends
    // the file, is looked for in what it gives.
    const ssize_t got = ::getline(&m_line_buffer, &m_line_capacity, m_file);
    if (got < 0) {
        if (std::ferror(m_file)) {
            int code = LastError(EIO);
            std::clearerr(m_file);
            return code;
        }
        m_hit_end = true;
        return IO_END_OF_FILE;
    }
    std::string_view got_text(m_line_buffer, static_cast<size_t>(got));
    if (size_t z = got_text.find(static_cast<char>(CTRL_Z)); z != std::string_view::npos) {
        got_text = got_text.substr(0, z);
        m_hit_end = true;
    } else if (!got_text.empty() && got_text.back() == '\n') {
        got_text.remove_suffix(1);
        ended_by_lf = true;
    } else {
        m_hit_end = true;
    }
    raw.assign(got_text);
    if (raw.empty() && !ended_by_lf)
        return IO_END_OF_FILE;
    if (!raw.empty() && raw.back() == '\r')
        raw.pop_back();
    return 0;
}

bool TextFile::AtEnd()
{
    if (m_pending_pos < m_pending.size())
        return false;
    if (!m_file || !readable() || m_hit_end)
        return true;
    int c = std::getc(m_file);
    if (c == EOF || c == CTRL_Z) {
        // An error here shows again at the read that follows.
        if (!std::ferror(m_file))
            m_hit_end = true;
        return true;
    }
    std::ungetc(c, m_file);
    return false;
}

int TextFile::ReadLine(std::string& line)
{
    line.clear();
    if (m_pending_pos < m_pending.size()) {
        size_t lf = m_pending.find('\n', m_pending_pos);
        size_t stop = lf == std::string::npos ? m_pending.size() : lf;
        line.assign(m_pending, m_pending_pos, stop - m_pending_pos);
        m_pending_pos = lf == std::string::npos ? m_pending.size() : lf + 1;
        return 0;
    }
    std::string raw;
    bool lf = false;
    int status = ReadRawLine(raw, lf);
    if (status != 0)
        return status;
    line = encoding::DecodeTextLine(raw);
    return 0;
}

int TextFile::ReadChar()
{
    if (m_pending_pos >= m_pending.size()) {
        std::string raw;
        bool lf = false;
        if (ReadRawLine(raw, lf) != 0)
            return -1;
        m_pending = encoding::DecodeTextLine(raw);
        if (lf)
            m_pending += '\n';
        m_pending_pos = 0;
        if (m_pending.empty())
            return -1;
    }
    return static_cast<unsigned char>(m_pending[m_pending_pos++]);
}

int TextFile::Write(std::string_view text, bool line_end)
{
    if (!m_file || readable())
        return EBADF;
    std::string out = encoding::Cp1252ToUtf8(text);
    if (line_end)
        out += '\n';
    errno = 0;
    if ((!out.empty() && std::fwrite(out.data(), 1, out.size(), m_file) != out.size())
        || std::fflush(m_file) != 0) {
        int code = LastError(EIO);
        std::clearerr(m_file);
        m_unread_write_failure = code;
        return code;
    }
    return 0;
}

int ReadFileLines(const std::string& name, std::vector<std::string>& lines)
{
    lines.clear();
    int error = 0;
    std::unique_ptr<TextFile> file = TextFile::Open(name, FileMode::Read, error);
    if (!file)
        return error;
    std::string line;
    for (;;) {
        int status = file->ReadLine(line);
        if (status == IO_END_OF_FILE)
            break;
        if (status != 0)
            return status;
        lines.push_back(std::move(line));
    }
    return file->Close();
}

} // namespace palavrino::devices
