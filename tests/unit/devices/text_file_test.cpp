// Text files at the edge: line ends, UTF-8 and Windows-1252 lines, Ctrl+Z,
// the three open modes, and failures that must reach the script.
#include "devices/text_file.h"
#include "tests/fakes/temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

using namespace palavrino::devices;
using palavrino::fakes::TempDir;

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines)
        s += l + "|";
    return s;
}

std::unique_ptr<TextFile> OpenOk(const std::filesystem::path& path, FileMode mode)
{
    int error = -1;
    std::unique_ptr<TextFile> f = TextFile::Open(path.string(), mode, error);
    EXPECT_TRUE(f != nullptr);
    EXPECT_EQ(error, 0);
    return f;
}

} // namespace

TEST(TextFile, LinesReadAcrossLineEndsEncodingsAndCtrlZ)
{
    struct Case {
        std::string contents;
        std::string lines;
    };
    const Case cases[] = {
        { "a\nb\n", "a|b|" },
        { "a\r\nb\r\n", "a|b|" },
        { "a\nb", "a|b|" },
        { "\n\n", "||" },
        { "", "" },
        { "x\r", "x|" },
        { "a\x1A"
          "b\n",
            "a|" },
        { "a\r\n\x1Ajunk\n", "a|" },
        { "a\xC3\xA7\xC3\xA3o \xE2\x82\xAC\n", "a\xE7\xE3o \x80|" },
        { "a\xE7\xE3o\n", "a\xE7\xE3o|" },
        { "\xC3\xA9\n\xE9\n", "\xE9|\xE9|" },
        { "\xE4\xB8\xAD\n", "?|" },
        { std::string("a\0b\nc", 5), std::string("a\0b|c|", 6) },
        { std::string(70000, 'x') + "\ny", std::string(70000, 'x') + "|y|" },
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents);
        auto path = dir.Write("in.txt", c.contents);
        std::vector<std::string> lines;
        EXPECT_EQ(ReadFileLines(path.string(), lines), 0);
        EXPECT_EQ(Joined(lines), c.lines);
    }
}

TEST(TextFile, CharactersComeFromTheDecodedLineWithItsEnd)
{
    TempDir dir;
    auto f = OpenOk(dir.Write("c.txt",
                        "\xC3\xA7"
                        "b\r\ncd\nlast"),
        FileMode::Read);
    EXPECT_EQ(f->ReadChar(), 0xE7);
    EXPECT_EQ(f->ReadChar(), 'b');
    EXPECT_EQ(f->ReadChar(), '\n');
    EXPECT_EQ(f->ReadChar(), 'c');
    std::string line;
    EXPECT_EQ(f->ReadLine(line), 0);
    EXPECT_EQ(line, "d");
    EXPECT_FALSE(f->AtEnd());
    EXPECT_EQ(f->ReadChar(), 'l');
    EXPECT_EQ(f->ReadLine(line), 0);
    EXPECT_EQ(line, "ast");
    EXPECT_TRUE(f->AtEnd());
    EXPECT_EQ(f->ReadChar(), -1);
    EXPECT_EQ(f->ReadLine(line), IO_END_OF_FILE);
    EXPECT_EQ(line, "");
}

TEST(TextFile, AtEndBeforeAndAfterTheLastLine)
{
    struct Case {
        std::string contents;
        int lines_before_end;
    };
    const Case cases[]
        = { { "", 0 }, { "a", 1 }, { "a\n", 1 }, { "a\n\n", 2 }, { "a\n\x1A\n", 1 }, { "\x1A", 0 } };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents);
        auto f = OpenOk(dir.Write("e.txt", c.contents), FileMode::Read);
        std::string line;
        int read = 0;
        while (!f->AtEnd()) {
            ASSERT_EQ(f->ReadLine(line), 0);
            ASSERT_LT(++read, 10);
        }
        EXPECT_EQ(read, c.lines_before_end);
        EXPECT_EQ(f->ReadLine(line), IO_END_OF_FILE);
    }
}

