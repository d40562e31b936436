// The links the compile pass writes: block chains of SE/SENAO, loop heads
// and their FIM, QUEBRA and CONTINUA, functions, and the compile errors
// with the line where the pass stopped.
#include "commands/standard.h"
#include "interp/runtime.h"
#include "tests/support/memory_host_io.h"

#include <gtest/gtest.h>

using namespace palavrino::interp;
using palavrino::testing::MemoryHostIo;

namespace {

struct Compiled {
    MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    int32_t slot { -1 };
    bool ok { false };

    explicit Compiled(const std::vector<std::string>& lines)
    {
        slot = rt.LoadScriptList(lines);
        ok = rt.CompileSlot(slot);
    }
    const CodeRec& Line(int32_t n) { return rt.SlotAt(slot).lines[static_cast<size_t>(n)]; }
    std::string Command(int32_t n)
    {
        const CodeRec& rec = Line(n);
        if (!rec.command)
            return "-";
        if (rec.command == rt.one_line_if_entry)
            return "SE1";
        return rec.command->name;
    }
};

} // namespace

TEST(Compile, IfElseChainsLinkThroughEveryBranch)
{
    Compiled c({
        "SE x = 1 ENTAO", // 1
        "  a = 1", // 2
        "SENAO SE x = 2", // 3
        "  a = 2", // 4
        "SENAO", // 5
        "  a = 3", // 6
        "FIM SE", // 7
    });
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.Line(1).jump, 3); // SE -> first SENAO SE
    EXPECT_EQ(c.Line(3).jump, 5); // SENAO SE -> SENAO
    EXPECT_EQ(c.Line(5).jump, 7); // SENAO -> FIM SE
    EXPECT_EQ(c.Line(2).next, 7); // each branch's last line continues at FIM SE
    EXPECT_EQ(c.Line(4).next, 7);
    EXPECT_EQ(c.Line(6).next, 7);
    EXPECT_EQ(c.Line(7).jump, 8);
}

TEST(Compile, AnEmptyTrueBranchSkipsTheElse)
{
    Compiled c({ "SE 1", "SENAO", "  a = 1", "FIM SE" });
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.Line(1).next, 4); // the SE line itself continues at FIM SE
    EXPECT_EQ(c.Line(1).jump, 2);
}

TEST(Compile, LoopsBreakAndContinueLinkToTheirHeads)
{
    Compiled c({
        "PARA i DE 1 ATE 3", // 1
        "  ENQUANTO 1", // 2
        "    QUEBRA", // 3
        "    SE 1 ENTAO CONTINUA", // 4
        "  FIM ENQUANTO", // 5
        "  CONTINUA", // 6
        "FIM PARA", // 7
    });
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.Line(1).jump, 7);
    EXPECT_EQ(c.Line(7).jump, 1);
    EXPECT_EQ(c.Line(2).jump, 5);
    EXPECT_EQ(c.Line(5).jump, 2);
    EXPECT_EQ(c.Line(3).jump, 2);
    EXPECT_EQ(c.Line(4).jump, 2);
    EXPECT_EQ(c.Command(4), "SE1");
    EXPECT_EQ(c.Line(6).jump, 1);
}

TEST(Compile, FunctionsGetTheirEndAndParameterCount)
{
    Compiled c({ "FUNCAO F(a, b, c) : x = 1", "  RETORNA a", "FIM FUNCAO", "y = F(1, 2, 3)" });
    ASSERT_TRUE(c.ok);
    palavrino::core::SymtbEntry* f = c.rt.symbols.FindSymbol(c.slot, nullptr, "F");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->kind, palavrino::core::SymbolKind::UserFunction);
    EXPECT_EQ(f->value2, 3);
    EXPECT_EQ(f->line, 1);
    EXPECT_EQ(f->end_line, 3);
    EXPECT_EQ(c.Line(1).jump, 3);
    EXPECT_EQ(c.Command(3), "RETORNA");
    EXPECT_EQ(c.Line(2).function, f);
    EXPECT_EQ(c.Line(3).function, f);
    EXPECT_EQ(c.Line(4).function, nullptr);
}

TEST(Compile, ErrorsStopThePassAtTheirLine)
{
    struct Case {
        std::vector<std::string> lines;
        int32_t stop_line;
        const char* message;
    };
    const Case cases[] = {
        { { "PARA i EM [1]", "FIM ENQUANTO" }, 2,
            "Comando FIM ENQUANTO n\xE3o corresponde ao comando PARA na linha 1" },
        { { "x = 1", "SE 1", "  y = 2" }, 3, "Faltou finalizar o comando SE, iniciado na linha 2" },
        { { "QUEBRA" }, 1, "Comando QUEBRA fora de um comando iterativo" },
        { { "SE 1 ENTAO QUEBRA" }, 1, "Comando QUEBRA fora de um comando iterativo" },
        { { "SENAO" }, 1, "Comando SEN\xC3O sobrando" },
        { { "FIM SE" }, 1, "Comando FIM sobrando" },
        { { "SE 1", "FIM" }, 2, "Esperava o complemento do comando FIM" },
        { { "FUNCAO FALA" }, 1,
            "\"FALA\" j\xE1 \xE9 um identificador de comando; n\xE3o pode ser nome de fun\xE7\xE3o" },
        { { "FUNCAO 1" }, 1, "Esperava o nome da fun\xE7\xE3o" },
        { { "LOCAL x" }, 1, "O comando LOCAL s\xF3 \xE9 v\xE1lido no corpo de uma fun\xE7\xE3o" },
        { { "FUNCAO F()", "  ENQUANTO 1", "    LOCAL x", "  FIM ENQUANTO", "FIM FUNCAO" }, 3,
            "O comando LOCAL n\xE3o pode estar no corpo de um comando iterativo" },
        { { "SE 1", "  FUNCAO G()", "  FIM FUNCAO", "FIM SE" }, 2,
            "Fun\xE7\xF5"
            "es n\xE3o podem estar aninhadas em comandos ou em outras fun\xE7\xF5"
            "es" },
        { { "SE 1 ENTAO LOCAL x" }, 1, "O comando LOCAL n\xE3o pode aparecer na mesma linha do comando SE" },
        { { "SE 1 ENTAO PARA i EM [1]" }, 1, "Esperava um comando simples na mesma linha do comando SE" },
        { { "SE 1", "SENAO SE 2 ENTAO x = 1", "FIM SE" }, 2,
            "O comando SE de uma linha n\xE3o \xE9 permitido ap\xF3s SEN\xC3O" },
        { { "@A", "@a:" }, 2, "R\xF3tulo \"@A\" desconsiderado" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Compiled k(c.lines);
        EXPECT_FALSE(k.ok);
        EXPECT_EQ(k.rt.SlotAt(k.slot).current_line, c.stop_line);
        ASSERT_FALSE(k.io.spoken.empty());
        EXPECT_EQ(k.io.spoken.back(), c.message);
    }
}

TEST(Compile, ContinuationLinesJoinTheirHead)
{
    Compiled c({ "x = [1,", "& 2,", "&3]", "y = 1" });
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.Line(1).text, "x = [1, 2, 3]\n");
    EXPECT_EQ(c.Line(1).span, 3);
    EXPECT_EQ(c.rt.SlotAt(c.slot).last_line, 4);
}

TEST(Compile, ACompiledSlotIsNotCompiledAgain)
{
    Compiled c({ "PARA i EM [1]", "FIM PARA" });
    ASSERT_TRUE(c.ok);
    c.io.spoken.clear();
    EXPECT_TRUE(c.rt.CompileSlot(c.slot));
    EXPECT_TRUE(c.io.spoken.empty());
}
