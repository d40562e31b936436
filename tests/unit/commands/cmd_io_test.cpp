// The descriptor commands run through an interpreter over an in-memory
// console: ESCREVE's forms, LE from files and the keyboard, ABRE, FECHA,
// OBSERVA, CHECA, ABREARQ and FIMARQ, and their messages.
#include "commands/standard.h"
#include "interp/runtime.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <gtest/gtest.h>

using palavrino::fakes::TempDir;
using palavrino::interp::Runtime;

namespace {

struct Session {
    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    TempDir dir;

    // The path of a file in the session's folder, as a string literal.
    std::string Q(const std::string& name) const { return "\"" + (dir.Path() / name).string() + "\""; }
    std::string File(const std::string& name) const { return TempDir::Read(dir.Path() / name); }
    void Put(const std::string& name, const std::string& contents) { dir.Write(name, contents); }

    // Runs the lines in interactive mode; true when the last one succeeded.
    bool Run(const std::vector<std::string>& lines)
    {
        bool ok = true;
        for (const std::string& line : lines)
            ok = rt.RunInteractiveLine(line);
        return ok;
    }
    // What the lines wrote.
    std::string Out(const std::vector<std::string>& lines)
    {
        io.written.clear();
        Run(lines);
        return io.written;
    }
    std::string Spoken() const
    {
        std::string s;
        for (const std::string& l : io.spoken)
            s += l + "|";
        return s;
    }
};

} // namespace

