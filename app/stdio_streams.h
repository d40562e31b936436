// C++ streams over C's stdin, stdout and stderr for the command-line tools
// (--palavras, --orvan-pho, --orvan-wav, --midi-ports). The standard stream
// objects of <iostream> are not used anywhere in the program: a file that
// includes that header sets them up, and the C++ locale machinery with them,
// before main in every run, which costs each script about a millisecond.
#pragma once

#include <cstdio>
#include <istream>
#include <ostream>
#include <streambuf>

namespace palavrino::app {

// Unbuffered: every character goes straight to (or comes straight from) the
// C stream, as with the standard streams kept in step with stdio.
class StdioBuffer final : public std::streambuf {
public:
    explicit StdioBuffer(std::FILE* file)
        : m_file(file)
    {
    }

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        return std::fputc(traits_type::to_char_type(c), m_file) == EOF ? traits_type::eof() : c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<std::size_t>(n), m_file));
    }
    int sync() override { return std::fflush(m_file) == 0 ? 0 : -1; }
    int_type underflow() override
    {
        const int c = std::getc(m_file);
        if (c == EOF)
            return traits_type::eof();
        std::ungetc(c, m_file);
        return traits_type::to_int_type(static_cast<char>(c));
    }
    int_type uflow() override
    {
        const int c = std::getc(m_file);
        return c == EOF ? traits_type::eof() : traits_type::to_int_type(static_cast<char>(c));
    }

private:
    std::FILE* m_file;
};

struct StdioStreams {
    StdioBuffer in_buffer { stdin };
    StdioBuffer out_buffer { stdout };
    StdioBuffer err_buffer { stderr };
    std::istream in { &in_buffer };
    std::ostream out { &out_buffer };
    std::ostream err { &err_buffer };
};

} // namespace palavrino::app