TEST(TextFile, WritesUtf8LinesEndingWithLf)
{
    TempDir dir;
    auto path = dir.Path() / "out.txt";
    auto f = OpenOk(path, FileMode::Create);
    EXPECT_EQ(f->Write("a\xE7\xE3o \x80", true), 0);
    EXPECT_EQ(f->Write("b", false), 0);
    EXPECT_EQ(f->Write("", false), 0);
    EXPECT_EQ(f->Write("c", true), 0);
    // Each write is in the file before the next command runs.
    EXPECT_EQ(TempDir::Read(path), "a\xC3\xA7\xC3\xA3o \xE2\x82\xAC\nbc\n");
    EXPECT_EQ(f->Close(), 0);
    EXPECT_TRUE(f->AtEnd());
}

TEST(TextFile, AppendKeepsWhatWasThereAndCreateStartsAnew)
{
    struct Case {
        FileMode mode;
        bool exists;
        std::string after;
    };
    const Case cases[] = {
        { FileMode::Append, true, "old\nnew\n" },
        { FileMode::Append, false, "new\n" },
        { FileMode::Create, true, "new\n" },
        { FileMode::Create, false, "new\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode) * 10 + c.exists);
        TempDir dir;
        auto path = dir.Path() / "f.txt";
        if (c.exists)
            dir.Write("f.txt", "old\n");
        auto f = OpenOk(path, c.mode);
        EXPECT_EQ(f->Write("new", true), 0);
        EXPECT_EQ(f->Close(), 0);
        EXPECT_EQ(TempDir::Read(path), c.after);
    }
}

TEST(TextFile, NamesAreOpenedByTheirUtf8Spelling)
{
    TempDir dir;
    std::string name = (dir.Path() / "a").string() + "\xE7\xE3o.txt";
    int error = 0;
    auto f = TextFile::Open(name, FileMode::Create, error);
    ASSERT_TRUE(f != nullptr);
    EXPECT_EQ(f->Close(), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "a\xC3\xA7\xC3\xA3o.txt"));
}

TEST(TextFile, FailuresGiveACodeAndNeverAFile)
{
    TempDir dir;
    struct Case {
        std::string name;
        FileMode mode;
    };
    const Case cases[] = {
        { (dir.Path() / "missing.txt").string(), FileMode::Read },
        { dir.Path().string(), FileMode::Read },
        { dir.Path().string(), FileMode::Append },
        { (dir.Path() / "no" / "such" / "dir.txt").string(), FileMode::Create },
        { "", FileMode::Read },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int error = 0;
        EXPECT_EQ(TextFile::Open(c.name, c.mode, error), nullptr);
        EXPECT_NE(error, 0);
    }
    std::vector<std::string> lines { "stale" };
    EXPECT_NE(ReadFileLines((dir.Path() / "missing.txt").string(), lines), 0);
    EXPECT_TRUE(lines.empty());
}

TEST(TextFile, ReadingAFileBeingWrittenAndWritingOneBeingReadAreRefused)
{
    TempDir dir;
    auto path = dir.Write("rw.txt", "line\n");
    auto reader = OpenOk(path, FileMode::Read);
    EXPECT_NE(reader->Write("x", true), 0);
    EXPECT_EQ(TempDir::Read(path), "line\n");
    auto writer = OpenOk(path, FileMode::Append);
    std::string line;
    EXPECT_NE(writer->ReadLine(line), 0);
    EXPECT_NE(writer->ReadLine(line), IO_END_OF_FILE);
    EXPECT_EQ(writer->ReadChar(), -1);
}

TEST(TextFile, AFullDiskIsToldAtTheWriteThatMetIt)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    auto f = OpenOk("/dev/full", FileMode::Append);
    EXPECT_EQ(f->Write("data", true), ENOSPC);
}