TEST(Escreve, ItemsAndListsOnTheConsole)
{
    struct Case {
        std::string line;
        std::string written;
        std::string spoken;
    };
    const Case cases[] = {
        { "ESCREVE \"a\" \"b\"", "ab\n", "ab|" },
        { "ESCREVE \"a\", \"b\"", "a b\n", "a b|" },
        { "ESCREVE 7:4 \"|\"", "7   |\n", "7   ||" },
        { "ESCREVE 7:-4", "   7\n", "   7|" },
        { "ESCREVE \"abcdef\":3", "abcdef\n", "abcdef|" },
        { "ESCREVE 7:\"5\" \"|\"", "7    |\n", "7    ||" },
        { "ESCREVE \"a\" &", "a", "a|" },
        { "ESCREVE MUDO \"x\"", "x\n", "" },
        { "ESCREVE", "\n", "" },
        { "ESCREVE {\"a\" : 1}", "{\"a\" : 1}\n", "{\"a\" : 1}|" },
        { "ESCREVE LISTA [1, 2, 3] \";\"", "1;2;3\n", "1;2;3|" },
        { "ESCREVE LISTA [] \";\"", "\n", "" },
        { "ESCREVE LISTA []", "", "" },
        { "ESCREVE LISTA [1, \"b\"]", "1\nb\n", "1|b|" },
        { "ESCREVE MUDO LISTA [1, 2] \"-\"", "1-2\n", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Session s;
        EXPECT_TRUE(s.Run({ c.line }));
        EXPECT_EQ(s.io.written, c.written);
        EXPECT_EQ(s.Spoken(), c.spoken);
    }
}

TEST(DescriptorCommands, RefusedFormsStopWithTheirMessage)
{
    struct Case {
        std::vector<std::string> setup;
        std::string line;
        std::string message;
    };
    const std::string conflict = " conflitantes para o comando L\xEA";
    const Case cases[] = {
        { {}, "ESCREVE #16 \"x\"", "Descritor de arquivo inv\xE1lido" },
        { {}, "ESCREVE #-1 \"x\"", "Descritor de arquivo inv\xE1lido" },
        { {}, "ESCREVE #\"a\" \"x\"", "Descritor de arquivo inv\xE1lido" },
        { {}, "ESCREVE #3 \"x\"", "Erro no processamento do arquivo #3" },
        { {}, "ESCREVE #\"3\" \"x\"", "Erro no processamento do arquivo #3" },
        { {}, "ESCREVE LISTA 5", "Esperava uma lista para ser escrita" },
        { {}, "ESCREVE LISTA [1] 5", "Esperava uma cadeia como separador" },
        { {}, "ESCREVE \"a\" )", ") n\xE3o era esperado" },
        { {}, "ABRE #1", "Esperava um nome de arquivo" },
        { {}, "ABRE #1 \"\"", "Esperava um nome de arquivo" },
        { {}, "ABRE 1 \"x\"", "Esperava um descritor de arquivo" },
        { {}, "FECHA 1", "Esperava um descritor de arquivo" },
        { {}, "OBSERVA x", "Esperava um descritor de arquivo" },
        { {}, "LE #2 x", "N\xE3o h\xE1 arquivo aberto associado ao descritor #2" },
        { {}, "LE \"Nome:\"", "Faltou a vari\xE1vel para leitura" },
        { {}, "LE LISTA JSON x", "Modificadores LISTA e DICIONARIO" + conflict },
        { {}, "LE INTEIRO LISTA x", "Modificadores INTEIRO e LISTA" + conflict },
        { {}, "LE JSON INTEIRO x", "Modificadores INTEIRO e DICIONARIO" + conflict },
        { {}, "LE INTEIRO LISTA JSON x", "Modificadores INTEIRO, LISTA e DICIONARIO" + conflict },
        { {}, "ABRE #1 \"/nenhuma/pasta/f.txt\"", "Erro na abertura do arquivo /nenhuma/pasta/f.txt" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Session s;
        s.Run(c.setup);
        s.io.written.clear();
        EXPECT_FALSE(s.rt.RunInteractiveLine(c.line));
        EXPECT_EQ(s.io.written, c.message + "\n");
    }
}

TEST(DescriptorCommands, MessagesThatNeedAnOpenFile)
{
    Session s;
    s.Put("a.txt", "x\n");
    ASSERT_TRUE(s.Run({ "ABRE #1 " + s.Q("a.txt") }));
    struct Case {
        std::string line;
        std::string message;
    };
    const Case cases[] = {
        { "ABRE #1 " + s.Q("b.txt") + " &", "O descritor #1 j\xE1 est\xE1 aberto" },
        { "ABRE MUDO #1 " + s.Q("b.txt"), "O descritor #1 j\xE1 est\xE1 aberto" },
        { "LE #1 MUDO x", "Os modificadores MUDO, SENHA ou EDITA s\xF3 se aplicam \xE0 leitura do teclado" },
        { "LE #1 SENHA x", "Os modificadores MUDO, SENHA ou EDITA s\xF3 se aplicam \xE0 leitura do teclado" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        s.io.written.clear();
        EXPECT_FALSE(s.rt.RunInteractiveLine(c.line));
        EXPECT_EQ(s.io.written, c.message + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists(s.dir.Path() / "b.txt"));
}

TEST(DescriptorCommands, WrittenLinesReadBack)
{
    Session s;
    EXPECT_EQ(
        s.Out({ "ABRE #1 " + s.Q("f.txt") + " &", "ESCREVE #1 \"a\xE7\xE3o\", 5", "ESCREVE #1 \"sem fim\" &",
            "ESCREVE #1 \"!\"", "ESCREVE #1 LISTA [1, 2] \"+\"", "CHECA s", "FECHA #1", "ESCREVE s" }),
        "0\n");
    EXPECT_EQ(s.File("f.txt"), "a\xC3\xA7\xC3\xA3o 5\nsem fim!\n1+2\n");
    EXPECT_EQ(s.Out({ "ABRE #2 " + s.Q("f.txt"), "LE #2 a", "LE #2 INTEIRO b", "LE #2 MAIUSC c", "CHECA s1",
                  "LE #2 d", "CHECA s2", "ESCREVE \"[\" a \"][\" b \"][\" c \"][\" d \"]\" s1 s2 TIPO(b)" }),
        "[a\xE7\xE3o 5][sem fim!][1+2][]01cadeia\n");
}

TEST(DescriptorCommands, IntegersCapitalsAndCharactersFromAFile)
{
    Session s;
    s.Put("n.txt", "42\n a\xE7\xE3o\nab\r\n");
    EXPECT_EQ(s.Out({ "ABRE #1 " + s.Q("n.txt"), "LE #1 INTEIRO n", "LE #1 MAIUSC m", "LE #1 c1 &",
                  "LE #1 c2 &", "LE #1 c3 &", "CHECA s1", "LE #1 c4 &", "CHECA s2",
                  "ESCREVE TIPO(n) n + 1, m, c1 c2 c3 \"<\" c4 \">\" s1 s2" }),
        "inteiro43  A\xC7\xC3O ab#10<>01\n");
}

TEST(DescriptorCommands, ListsFromAFileStopAtTheTerminator)
{
    Session s;
    s.Put("l.txt", "a\nb\nFIM\nc\n");
    EXPECT_EQ(s.Out({ "ABRE #1 " + s.Q("l.txt"), "LE #1 LISTA l \"FIM\"", "CHECA s1", "LE #1 MAIUSC LISTA r",
                  "CHECA s2", "LE #1 LISTA vazia", "CHECA s3", "ESCREVE l, r, vazia, s1 s2 s3" }),
        "[a, b] [C] [] 001\n");
}

TEST(DescriptorCommands, AMutedOpenFailureOnlySetsTheStatus)
{
    Session s;
    EXPECT_TRUE(s.Run({ "ABRE MUDO #4 " + s.Q("missing.txt") }));
    EXPECT_EQ(s.io.written, "");
    EXPECT_EQ(s.Out({ "CHECA s", "ESCREVE s" }), "1\n");
    // Appending to a file that does not exist creates it.
    EXPECT_EQ(s.Out({ "ABRE #4 " + s.Q("novo.txt") + " &", "CHECA s", "FECHA #4", "FECHA #4", "ESCREVE s" }),
        "0\n");
    EXPECT_TRUE(std::filesystem::exists(s.dir.Path() / "novo.txt"));
}

TEST(DescriptorCommands, AFileOpenedTheWrongWayIsNeverSilentlyUsed)
{
    Session s;
    s.Put("r.txt", "keep\n");
    EXPECT_EQ(s.Out({ "ABRE #1 " + s.Q("r.txt"), "ESCREVE #1 \"x\"", "CHECA s", "ESCREVE s <> 0" }), "1\n");
    EXPECT_EQ(s.File("r.txt"), "keep\n");
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "ABRE #2 " + s.Q("w.txt") + " &", "LE #2 x" }));
    EXPECT_EQ(s.io.written, "Erro no processamento do arquivo #2\n");
}

TEST(DescriptorCommands, JsonWrittenByEscreveReadsBackEqual)
{
    Session s;
    EXPECT_EQ(
        s.Out({ "d = {\"nome\" : \"Jo\xE3o\", \"q\" : 'diz \"oi\"', \"n\" : -3, \"sub\" : {\"k\" : \"v\"}}",
            "ABRE #1 " + s.Q("d.json") + " &", "ESCREVE #1 d", "FECHA #1", "ABRE #1 " + s.Q("d.json"),
            "LE #1 JSON e", "ESCREVE d = e, e" }),
        "1 {\"nome\" : \"Jo\xE3o\", \"q\" : \"diz \"\"oi\"\"\", \"n\" : -3, \"sub\" : {\"k\" : \"v\"}}\n");
    s.Put("vazio.json", "");
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "ABRE #2 " + s.Q("vazio.json"), "LE #2 JSON v" }));
    EXPECT_EQ(s.io.written, "Erro de leitura; a vari\xE1vel \"V\" n\xE3o foi alterada\n");
}

