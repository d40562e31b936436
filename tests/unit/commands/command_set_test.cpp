// The command set: families register their rows, every word of the language
// ends up with exactly one handler, a word with no family answers a clear
// message, and registration mistakes are caught at start-up.
#include "commands/standard.h"
#include "interp/runtime.h"
#include "tests/support/memory_host_io.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {

using palavrino::core::SymbolKind;
using palavrino::interp::CommandRow;
using palavrino::interp::CommandSet;
using palavrino::interp::Runtime;

bool Ok(Runtime&)
{
    return true;
}

TEST(CommandSet, TheStandardSetHasEveryWordOnceInOrder)
{
    const CommandSet& set = palavrino::commands::StandardCommands();
    ASSERT_TRUE(set.Finished());
    const auto& rows = set.Rows();
    ASSERT_EQ(rows.size(), palavrino::interp::LanguageCommandWords().size());
    EXPECT_TRUE(std::is_sorted(
        rows.begin(), rows.end(), [](const CommandRow& a, const CommandRow& b) { return a.word < b.word; }));
    EXPECT_EQ(std::adjacent_find(rows.begin(), rows.end(),
                  [](const CommandRow& a, const CommandRow& b) { return a.word == b.word; }),
        rows.end());
    for (std::string_view word : palavrino::interp::LanguageCommandWords()) {
        SCOPED_TRACE(std::string(word));
        ASSERT_NE(set.Find(word), nullptr);
    }
    // Block kinds the compiler relies on.
    EXPECT_EQ(set.Find("ENQUANTO")->kind, SymbolKind::Loop);
    EXPECT_EQ(set.Find("SENAO")->kind, SymbolKind::Else);
    EXPECT_EQ(set.Find("FUNCAO")->kind, SymbolKind::FunctionDef);
    EXPECT_TRUE(set.IsAvailable("ESCREVE"));
    EXPECT_TRUE(set.IsAvailable("FALA"));
}

TEST(CommandSet, AWordWithoutAFamilyIsUnavailableWithItsMessage)
{
    CommandSet set;
    palavrino::interp::RegisterLanguageCommands(set);
    set.Finish();
    EXPECT_FALSE(set.IsAvailable("ESCREVE"));
    EXPECT_TRUE(set.IsAvailable("SOMA"));

    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, set };
    EXPECT_FALSE(rt.RunInteractiveLine("ESCREVE \"ol\xE1\""));
    EXPECT_EQ(io.written, "O comando ESCREVE n\xE3o est\xE1 dispon\xEDvel nesta vers\xE3o\n");
    ASSERT_FALSE(io.spoken.empty());
    EXPECT_EQ(io.spoken.back(), "O comando ESCREVE n\xE3o est\xE1 dispon\xEDvel nesta vers\xE3o");
    // The language itself still runs.
    io.written.clear();
    EXPECT_TRUE(rt.RunInteractiveLine("SEJA x 2 + 3"));
    EXPECT_EQ(io.written, "");
}

TEST(CommandSet, AFamilyReplacesTheUnavailableRowAndANative)
{
    static constexpr CommandRow rows[] = { { "TOCA", Ok, SymbolKind::Command } };
    CommandSet set;
    palavrino::interp::RegisterLanguageCommands(set);
    set.Add(rows);
    set.SetNative(palavrino::core::BuiltinId::Conteudo, [](palavrino::core::Machine&) { return true; });
    set.Finish();
    EXPECT_TRUE(set.IsAvailable("TOCA"));
    EXPECT_EQ(set.Find("TOCA")->handler, &Ok);
    EXPECT_NE(set.Natives()[static_cast<size_t>(palavrino::core::BuiltinId::Conteudo)], nullptr);
    EXPECT_EQ(set.Natives()[static_cast<size_t>(palavrino::core::BuiltinId::Chr)], nullptr);

    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, set };
    EXPECT_TRUE(rt.RunInteractiveLine("TOCA"));
    EXPECT_EQ(io.written, "");
}

TEST(CommandSetDeathTest, RegistrationMistakesStopTheProgram)
{
    static constexpr CommandRow twice[] = { { "SOMA", Ok, SymbolKind::Command } };
    static constexpr CommandRow unknown[] = { { "PULA", Ok, SymbolKind::Command } };
    EXPECT_DEATH(
        {
            CommandSet set;
            palavrino::interp::RegisterLanguageCommands(set);
            set.Add(twice);
        },
        "registrado duas vezes: SOMA");
    EXPECT_DEATH(
        {
            CommandSet set;
            set.Add(unknown);
        },
        "PULA");
}

} // namespace
