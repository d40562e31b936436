// The data commands as the user types them, with their messages, and the
// pure pieces under them: the counter arithmetic on trailing digits and the
// comparison and quicksort of ORDENA.
#include "commands/standard.h"
#include "interp/data_ops.h"
#include "interp/runtime.h"
#include "tests/support/memory_host_io.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace palavrino::interp {
namespace {

    constexpr std::string_view LEFTOVER = "A linha deveria terminar";

    // One interpreter in interactive mode.
    struct Session {
        palavrino::testing::MemoryHostIo io;
        Runtime rt { io, palavrino::commands::StandardCommands() };

        // What the line wrote, without its final line break.
        std::string Output(const std::string& line)
        {
            io.written.clear();
            rt.RunInteractiveLine(line);
            std::string out = io.written;
            if (!out.empty() && out.back() == '\n')
                out.pop_back();
            return out;
        }
        // The kind and text form of an expression, e.g. "cadeia a17".
        std::string Show(const std::string& expression)
        {
            return Output("TIPO(" + expression + ")") + " " + Output(expression);
        }
    };

    struct CommandCase {
        std::vector<std::string> setup;
        std::string command;
        bool ok;
        std::string shown; // Show(watch) afterwards; empty to skip
        std::string message; // must appear in what the command wrote
        std::string watch = "x";
    };

    void RunCases(const std::vector<CommandCase>& cases)
    {
        for (const CommandCase& c : cases) {
            SCOPED_TRACE(c.command);
            Session s;
            for (const std::string& line : c.setup)
                ASSERT_TRUE(s.rt.RunInteractiveLine(line)) << line << ": " << s.io.written;
            s.io.written.clear();
            EXPECT_EQ(s.rt.RunInteractiveLine(c.command), c.ok) << s.io.written;
            const std::string written = s.io.written;
            if (c.message.empty()) {
                EXPECT_EQ(written, "");
            } else {
                EXPECT_NE(written.find(c.message), std::string::npos) << written;
            }
            // A failing command ends its line: one explanation, not two.
            EXPECT_EQ(written.find(LEFTOVER), std::string::npos) << written;
            if (!c.shown.empty()) {
                EXPECT_EQ(s.Show(c.watch), c.shown);
            }
        }
    }

    TEST(DataCommands, ArithmeticInPlace)
    {
        const std::string first_soma = "O primeiro operando do comando SOMA n\xE3o \xE9 inteiro";
        RunCases({
            { { "x = '12'" }, "SOMA x 5", true, "inteiro 17", "" },
            { { "x = 'a12'" }, "SOMA x 5", true, "cadeia a17", "" },
            { { "x = '12a'" }, "SOMA x 5", true, "cadeia 12a", "" },
            { { "x = 'A00'" }, "SUBTRAI x 1", true, "cadeia A99", "" },
            { { "x = 'V10'" }, "SOMA x -1", true, "cadeia V09", "" },
            { { "x = 'V05'" }, "SUBTRAI x -7", true, "cadeia V12", "" },
            { { "DESTROI x" }, "SOMA x 5", false, "indefinido indefinido", first_soma },
            { { "x = [1]" }, "SOMA x 1", false, "lista [1]", first_soma },
            { { "x = 'a12'" }, "MULTIPLICA x 2", false, "cadeia a12",
                "O primeiro operando do comando MULTIPLICA n\xE3o \xE9 inteiro" },
            { { "x = 5" }, "SOMA x 'a'", false, "inteiro 5",
                "O segundo operando do comando SOMA deve ser inteiro" },
            { { "x = 7" }, "DIVIDE x 0", true, "inteiro 7", "Divis\xE3o por zero evitada" },
            { { "x = -7" }, "DIVIDE x 2", true, "inteiro -3", "" },
            { { "x = 2147483647" }, "SOMA x 1", true, "inteiro -2147483648", "" },
            { { "x = '$10'" }, "MULTIPLICA x 2", true, "inteiro 32", "" },
            { { "x = [5, 'b9']" }, "SOMA x[1] 1", true, "lista [5, b0]", "" },
        });
    }