TEST(Le, LinesFromTheKeyboard)
{
    Session s;
    s.io.input_lines = { "Maria", "ignorada", "12",
        "a\xE7\xFA"
        "car" };
    EXPECT_EQ(s.Out({ "LE \"Nome: \" x", "LE", "LE INTEIRO n", "LE MAIUSC m", "ESCREVE x n + 1 m" }),
        "Nome: \n\n\n\nMaria13A\xC7\xDA"
        "CAR\n");
    EXPECT_EQ(s.io.spoken.front(), "Nome: ");
}

TEST(Le, QuietAndPasswordReadsNeverSpeakWhatWasTyped)
{
    Session s;
    s.io.keys = { 's', '3', 8, 'c', 13, 'a', 'b', 13 };
    EXPECT_TRUE(s.Run({ "LE \"Senha:\" SENHA p", "LE MUDO q" }));
    EXPECT_EQ(s.io.written, "\nab\n");
    EXPECT_EQ(s.Spoken(), "");
    EXPECT_EQ(s.Out({ "ESCREVE MUDO p q" }), "scab\n");
}

TEST(Le, OneKeyFromTheKeyboard)
{
    struct Case {
        std::vector<int> keys;
        std::string text;
    };
    const Case cases[]
        = { { { 13 }, "#13" }, { { 0, 59 }, "#0#59" }, { { 'x' }, "x" }, { { 0xE7 }, "\xE7" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Session s;
        s.io.keys.assign(c.keys.begin(), c.keys.end());
        EXPECT_EQ(s.Out({ "LE k &", "ESCREVE MUDO k" }), c.text + "\n");
    }
}

TEST(Le, JsonFromTheKeyboardJoinsLinesUntilAnEmptyOne)
{
    struct Case {
        std::deque<std::string> lines;
        std::string shown;
    };
    const Case cases[] = {
        { { "{\"a\": [1, 2],", "\"b\": \"x\"}", "" }, "{\"a\" : [1, 2], \"b\" : \"x\"}" },
        { { "[1", "2]", "" }, "[12]" },
        { { "[1, 2]" }, "[1, 2]" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        Session s;
        s.io.input_lines = c.lines;
        EXPECT_EQ(s.Out({ "LE JSON d", "ESCREVE d" }),
            "Leitura de JSON. Termine com uma linha em branco.\n" + std::string(c.lines.size(), '\n')
                + (c.lines.back().empty() ? "" : "\n") + "Fim da leitura de JSON.\n" + c.shown + "\n");
    }
}

TEST(Le, TheKeyboardListDialogue)
{
    struct Case {
        std::string line;
        std::deque<std::string> input;
        std::deque<int> keys;
        std::string shown;
        std::string written_start;
    };
    const Case cases[] = {
        { "LE LISTA l \"FIM\"", { "um", "", "FIM", "depois" }, {}, "[um, ]",
            "Leitura de lista pelo teclado. Termine com uma linha contendo FIM\n" },
        { "LE MAIUSC LISTA l", { "um", "dois", "" }, {}, "[UM, DOIS]",
            "Leitura de lista pelo teclado. Termine com uma linha vazia.\n" },
        // Escape (or input that runs out) ends the list even without its terminator.
        { "LE LISTA l \"FIM\"", { "so um" }, {}, "[so um]", "Leitura de lista pelo teclado. " },
        { "LE MUDO LISTA l", {}, { 'x', 13, 13 }, "[x]", "x\n\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Session s;
        s.io.input_lines = c.input;
        s.io.keys = c.keys;
        std::string out = s.Out({ c.line, "ESCREVE l" });
        EXPECT_EQ(out.substr(0, c.written_start.size()), c.written_start);
        EXPECT_NE(out.find(c.shown + "\n"), std::string::npos) << out;
        EXPECT_EQ(out.find("Fim da leitura da lista") != std::string::npos,
            c.line.find("MUDO") == std::string::npos);
    }
}

TEST(Observa, KeyboardAndFiles)
{
    Session s;
    s.Put("o.txt", "dados\n");
    s.io.keys = { 65 };
    EXPECT_EQ(s.Out({ "OBSERVA TECLADO t", "ABRE #1 " + s.Q("o.txt"), "OBSERVA #1 f", "OBSERVA #9 z",
                  "ESCREVE t f z" }),
        "100\n");
    s.io.keys.clear();
    EXPECT_EQ(s.Out({ "OBSERVA TECLADO t", "ESCREVE t" }), "0\n");
}

TEST(Abrearq, OpensInThreeModesAndReportsThroughTheStatus)
{
    Session s;
    s.Put("a.txt", "velho\n");
    EXPECT_EQ(s.Out({ "x = ABREARQ(#3, " + s.Q("a.txt") + ", \"l\")", "CHECA s1",
                  "y = ABREARQ(3, " + s.Q("b.txt") + ", \"L\")", "CHECA s2", "LE #3 linha",
                  "ESCREVE x y s1 s2 linha" }),
        "1001velho\n");
    EXPECT_EQ(s.Out({ "ESCREVE TIPO(ABREARQ(4, " + s.Q("a.txt")
                  + ", \"x\")), TIPO(ABREARQ(16, \"f\", \"l\")),"
                    " TIPO(ABREARQ(\"4\", \"f\", \"l\"))" }),
        "indefinido indefinido indefinido\n");
    EXPECT_EQ(s.Out({ "x = ABREARQ(5, " + s.Q("a.txt") + ", \"a\")", "ESCREVE #5 \"mais\"", "FECHA #5",
                  "y = ABREARQ(6, " + s.Q("c.txt") + ", \"E\")", "ESCREVE #6 \"novo\"", "FECHA #6",
                  "z = ABREARQ(7, " + s.Q("nada.txt") + ", \"l\")", "CHECA s", "ESCREVE x y z s" }),
        "1101\n");
    EXPECT_EQ(s.File("a.txt"), "velho\nmais\n");
    EXPECT_EQ(s.File("c.txt"), "novo\n");
}

TEST(Fimarq, EndsAReadLoop)
{
    for (const char* fn : { "FIMARQ", "FDA" }) {
        SCOPED_TRACE(fn);
        Session s;
        s.Put("l.txt", "a\r\nb\r\n\r\n");
        const std::vector<std::string> lines = {
            "ABRE #1 " + s.Q("l.txt"),
            "n = 0",
            "ENQUANTO NAO " + std::string(fn) + "(#1)",
            "  LE #1 linha",
            "  n = n + 1",
            "FIM ENQUANTO",
            "ESCREVE n, " + std::string(fn) + "(1), TIPO(" + fn + "(\"1\")), " + fn + "(2)",
        };
        int32_t slot = s.rt.LoadScriptList(lines);
        ASSERT_TRUE(s.rt.CompileSlot(slot)) << s.io.written;
        EXPECT_TRUE(s.rt.RunSlot(slot, 1));
        EXPECT_EQ(s.io.written, "3 1 indefinido 0\n");
    }
}
