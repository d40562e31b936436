// Files and folders as wholes: the "*"/"?" matcher, folder listings with
// their attribute masks, CONTEUDO and DIRETORIO, and the commands BUSCA,
// RENOMEIA, REPLICA, REMOVE and DIR run through an interpreter, with their
// failures with and without the final "&".
#include "commands/admin/cmd_admin.h"
#include "commands/files/cmd_fs.h"
#include "commands/standard.h"
#include "devices/text_file.h"
#include "interp/runtime.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using palavrino::core::Value;
using palavrino::core::ValueKind;
using palavrino::fakes::TempDir;
using palavrino::interp::Runtime;
using namespace palavrino::devices;

namespace {

struct Session {
    palavrino::testing::MemoryHostIo io;
    Runtime rt { io, palavrino::commands::StandardCommands() };
    TempDir dir;

    std::string P(const std::string& name) const { return (dir.Path() / name).string(); }
    // The path of a file in the session's folder, as a string literal.
    std::string Q(const std::string& name) const { return "\"" + P(name) + "\""; }
    void Put(const std::string& name, const std::string& contents) { dir.Write(name, contents); }
    std::string File(const std::string& name) const { return TempDir::Read(dir.Path() / name); }

    bool Run(const std::string& line) { return rt.RunInteractiveLine(line); }
    // What an expression gives, in its display form; strings in quotes.
    std::string Show(const std::string& expr)
    {
        io.written.clear();
        if (!Run("v = " + expr))
            return "<falhou: " + io.written + ">";
        io.written.clear();
        Run("ESCREVE TIPO(v) \":\" v");
        std::string out = io.written;
        if (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }
    // What a failing line wrote, or "" when it succeeded.
    std::string Failure(const std::string& line)
    {
        io.written.clear();
        if (Run(line))
            return "";
        return io.written;
    }
    int32_t IoStatus() { return rt.Slot().io_status; }
};

// Runs a test in a folder of its own and puts the process's folder back.
class InFolder {
public:
    explicit InFolder(const fs::path& p)
        : m_previous(fs::current_path())
    {
        fs::current_path(p);
    }
    ~InFolder() { fs::current_path(m_previous); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

private:
    fs::path m_previous;
};

std::string Names(const std::vector<DirEntry>& entries)
{
    std::string s;
    for (const DirEntry& e : entries)
        s += e.name + ",";
    return s;
}

} // namespace

TEST(Wildcards, StarAndQuestionMark)
{
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        { "*", "abc", true },
        { "*", "", true },
        { "*.*", "semponto", true },
        { "*.txt", "a.txt", true },
        { "*.txt", "a.txt.bak", false },
        { "*.txt", "a.TXT", false },
        { "a?c", "abc", true },
        { "a?c", "ac", false },
        { "a*c", "ac", true },
        { "a*c", "abcbc", true },
        { "a*c", "abcb", false },
        { "*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false },
        { "??", "ab", true },
        { "??", "a", false },
        { "", "", true },
        { "", "a", false },
        { "dados", "dados", true },
        { "a**b", "ab", true },
        { "*\xE7\xE3o", "a\xE7\xE3o", true },
        { "?", "\xE9", true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.name);
        EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches);
    }
}

TEST(FolderListing, MasksHiddenEntriesAndPatterns)
{
    TempDir dir;
    dir.Write("b.txt", "x");
    dir.Write("a.pro", "x");
    dir.Write(".oculto", "x");
    dir.Write("sub/dentro.txt", "x");
    fs::create_directory(dir.Path() / ".git");
    fs::create_directory(dir.Path() / "vazia");
    // A file named in UTF-8 comes back in Windows-1252.
    dir.Write("a\xC3\xA7\xC3\xA3o.txt", "x");
    const std::string folder = dir.Path().string();
    struct Case {
        uint32_t mask;
        const char* names;
    };
    const Case cases[] = {
        { ATTR_ALL, ".git,.oculto,a.pro,a\xE7\xE3o.txt,b.txt,sub,vazia," },
        { ATTR_DIRECTORY, "sub,vazia," },
        { ATTR_ARCHIVE, "a.pro,a\xE7\xE3o.txt,b.txt," },
        // A hidden folder has the hidden bit, so it shares a bit with this mask.
        { ATTR_ARCHIVE | ATTR_HIDDEN, ".git,.oculto,a.pro,a\xE7\xE3o.txt,b.txt," },
        { ATTR_HIDDEN, ".git,.oculto," },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(Names(ListFolder(folder, c.mask)), c.names);
    }
    EXPECT_EQ(Names(ListFolder(folder + "/nada", ATTR_ALL)), "");
    EXPECT_EQ(Names(ListFolder(folder + "/b.txt", ATTR_ALL)), "");

    struct Search {
        std::string pattern;
        const char* names;
    };
    const Search searches[] = {
        { folder + "/*.txt", "a\xE7\xE3o.txt,b.txt," },
        { folder + "/*", "a.pro,a\xE7\xE3o.txt,b.txt,sub,vazia," },
        { folder + "/.*", ".git,.oculto," },
        { folder + "/?.*", "a.pro,b.txt," },
        { folder + "/sub/*", "dentro.txt," },
        { folder + "/nada/*", "" },
        { folder + "/*.xyz", "" },
    };
    for (const Search& s : searches) {
        SCOPED_TRACE(s.pattern);
        EXPECT_EQ(Names(SearchEntries(s.pattern)), s.names);
    }
    InFolder here(dir.Path());
    EXPECT_EQ(Names(SearchEntries("*.pro")), "a.pro,");
    EXPECT_EQ(Names(ListFolder("", ATTR_DIRECTORY)), "sub,vazia,");
}

TEST(Conteudo, LinesOfAFileAndItsRefusals)
{
    Session s;
    s.Put("linhas.txt", "um\r\ndois\n\na\xC3\xA7\xC3\xA3o\n\xE9\xE7\n");
    s.Put("vazio.txt", "");
    struct Case {
        std::string expr;
        std::string shown;
        int32_t io_status; // -1: not looked at
    };
    const Case cases[] = {
        { "CONTEUDO(" + s.Q("linhas.txt") + ")", "lista:[um, dois, , a\xE7\xE3o, \xE9\xE7]", 0 },
        { "CONTE\xDA"
          "DO(" + s.Q("linhas.txt")
                + ", \"lista\")",
            "lista:[um, dois, , a\xE7\xE3o, \xE9\xE7]", 0 },
        { "CONTEUDO(" + s.Q("linhas.txt") + ", 5)", "lista:[um, dois, , a\xE7\xE3o, \xE9\xE7]", 0 },
        { "CONTEUDO(" + s.Q("vazio.txt") + ")", "lista:[]", 0 },
        { "CONTEUDO(" + s.Q("linhas.txt") + ", \"xml\")", "indefinido:indefinido", -1 },
        { "CONTEUDO(" + s.Q("falta.txt") + ")", "indefinido:indefinido", 2 },
        { "CONTEUDO(" + s.Q("falta.txt") + ", \"JSON\")", "indefinido:indefinido", 2 },
        { "CONTEUDO(" + s.Q("") + ")", "indefinido:indefinido", 21 },
        { "CONTEUDO(5)", "indefinido:indefinido", -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        ASSERT_TRUE(s.Run("v = " + c.expr));
        if (c.io_status >= 0) {
            EXPECT_EQ(s.IoStatus(), c.io_status);
        }
        EXPECT_EQ(s.Show("v"), c.shown);
    }
}

TEST(Conteudo, JsonDocumentsFromFiles)
{
    Session s;
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        { "{\"nome\": \"Jos\xC3\xA9\", \"idade\": 42, \"ativo\": true, \"c\\u00f4njuge\": null,\n"
          " \"filhos\": [{\"nome\": \"Ana\"}, {\"nome\": \"Rui\", \"notas\": [10, -3]}],\n"
          " \"obs\": \"linha1\\nlinha2 \\\"aspas\\\" \\\\ fim\", \"altura\": 1.75}\n",
            "dicion\xE1rio:{\"nome\" : \"Jos\xE9\", \"idade\" : 42, \"ativo\" : 1, \"c\xF4njuge\" : "
            "indefinido, "
            "\"filhos\" : [{\"nome\" : \"Ana\"}, {\"nome\" : \"Rui\", \"notas\" : [10, -3]}], "
            "\"obs\" : \"linha1\nlinha2 \"\"aspas\"\" \\ fim\", \"altura\" : \"1.75\"}" },
        { "[1, 2]\nlixo depois\n", "lista:[1, 2]" },
        { "\"s\\u00f3 texto\"", "cadeia:s\xF3 texto" },
        { "{\"a\": false, \"b\": [true, false]}", "dicion\xE1rio:{\"a\" : 0, \"b\" : [1, 0]}" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        s.Put("doc.json", c.text);
        ASSERT_TRUE(s.Run("v = CONTEUDO(" + s.Q("doc.json") + ", \"json\")"));
        EXPECT_EQ(s.IoStatus(), 0);
        EXPECT_EQ(s.Show("v"), c.shown);
    }
    // An empty file holds no value at all.
    s.Put("doc.json", "");
    s.io.written.clear();
    EXPECT_TRUE(s.Run("ESCREVE CONTEUDO(" + s.Q("doc.json") + ", \"json\")"));
    EXPECT_EQ(s.io.written, "inv\xE1lido\n");
}

TEST(Conteudo, JsonLeavesTheScriptsDescriptorsAlone)
{
    Session s;
    s.Put("doc.json", "{\"a\": 1}");
    ASSERT_TRUE(s.Run("ABRE #15 " + s.Q("meu.txt") + " &"));
    ASSERT_TRUE(s.Run("ESCREVE #15 \"antes\""));
    EXPECT_EQ(s.Show("CONTEUDO(" + s.Q("doc.json") + ", \"JSON\")"), "dicion\xE1rio:{\"a\" : 1}");
    EXPECT_TRUE(s.Run("ESCREVE #15 \"depois\""));
    EXPECT_TRUE(s.Run("FECHA #15"));
    EXPECT_EQ(s.File("meu.txt"), "antes\ndepois\n");
    // Nor does it take a free #15 and leave it open.
    EXPECT_TRUE(s.Run("ABRE #15 " + s.Q("doc.json")));
}

TEST(Conteudo, WhatTheLanguageWritesReadsBackAsJson)
{
    Session s;
    ASSERT_TRUE(
        s.Run("d = {\"nome\": 'diz \"oi\"', \"n\": -5, \"sub\": {\"x\": \"a\xE7\xE3o\"}, 7: \"sete\"}"));
    ASSERT_TRUE(s.Run("ABRE #1 " + s.Q("d.json") + " &"));
    ASSERT_TRUE(s.Run("ESCREVE #1 d"));
    ASSERT_TRUE(s.Run("FECHA #1"));
    EXPECT_EQ(s.Show("CONTEUDO(" + s.Q("d.json") + ", \"json\") = d"), "inteiro:1");
}

TEST(Conteudo, AGeneratedDocumentOfHundredsOfKilobytes)
{
    Session s;
    const int count = 3000;
    std::string doc = "{\"itens\": [\n";
    for (int i = 0; i < count; ++i) {
        doc += "  {\"id\": " + std::to_string(i) + ", \"nome\": \"item \\u00e9 \\\"" + std::to_string(i)
            + "\\\"\", \"dados\": {\"x\": [" + std::to_string(-i) + ", true, null], \"p\": 0."
            + std::to_string(i) + "}, \"texto\": \"" + std::string(40, 'z') + "\"}";
        doc += i + 1 < count ? ",\n" : "\n";
    }
    doc += "], \"total\": " + std::to_string(count) + "}\n";
    ASSERT_GT(doc.size(), 250u * 1024u);
    s.Put("grande.json", doc);
    ASSERT_TRUE(s.Run("g = CONTEUDO(" + s.Q("grande.json") + ", \"json\")"));
    EXPECT_EQ(s.Show("TAMANHO(g[\"itens\"])"), "inteiro:3000");
    EXPECT_EQ(s.Show("g[\"total\"]"), "inteiro:3000");
    EXPECT_EQ(s.Show("g[\"itens\"][2999]"),
        "dicion\xE1rio:{\"id\" : 2999, \"nome\" : \"item \xE9 \"\"2999\"\"\", \"dados\" : {\"x\" : [-2999, "
        "1, "
        "indefinido], \"p\" : \"0.2999\"}, \"texto\" : \""
            + std::string(40, 'z') + "\"}");
}

TEST(Diretorio, KindsAndTheInvalidKindMessage)
{
    Session s;
    s.Put("f1.txt", "x");
    s.Put(".h", "x");
    fs::create_directory(s.dir.Path() / "pasta");
    const std::string f = "\"" + s.dir.Path().string() + "\"";
    struct Case {
        std::string expr;
        std::string shown;
        std::string message;
    };
    const Case cases[] = {
        { "DIRETORIO(" + f + ")", "lista:[.h, f1.txt, pasta]", "" },
        { "DIRET\xD3RIO(" + f + ", \"tudo\")", "lista:[.h, f1.txt, pasta]", "" },
        { "DIRETORIO(" + f + ", \"Dir\")", "lista:[pasta]", "" },
        { "DIRETORIO(" + f + ", \"ARQ\")", "lista:[f1.txt]", "" },
        { "DIRETORIO(" + f + ", 16)", "lista:[.h, f1.txt, pasta]", "" },
        { "DIRETORIO(" + f + ", \"pastas\")", "lista:[.h, f1.txt, pasta]",
            "Argumento inv\xE1lido para a fun\xE7\xE3o DIRET\xD3RIO: pastas\n" },
        { "DIRETORIO(" + s.Q("nada") + ")", "lista:[]", "" },
        { "DIRETORIO(5)", "indefinido:indefinido", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        s.io.written.clear();
        ASSERT_TRUE(s.Run("v = " + c.expr));
        EXPECT_EQ(s.io.written, c.message);
        EXPECT_EQ(s.Show("v"), c.shown);
    }
}

TEST(Busca, SearchesFilesAndFoldersOneAtATime)
{
    Session s;
    s.Put("b.txt", "x");
    s.Put("a.txt", "x");
    s.Put("c.pro", "x");
    fs::create_directory(s.dir.Path() / "d1");
    fs::create_directory(s.dir.Path() / "d2.txt");
    InFolder here(s.dir.Path());
    const std::vector<std::pair<std::string, std::string>> steps = {
        { "BUSCA x \"*.txt\"", "a.txt" },
        { "BUSCA x PR\xD3XIMO", "b.txt" },
        { "BUSCA x PROXIMO", "" },
        { "BUSCA x DIR \"*\"", "d1" },
        { "BUSCA x PROXIMO", "d2.txt" },
        { "BUSCA x \"*.p\" + \"ro\"", "c.pro" },
        { "BUSCA x \"*.nada\"", "" },
        { "BUSCA x PROXIMO", "" },
        { "BUSCA x", s.dir.Path().string() },
        { "BUSCA x " + s.Q("d?.*"), "" },
        { "BUSCA x DIR " + s.Q("d?.*"), "d2.txt" },
    };
    for (const auto& [line, found] : steps) {
        SCOPED_TRACE(line);
        ASSERT_TRUE(s.Run(line)) << s.io.written;
        EXPECT_EQ(s.Show("x"), "cadeia:" + found);
    }
}

TEST(Busca, MisusesStopWithTheirMessage)
{
    const std::string misuse = "Uso indevido do modificador PR\xD3XIMO\n";
    Session s;
    EXPECT_EQ(s.Failure("BUSCA x PROXIMO"), misuse);
    EXPECT_EQ(s.Failure("BUSCA x \"*.nada\""), "");
    EXPECT_EQ(s.Failure("BUSCA x PROXIMO"), "");
    EXPECT_EQ(s.Failure("BUSCA x PROXIMO"), misuse);
    EXPECT_EQ(s.Failure("BUSCA x 5"), "Esperava cadeia com padr\xE3o de busca\n");
    EXPECT_EQ(s.Failure("BUSCA x DIR"), "Esperava cadeia com padr\xE3o de busca\n");
    // A refused pattern ends the search that was running.
    EXPECT_EQ(s.Failure("BUSCA x PROXIMO"), misuse);
    // Each interpreter has its own search.
    Session other;
    EXPECT_EQ(s.Failure("BUSCA x \"*\""), "");
    EXPECT_EQ(other.Failure("BUSCA x PROXIMO"), misuse);
}

TEST(FileCommands, RenameCopyAndRemove)
{
    Session s;
    s.Put("a.txt",
        "conte\xC3\xBA"
        "do\n");
    EXPECT_EQ(s.Failure("RENOMEIA " + s.Q("a.txt") + " " + s.Q("b.txt")), "");
    EXPECT_FALSE(fs::exists(s.P("a.txt")));
    EXPECT_EQ(s.File("b.txt"),
        "conte\xC3\xBA"
        "do\n");
    EXPECT_EQ(s.Failure("REPLICA " + s.Q("b.txt") + " " + s.Q("c.txt")), "");
    EXPECT_EQ(s.File("c.txt"),
        "conte\xC3\xBA"
        "do\n");
    // A destination that exists is replaced.
    s.Put("d.txt", std::string(100, 'x'));
    EXPECT_EQ(s.Failure("REPLICA " + s.Q("b.txt") + " " + s.Q("d.txt")), "");
    EXPECT_EQ(s.File("d.txt"),
        "conte\xC3\xBA"
        "do\n");
    EXPECT_EQ(s.Failure("REMOVE " + s.Q("c.txt")), "");
    EXPECT_FALSE(fs::exists(s.P("c.txt")));
    // Names in Windows-1252 reach the disk in UTF-8.
    EXPECT_EQ(s.Failure("REPLICA " + s.Q("b.txt") + " " + s.Q("a\xE7\xE3o.txt")), "");
    EXPECT_TRUE(fs::exists(s.P("a\xC3\xA7\xC3\xA3o.txt")));
}

TEST(FileCommands, ReplicaCopiesInBlocksAndKeepsEveryByte)
{
    Session s;
    for (size_t size :
        { size_t { 0 }, size_t { 1 }, COPY_BLOCK_BYTES, COPY_BLOCK_BYTES + 1, size_t { 70000 } }) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        s.Put("src.bin", bytes);
        EXPECT_EQ(s.Failure("REPLICA " + s.Q("src.bin") + " " + s.Q("dst.bin")), "");
        EXPECT_EQ(s.File("dst.bin"), bytes);
    }
}

TEST(FileCommands, FailuresWithAndWithoutTheAmpersand)
{
    struct Case {
        std::string line; // $ stands for the session's folder
        std::string message; // without "&"
    };
    const Case cases[] = {
        { "RENOMEIA \"$/falta\" \"$/novo\"", "Erro na renomea\xE7\xE3o do arquivo $/falta" },
        { "RENOMEIA \"$/a.txt\" \"$/b.txt\"", "Erro na renomea\xE7\xE3o do arquivo $/a.txt" },
        { "REPLICA \"$/falta\" \"$/novo\"", "Erro na abertura do arquivo $/falta" },
        { "REPLICA \"$/a.txt\" \"$/sem/pasta.txt\"", "Erro na abertura do arquivo $/sem/pasta.txt" },
        { "REPLICA \"$/a.txt\" \"$/pasta\"", "Erro na abertura do arquivo $/pasta" },
        { "REPLICA \"$/pasta\" \"$/novo\"", "Erro na abertura do arquivo $/pasta" },
        { "REPLICA \"$/a.txt\" \"$/./a.txt\"", "Origem e destino s\xE3o o mesmo arquivo: $/./a.txt" },
        { "REMOVE \"$/falta\"", "Erro no apagamento do arquivo $/falta" },
        { "REMOVE \"$/pasta\"", "Erro no apagamento do arquivo $/pasta" },
        { "REMOVE \"\"", "Erro no apagamento do arquivo " },
        { "DIR CRIA \"$/pasta\"", "Erro no processamento do diret\xF3rio $/pasta" },
        { "DIR CRIA \"$/x/y/z\"", "Erro no processamento do diret\xF3rio $/x/y/z" },
        { "DIR REMOVE \"$/pasta\"", "Erro no processamento do diret\xF3rio $/pasta" },
        { "DIR REMOVE \"$/a.txt\"", "Erro no processamento do diret\xF3rio $/a.txt" },
        { "DIR REMOVE \"$/falta\"", "Erro no processamento do diret\xF3rio $/falta" },
        { "DIR TROCA \"$/falta\"", "Erro no processamento do diret\xF3rio $/falta" },
        { "DIR TROCA \"$/a.txt\"", "Erro no processamento do diret\xF3rio $/a.txt" },
    };
    for (const Case& c : cases) {
        for (bool ampersand : { false, true }) {
            Session s;
            s.Put("a.txt", "original");
            s.Put("b.txt", "outro");
            s.Put("pasta/dentro.txt", "x");
            auto expand = [&s](std::string text) {
                for (size_t at; (at = text.find('$')) != std::string::npos;)
                    text.replace(at, 1, s.dir.Path().string());
                return text;
            };
            std::string line = expand(c.line) + (ampersand ? " &" : "");
            SCOPED_TRACE(line);
            EXPECT_EQ(s.Failure(line), ampersand ? "" : expand(c.message) + "\n");
            // Nothing was lost on the way.
            EXPECT_EQ(s.File("a.txt"), "original");
            EXPECT_EQ(s.File("b.txt"), "outro");
            EXPECT_EQ(s.File("pasta/dentro.txt"), "x");
        }
    }
}

TEST(FileCommands, MissingOperandsStopEvenWithTheAmpersand)
{
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        { "RENOMEIA", "Esperava dois nomes de arquivos para o comando RENOMEIA" },
        { "RENOMEIA \"a\"", "Esperava dois nomes de arquivos para o comando RENOMEIA" },
        { "RENOMEIA \"a\" \"\" &", "Esperava dois nomes de arquivos para o comando RENOMEIA" },
        { "RENOMEIA 1 2", "Esperava dois nomes de arquivos para o comando RENOMEIA" },
        { "REPLICA \"\" \"b\"", "Esperava nomes de arquivos para o comando REPLICA" },
        { "REPLICA \"a\" &", "Esperava nomes de arquivos para o comando REPLICA" },
        { "REMOVE", "Esperava um nome de arquivo" },
        { "REMOVE 5 &", "Esperava um nome de arquivo" },
        { "DIR", "Esperava CRIA, REMOVE ou TROCA" },
        { "DIR APAGA \"x\"", "Esperava CRIA, REMOVE ou TROCA" },
        { "DIR CRIA", "Esperava um nome" },
        { "DIR TROCA \"\" &", "Esperava um nome" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Session s;
        EXPECT_EQ(s.Failure(c.line), std::string(c.message) + "\n");
        ASSERT_FALSE(s.io.spoken.empty());
        EXPECT_EQ(s.io.spoken.back(), c.message);
    }
}

TEST(FileCommands, DirMakesRemovesAndChangesFolders)
{
    Session s;
    InFolder here(s.dir.Path());
    EXPECT_EQ(s.Failure("DIR CRIA \"nova\""), "");
    EXPECT_TRUE(fs::is_directory(s.P("nova")));
    EXPECT_EQ(s.Failure("DIR TROCA \"nova\""), "");
    EXPECT_EQ(fs::current_path(), fs::path(s.P("nova")));
    ASSERT_TRUE(s.Run("BUSCA x"));
    EXPECT_EQ(s.Show("x"), "cadeia:" + s.P("nova"));
    EXPECT_EQ(s.Failure("DIR CRIA \"dentro\""), "");
    EXPECT_TRUE(fs::is_directory(s.P("nova/dentro")));
    EXPECT_EQ(s.Failure("DIR TROCA \"..\""), "");
    EXPECT_NE(s.Failure("DIR REMOVE \"nova\""), "");
    EXPECT_EQ(s.Failure("DIR REMOVE \"nova/dentro\""), "");
    EXPECT_EQ(s.Failure("DIR REMOVE \"nova\""), "");
    EXPECT_FALSE(fs::exists(s.P("nova")));
}

// The manual AJUDA reads lives in the source tree (script.manual checks
// that it covers every word); AJUDA finds it through PGMTALIRA and reads a
// section aloud, by a command's name and by a function's accented name.
TEST(Manual, AjudaFindsTheShippedManualThroughPgmtalira)
{
    Session s;
    s.io.config["TALIRA/PGMTALIRA"] = std::string(PL_SOURCE_DIR) + "/data";
    ASSERT_TRUE(s.Run("AJUDA busca"));
    ASSERT_FALSE(s.io.spoken.empty());
    EXPECT_EQ(s.io.spoken.front(), "BUSCA procura arquivos e pastas");
    s.io.spoken.clear();
    ASSERT_TRUE(s.Run("AJUDA \"Diret\xF3rio\""));
    ASSERT_FALSE(s.io.spoken.empty());
    EXPECT_EQ(s.io.spoken.front(), "DIRETORIO fun\xE7\xE3o: os nomes de uma pasta");
}

// A copy that cannot be finished (here under a file-size limit, as on a
// full disk) leaves the destination as it was, and no temporary file behind.
TEST(FileCommands, AReplicaThatCannotFinishLeavesTheDestinationWhole)
{
    Session s;
    s.Put("grande.bin", std::string(3 * COPY_BLOCK_BYTES, 'g'));
    s.Put("destino.txt", "conteudo antigo");
    const std::string line = "REPLICA " + s.Q("grande.bin") + " " + s.Q("destino.txt") + " &";
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Past the limit a write fails with EFBIG instead of killing us.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit { COPY_BLOCK_BYTES, COPY_BLOCK_BYTES };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(s.Run(line) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0); // quiet with "&"
    EXPECT_EQ(s.File("destino.txt"), "conteudo antigo");
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(s.dir.Path()))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string> { "destino.txt", "grande.bin" }));
}