    TEST(DataCommands, AssignmentSejaAndDestroi)
    {
        const std::string not_changed = " n\xE3o foi modificada";
        RunCases({
            { {}, "x = 5", true, "inteiro 5", "" },
            { {}, "x := 'a'", true, "cadeia a", "" },
            { {}, "SEJA x 5", true, "inteiro 5", "" },
            { {}, "SEJA x[7]", true, "inteiro 7", "" },
            { { "d = {}" }, "SEJA d['k', 9]", true, "dicion\xE1rio {\"k\" : 9}", "", "d" },
            { { "l = [[1], 2]" }, "SEJA l[0][0, 5]", true, "lista [[5], 2]", "", "l" },
            { {}, "SEJA x", false, "", "Esperava uma express\xE3o para atribuir a \"X\"" },
            { { "x = 3" }, "x = y", false, "inteiro 3",
                "Express\xE3o inv\xE1lida; a vari\xE1vel \"X\"" + not_changed },
            { { "x = [1, 2]" }, "x[0] = y", false, "lista [1, 2]",
                "Express\xE3o inv\xE1lida; a vari\xE1vel \"X[0]\"" + not_changed },
            { { "x = 3" }, "SEJA x := y", false, "inteiro 3", not_changed },
            { { "x = 5" }, "DESTROI x", true, "indefinido indefinido", "" },
            { { "x = [1, 2]" }, "DESTROI x[1]", true, "lista [1, indefinido]", "" },
            { {}, "TAMANHO('abc') 1", false, "",
                "\"TAMANHO\" \xE9 um identificador de fun\xE7\xE3o nativa, n\xE3o pode ser usado como "
                "vari\xE1vel" },
            { {}, "SEJA TAMANHO 1", false, "", "\"TAMANHO\" \xE9 um identificador de fun\xE7\xE3o nativa" },
        });
    }

    TEST(DataCommands, InteractiveLinesShowTheirValue)
    {
        Session s;
        EXPECT_EQ(s.Output("2 + 3"), "5");
        ASSERT_TRUE(s.rt.RunInteractiveLine("x = 4"));
        EXPECT_EQ(s.Output("x + 1"), "5");
        EXPECT_EQ(s.Output("x"), "4");
        EXPECT_EQ(s.Output("TAMANHO('abc')"), "3");
        EXPECT_EQ(s.Output("INDEFINIDO()"), ""); // a call showing nothing has nothing to show
    }

    TEST(DataCommands, ScriptLinesThatAreNotCommandsFailSilently)
    {
        const std::vector<std::vector<std::string>> scripts = {
            { "x" },
            { "FALAR 'oi'" },
            { "5 + 3" },
            { "x = 1", "x 2" },
        };
        for (const auto& lines : scripts) {
            SCOPED_TRACE(lines.back());
            Session s;
            int32_t slot = s.rt.LoadScriptList(lines);
            ASSERT_TRUE(s.rt.CompileSlot(slot));
            EXPECT_FALSE(s.rt.RunSlot(slot, 1));
            EXPECT_EQ(s.io.written, "");
            EXPECT_EQ(s.rt.Slot().current_line, static_cast<int32_t>(lines.size()));
        }
    }

