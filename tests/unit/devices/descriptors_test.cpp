// The descriptor table on its own: the #0..#15 limits, opening on an open
// slot, closing, the end-of-file test of FIMARQ, and CONTEUDO's JSON reader.
#include "devices/descriptors.h"
#include "tests/fakes/temp_dir.h"
#include "tests/unit/core/test_machine.h"

#include <gtest/gtest.h>

using namespace palavrino::devices;
using palavrino::core::HeapStatsScope;
using palavrino::core::Value;
using palavrino::core::ValueKind;
using palavrino::fakes::TempDir;

TEST(DescriptorTable, ScriptsNameOnlyZeroToFifteen)
{
    const struct {
        int32_t n;
        bool valid;
    } cases[] = { { -1, false }, { 0, true }, { 15, true }, { 16, false }, { INT32_MIN, false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(DescriptorTable::IsScriptDescriptor(c.n), c.valid);
    }
}

TEST(DescriptorTable, EveryScriptSlotOpensAFileAndClosesIt)
{
    TempDir dir;
    auto path = dir.Write("a.txt", "um\ndois\n").string();
    DescriptorTable table;
    EXPECT_FALSE(table.IsOpen(CONSOLE_DESCRIPTOR));
    EXPECT_EQ(table.KindOf(CONSOLE_DESCRIPTOR), DescriptorKind::Console);
    for (int32_t n = FIRST_DESCRIPTOR; n <= LAST_DESCRIPTOR; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(table.KindOf(n), DescriptorKind::Console);
        EXPECT_EQ(table.OpenFile(n, path, FileMode::Read), 0);
        EXPECT_TRUE(table.IsOpen(n));
        EXPECT_EQ(table.KindOf(n), DescriptorKind::File);
        ASSERT_NE(table.FileAt(n), nullptr);
    }
    std::string line;
    EXPECT_EQ(table.FileAt(15)->ReadLine(line), 0);
    EXPECT_EQ(line, "um");
    EXPECT_EQ(table.Close(15), 0);
    EXPECT_FALSE(table.IsOpen(15));
    EXPECT_EQ(table.FileAt(15), nullptr);
    // The kind of the last use stays, and closing again does nothing.
    EXPECT_EQ(table.KindOf(15), DescriptorKind::File);
    EXPECT_EQ(table.Close(15), 0);
    table.CloseAll();
    for (int32_t n = FIRST_DESCRIPTOR; n <= LAST_DESCRIPTOR; ++n)
        EXPECT_FALSE(table.IsOpen(n));
}

TEST(DescriptorTable, AnOpenSlotIsNeverReplaced)
{
    TempDir dir;
    auto first = dir.Write("first.txt", "primeiro\n").string();
    auto second = (dir.Path() / "second.txt").string();
    DescriptorTable table;
    ASSERT_EQ(table.OpenFile(3, first, FileMode::Read), 0);
    EXPECT_NE(table.OpenFile(3, second, FileMode::Create), 0);
    EXPECT_FALSE(std::filesystem::exists(second));
    std::string line;
    EXPECT_EQ(table.FileAt(3)->ReadLine(line), 0);
    EXPECT_EQ(line, "primeiro");
}

TEST(DescriptorTable, AFailedOpenLeavesTheSlotClosed)
{
    TempDir dir;
    DescriptorTable table;
    EXPECT_NE(table.OpenFile(2, (dir.Path() / "missing.txt").string(), FileMode::Read), 0);
    EXPECT_FALSE(table.IsOpen(2));
    EXPECT_EQ(table.KindOf(2), DescriptorKind::Console);
}

TEST(DescriptorTable, FileEndIsTrueOnlyForAnOpenFileWithNothingLeft)
{
    TempDir dir;
    auto path = dir.Write("e.txt", "a\r\nb\r\n").string();
    DescriptorTable table;
    EXPECT_FALSE(table.AtFileEnd(0));
    ASSERT_EQ(table.OpenFile(0, path, FileMode::Read), 0);
    std::string line;
    int lines = 0;
    while (!table.AtFileEnd(0) && lines < 10) {
        EXPECT_EQ(table.FileAt(0)->ReadLine(line), 0);
        ++lines;
    }
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(line, "b");
    EXPECT_EQ(table.Close(0), 0);
    EXPECT_FALSE(table.AtFileEnd(0));
    // A file being written has nothing to read, so a read loop ends.
    ASSERT_EQ(table.OpenFile(1, (dir.Path() / "w.txt").string(), FileMode::Create), 0);
    EXPECT_TRUE(table.AtFileEnd(1));
}

TEST(DescriptorTable, WrittenLinesAreInTheFileWhenTheTableGoes)
{
    TempDir dir;
    auto path = dir.Path() / "w.txt";
    {
        DescriptorTable table;
        ASSERT_EQ(table.OpenFile(7, path.string(), FileMode::Append), 0);
        EXPECT_EQ(table.FileAt(7)->Write("fim", true), 0);
    }
    EXPECT_EQ(TempDir::Read(path), "fim\n");
}

TEST(ReadJsonFile, ReadsAWholeFileWithoutTakingADescriptor)
{
    struct Case {
        std::string contents;
        std::string shown;
    };
    const Case cases[] = {
        { "[1, 2]\njunk\n", "[1, 2]" },
        { "{\r\n  \"nome\": \"Jos\xC3\xA9\",\r\n  \"ativo\": true\r\n}\r\n",
            "{\"nome\" : \"Jos\xE9\", \"ativo\" : 1}" },
        { "{\"v\": 1.5}\x1A{\"w\": 2}", "{\"v\" : \"1.5\"}" },
        { "", "inv\xE1lido" },
    };
    TempDir dir;
    palavrino::testing::TestMachine m;
    DescriptorTable table;
    ASSERT_EQ(table.OpenFile(15, dir.Write("mine.txt", "meu\n").string(), FileMode::Read), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contents);
        auto path = dir.Write("doc.json", c.contents).string();
        HeapStatsScope scope(m.heap);
        Value v;
        EXPECT_EQ(ReadJsonFile(m, path, v), 0);
        EXPECT_EQ(palavrino::core::ValueToText(v), c.shown);
    }
    // A script's own #15 is untouched.
    std::string line;
    ASSERT_TRUE(table.IsOpen(15));
    EXPECT_EQ(table.FileAt(15)->ReadLine(line), 0);
    EXPECT_EQ(line, "meu");

    HeapStatsScope scope(m.heap);
    Value v = Value::Int(3);
    EXPECT_NE(ReadJsonFile(m, (dir.Path() / "absent.json").string(), v), 0);
    EXPECT_TRUE(v.is(ValueKind::Invalid));
}