    TEST(DataCommands, FunctionCallLines)
    {
        struct Case {
            std::vector<std::string> lines;
            bool ok;
            std::string written;
        };
        const std::string header = "Erro na linha 4: ";
        const std::vector<Case> cases = {
            { { "FUNCAO F(a)", "FALA a", "FIM FUNCAO", "F('oi')" }, true, "" },
            { { "FUNCAO F(a)", "FALA a", "FIM FUNCAO", "F('oi') 2" }, false,
                header
                    + "\"F\" \xE9 um identificador de fun\xE7\xE3o, n\xE3o pode ser usado como "
                      "vari\xE1vel\n" },
            { { "FUNCAO F(a)", "FALA a", "FIM FUNCAO", "F('oi') := 2" }, false,
                header
                    + "\"F\" \xE9 um identificador de fun\xE7\xE3o, n\xE3o pode ser usado como "
                      "vari\xE1vel\n" },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.lines.back());
            Session s;
            int32_t slot = s.rt.LoadScriptList(c.lines);
            ASSERT_TRUE(s.rt.CompileSlot(slot));
            EXPECT_EQ(s.rt.RunSlot(slot, 1), c.ok);
            EXPECT_EQ(s.io.written, c.written);
            // The call itself runs before the leftover is found.
            EXPECT_EQ(s.io.spoken.empty() ? "" : s.io.spoken.front(), "oi");
        }
    }

    TEST(DataCommands, StringCommands)
    {
        const std::string only_strings = "O comando CONCATENA aplica-se a cadeias";
        RunCases({
            { { "x = 'ab'" }, "CONCATENA x 'cd'", true, "cadeia abcd", "" },
            { { "x = 5" }, "CONCATENA x 'cd'", true, "cadeia 5cd", "" },
            { {}, "CONCATENA x 'a'", false, "", only_strings },
            { { "x = 'ab'", "y = x" }, "CONCATENA x x", true, "cadeia abab", "",
                "y" }, // shared, grown in place
            { {}, "CONCATENA x LISTA [1, 'b', [3]] ', '", true, "cadeia 1, b, [3]", "" },
            { {}, "CONCATENA x LISTA ['a']", true, "cadeia a", "" },
            { {}, "CONCATENA x LISTA 5", false, "", "Esperava uma lista para concatenar" },
            { {}, "COPIA x 'abcdef' 2 4", true, "cadeia bcd", "" },
            { {}, "COPIA x 'abc' 'a' 2", false, "", "Operandos inv\xE1lidos para o comando COPIA" },
            { { "x = 'aab'" }, "SUBSTITUI x 'ab' 'b'", true, "cadeia b", "" },
            { {}, "SUBSTITUI x 'a' 'b'", false, "",
                "Esperava tr\xEAs cadeias como argumentos para o comando SUBSTITUI" },
            { { "x = 'abcdef'" }, "TROCA x 'XY' 2 3", true, "cadeia aXYdef", "" },
            { {}, "TROCA x 'a' 1 2", false, "", "A vari\xE1vel especificada n\xE3o cont\xE9m uma cadeia" },
            { { "x = 'abc'" }, "TROCA x y 1 2", false, "cadeia abc",
                "O terceiro argumento deveria ser a nova cadeia" },
            { { "x = 'abc'" }, "TROCA x 'a' 'b' 1", false, "cadeia abc",
                "O quarto e quinto argumentos deveriam ser inteiros" },
            { {}, "SEPARA x 'a,,b' ','", true, "lista [a, , b]", "" },
            { {}, "SEPARA x '' ','", true, "inteiro 1", "", "TAMANHO(x)" },
            { {}, "SEPARA x ' a , b ' ',' &", true, "lista [a, b]", "" },
            { {}, "SEPARA x", false, "", "Esperava uma cadeia e um separador para o comando SEPARA" },
        });
    }

    TEST(DataCommands, Conversions)
    {
        RunCases({
            { { "x = 'abc'" }, "CONVERTE x PARA MIME", true, "cadeia YWJj", "" },
            { { "x = 'YWJj'" }, "CONVERTE x de mime", true, "cadeia abc", "" },
            { { "x = 'a%2'" }, "CONVERTE x DE URL", true, "cadeia a", "" },
            { { "x = '\xE7\xE3o'" }, "CONVERTE x PARA UTF8", true, "inteiro 5", "", "TAMANHO(x)" },
            { { "x = '\xE7\xE3o'", "CONVERTE x PARA UTF" }, "CONVERTE x DE UTF", true, "cadeia \xE7\xE3o",
                "" },
            { { "x = 'a'" }, "CONVERTE x A MIME", false, "cadeia a", "Esperava DE ou PARA" },
            { { "x = 'a'" }, "CONVERTE x PARA 5", false, "cadeia a",
                "Esperava o c\xF3"
                "digo de convers\xE3o" },
            { { "x = 'a'" }, "CONVERTE x PARA base64", false, "cadeia a",
                "C\xF3"
                "digo de convers\xE3o desconhecido: base64" },
            { {}, "CONVERTE x PARA URL", false, "",
                "A vari\xE1vel especificada n\xE3o cont\xE9m uma cadeia" },
        });
    }

    TEST(DataCommands, ListCommands)
    {
        const std::string l = "l = ['ana', 12, 'b', '']";
        RunCases({
            { { "x = [1]" }, "ANEXA x [2, 3]", true, "lista [1, 2, 3]", "" },
            { { "x = [1]" }, "ANEXA x, [2]", true, "lista [1, 2]", "" },
            { { "x = [1]" }, "ANEXA x[4, 5]", true, "lista [1, 4, 5]", "" },
            { { "x = [1]", "y = x" }, "ANEXA x [2]", true, "lista [1]", "", "y" }, // a new list
            { { "x = 5" }, "ANEXA x [1]", false, "inteiro 5",
                "O comando ANEXA espera listas como argumentos" },
            { { l }, "PROCURA x l 0 'Ana'", true, "inteiro -1", "" },
            { { l }, "PROCURA x l 0 'Ana' MAIUSC", true, "inteiro 0", "" },
            { { l }, "PROCURA x l 0 'N' MAIUSC PARCIAL", true, "inteiro 0", "" },
            { { l }, "PROCURA x l 0 '12'", true, "inteiro 1", "" },
            { { l }, "PROCURA x l 0 12", true, "inteiro 1", "" },
            { { l }, "PROCURA x l 2 12", true, "inteiro -1", "" },
            { { l }, "PROCURA x l (-5) 'b'", true, "inteiro 2", "" },
            { { l }, "PROCURA x l 9 'b'", true, "inteiro -1", "" },
            { { l }, "PROCURA x l 0 ''", true, "inteiro 3", "" },
            { { l }, "PROCURA x l 0 12 PARCIAL", false, "",
                "Os modificadores PARCIAL ou MAIUSC aplicam-se apenas \xE0 busca de cadeias na lista" },
            { {}, "PROCURA x 5 0 1", false, "", "O segundo argumento deveria ser uma LISTA" },
            { { l }, "PROCURA x l 'a' 1", false, "",
                "O terceiro argumento deveria ser a posi\xE7\xE3o na lista" },
            { { l }, "PROCURA x l 0 [1]", false, "",
                "O comando PROCURA busca apenas inteiros ou cadeias na lista" },
            { { "x = ['10', '9', '2']" }, "ORDENA x", true, "lista [10, 2, 9]", "" },
            { { "x = ['10', '9', '2']" }, "ORDENA x NUMERICO", true, "lista [2, 9, 10]", "" },
            { { "x = ['10', 9, '2']" }, "ORDENA x DECRESCENTE NUMERICO", true, "lista [10, 9, 2]", "" },
            { { "x = ['b', 'C', 'a']" }, "ORDENA x", true, "lista [C, a, b]", "" },
            { { "x = ['b', 'C', 'a']" }, "ORDENA x MAIUSC", true, "lista [a, b, C]", "" },
            { { "x = [3, 1, 2]", "y = x" }, "ORDENA x", true, "lista [1, 2, 3]", "", "y" }, // sorted in place
            { { "x = 'abc'" }, "ORDENA x", false, "", "Esperava uma lista para ordenar" },
        });
    }

    TEST(DataOps, TrailingDigitArithmetic)
    {
        struct Case {
            const char* text;
            int32_t operand;
            bool subtract;
            const char* expected;
        };
        const Case cases[] = {
            { "ARQ009", 1, false, "ARQ010" }, { "ARQ99", 1, false, "ARQ00" }, { "V10", 1, true, "V09" },
            { "A00", 1, true, "A99" }, { "99", 1, false, "00" }, { "x5", -7, false, "x8" },
            { "x5", -7, true, "x2" }, { "a12", 5, false, "a17" }, { "12a", 5, false, "12a" },
            { "", 3, false, "" }, { "x0", 123, false, "x3" }, // higher digits have nowhere to go
            { "x1000", 1, true, "x0999" }, { "x0", 0, true, "x0" },
            { "n0000000000", INT32_MIN, true, "n2147483648" }, // SUBTRAI of a negative adds
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.text) + (c.subtract ? " - " : " + ") + std::to_string(c.operand));
            std::string text = c.text;
            AddToTrailingDigits(text, c.operand, c.subtract);
            EXPECT_EQ(text, c.expected);
        }
    }

    TEST(DataOps, SortComparison)
    {
        using core::Value;
        const Value s9 = Value::String("9"), s10 = Value::String("10"), i9 = Value::Int(9);
        const Value a = Value::String("a"), upper_a = Value::String("A"), list = Value::NewList();
        struct Case {
            const char* name;
            const Value &x, &y;
            SortOptions options;
            int sign;
        };
        const Case cases[] = {
            { "texts compare as text", s9, s10, {}, 1 },
            { "numeric texts", s9, s10, { false, true, false }, -1 },
            { "descending numeric", s9, s10, { true, true, false }, 1 },
            { "integer against text as text", i9, s10, {}, 1 },
            { "integer against numeric text", i9, s10, { false, true, false }, -1 },
            { "equal numbers", i9, s9, { false, true, false }, 0 },
            { "bytes unsigned, A before a", upper_a, a, {}, -1 },
            { "upper-cased", upper_a, a, { false, false, true }, 0 },
            { "other kinds: -1", list, a, { true, false, false }, -1 },
            { "other kinds either way", a, list, { true, false, false }, -1 },
            { "same other kind", list, list, {}, 0 },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            int r = CompareForSort(c.x, c.y, c.options);
            EXPECT_EQ((r > 0) - (r < 0), c.sign);
        }
        // Extreme integers are compared, not subtracted.
        EXPECT_LT(CompareForSort(Value::Int(INT32_MIN), Value::Int(1), {}), 0);
        EXPECT_GT(CompareForSort(Value::Int(INT32_MAX), Value::Int(-1), {}), 0);
        EXPECT_GT(CompareForSort(Value::String("\xE9"), Value::String("z"), {}), 0);
    }

    // The quicksort exactly as the list container describes it: recursion on
    // the left part, loop on the right, no bounds on I and J.
    void ReferenceQuicksort(core::ListObj& l, int32_t lo, int32_t hi, const SortOptions& o)
    {
        int32_t i = lo;
        do {
            i = lo;
            int32_t j = hi;
            const core::Value pivot = l.At((lo + hi) / 2);
            do {
                while (CompareForSort(l.At(i), pivot, o) < 0)
                    ++i;
                while (CompareForSort(l.At(j), pivot, o) > 0)
                    --j;
                if (i <= j) {
                    if (i != j)
                        l.Swap(i, j);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (lo < j)
                ReferenceQuicksort(l, lo, j, o);
            lo = i;
        } while (i < hi);
    }

    std::string Describe(const core::ListObj& l)
    {
        std::string out;
        for (int32_t i = 0; i < l.Count(); ++i)
            out += std::string(core::KindName(l.At(i).kind())) + ":" + core::ValueToText(l.At(i)) + " ";
        return out;
    }

    // Equal-comparing cells ("a" and "A" with MAIUSC, 1 and "01" with
    // NUMERICO, lists among texts) end where the described quicksort puts them.
    TEST(DataOps, QuicksortOrdersEqualCellsAsDescribed)
    {
        std::mt19937 random(5);
        const auto pick = [&]() {
            switch (random() % 9) {
            case 0:
                return core::Value::String("a");
            case 1:
                return core::Value::String("A");
            case 2:
                return core::Value::String("b");
            case 3:
                return core::Value::String("01");
            case 4:
                return core::Value::String("1");
            case 5:
                return core::Value::Int(1);
            case 6:
                return core::Value::Int(2);
            case 7:
                return core::Value::NewList();
            default:
                return core::Value::NewDict();
            }
        };
        for (int round = 0; round < 2000; ++round) {
            const auto n = static_cast<int32_t>(2 + random() % 40);
            core::Value ours = core::Value::NewList();
            core::Value theirs = core::Value::NewList();
            for (int32_t i = 0; i < n; ++i) {
                core::Value v = pick();
                ours.List().Append(v);
                theirs.List().Append(v);
            }
            const SortOptions options { random() % 2 == 0, random() % 2 == 0, random() % 2 == 0 };
            SCOPED_TRACE(Describe(theirs.List()));
            SortList(ours.List(), options);
            ReferenceQuicksort(theirs.List(), 0, n - 1, options);
            ASSERT_EQ(Describe(ours.List()), Describe(theirs.List()));
        }
    }

    TEST(DataOps, QuicksortSortsLargeAndAdversarialLists)
    {
        std::mt19937 random(11);
        const int32_t n = 20000;
        std::vector<std::vector<int32_t>> inputs(3);
        for (int32_t i = 0; i < n; ++i) {
            inputs[0].push_back(static_cast<int32_t>(random()));
            inputs[1].push_back(i < n / 2 ? i : n - i); // organ pipe
            inputs[2].push_back(i % 3); // many equal keys
        }
        for (const auto& input : inputs) {
            core::Value v = core::Value::NewList();
            for (int32_t x : input)
                v.List().Append(core::Value::Int(x));
            SortList(v.List(), {});
            std::vector<int32_t> expected = input;
            std::sort(expected.begin(), expected.end());
            ASSERT_EQ(v.List().Count(), n);
            for (int32_t i = 0; i < n; ++i)
                ASSERT_EQ(v.List().At(i).AsInt(), expected[static_cast<size_t>(i)]) << i;
        }
    }

} // namespace
} // namespace palavrino::interp
