// BAIXA against an HTTP server the test starts: chunked bodies, redirects
// (absolute, relative, a loop), lying Content-Length, error pages, a peer
// that says nothing, and the rule that a failed download leaves the user's
// old file as it was.
#include "tests/net/http_test_server.h"
#include "tests/net/session.h"

#include <gtest/gtest.h>

using palavrino::testing::HttpTestServer;
using palavrino::testing::Session;

TEST(Baixa, SavesBodiesAndSaysSo)
{
    HttpTestServer server("127.0.0.1");
    Session s;
    const std::string base = "\"" + server.Base();
    ASSERT_TRUE(s.Run({ "BAIXA " + base + "/texto\" " + s.Q("t.txt") + " ct" }));
    EXPECT_EQ(s.File("t.txt"), "ol\xC3\xA1 mundo\n");
    EXPECT_EQ(s.Var("ct"), "text/plain");
    EXPECT_EQ(s.Status(), 0);
    ASSERT_EQ(s.io.spoken.size(), 2u);
    EXPECT_EQ(s.io.spoken[0],
        "Baixando 11 bytes, conte\xFA"
        "do = text/plain");
    EXPECT_EQ(s.io.spoken[1],
        "Conte\xFA"
        "do baixado e guardado em "
            + (s.dir.Path() / "t.txt").string());
    struct Case {
        std::string path, body, type;
    };
    const Case cases[] = {
        { "/blocos", "primeiro segundo\n", "text/plain" },
        { "/semtamanho", "{\"a\": 1}", "application/json" },
        { "/vazio", "", "???" },
        { "/absoluto", "ol\xC3\xA1 mundo\n", "text/plain" },
        { "/relativo/a", "ol\xC3\xA1 mundo\n", "text/plain" },
        { "/semdestino", "corpo\n", "???" },
        { "/erro", "nada aqui<br>", "text/html" },
        { "/lento", "lento", "???" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        s.io.spoken.clear();
        ASSERT_TRUE(s.Run({ "BAIXA MUDO " + base + c.path + "\" " + s.Q("b.txt") + " v" }));
        EXPECT_EQ(s.File("b.txt"), c.body);
        EXPECT_EQ(s.Var("v"), c.type);
        EXPECT_TRUE(s.io.spoken.empty());
    }
    // The path goes out encoded, existing escapes kept; no scheme means HTTP.
    ASSERT_TRUE(s.Run({ "BAIXA MUDO " + base + "/eco/a b_~%41?x=1\" " + s.Q("e.txt") }));
    EXPECT_EQ(s.File("e.txt"), "/eco/a%20b%5F%7E%41?x=1");
}

TEST(Baixa, AFailedDownloadLeavesTheOldFileAlone)
{
    HttpTestServer server("127.0.0.1");
    Session s;
    const std::string base = "\"" + server.Base();
    struct Case {
        std::string path, message;
    };
    const Case cases[] = {
        { "/curto", "Tamanho previsto = 10; tamanho baixado = 8" },
        { "/ciclo", "Redirecionamentos demais: o limite \xE9 20" },
        { "/nada", "O servidor n\xE3o enviou resposta" },
        { "/blocoscortados",
            "A transfer\xEA"
            "ncia terminou antes do fim do conte\xFA"
            "do" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        s.dir.Write("velho.txt", "dados antigos");
        s.io.written.clear();
        EXPECT_FALSE(s.Run({ "BAIXA " + base + c.path + "\" " + s.Q("velho.txt") }));
        EXPECT_NE(s.io.written.find(c.message), std::string::npos) << s.io.written;
        EXPECT_EQ(s.Status(), 1);
        EXPECT_EQ(s.File("velho.txt"), "dados antigos");
        // "&" silences the message, not the failure; nothing is left behind.
        s.io.written.clear();
        EXPECT_FALSE(s.Run({ "BAIXA MUDO " + base + c.path + "\" " + s.Q("novo.txt") + " &" }));
        EXPECT_EQ(s.io.written, "");
        EXPECT_FALSE(s.Exists("novo.txt"));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(s.dir.Path()), {}), 1);
}

TEST(Baixa, RefusedConnectionsArgumentsAndTargets)
{
    HttpTestServer server("127.0.0.1");
    Session s;
    EXPECT_FALSE(s.Run({ "BAIXA 1 " + s.Q("x") }));
    EXPECT_NE(s.io.written.find("Esperava duas cadeias: a URL e o arquivo"), std::string::npos);
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "BAIXA \"127.0.0.1:1/x\" " + s.Q("x") }));
    EXPECT_NE(s.io.written.find("N\xE3o foi poss\xEDvel estabelecer conex\xE3o"), std::string::npos);
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "BAIXA \"h:porta/x\" " + s.Q("x") }));
    EXPECT_EQ(s.io.written, ""); // a URL that cannot be read stops silently
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "BAIXA \"" + server.Base() + "/texto\" " + s.Q("falta/x.txt") }));
    EXPECT_NE(s.io.written.find("Erro na cria\xE7\xE3o do arquivo "), std::string::npos);
    s.io.interrupts = 1;
    EXPECT_THROW(s.rt.RunInteractiveLine("BAIXA \"" + server.Base() + "/lento\" " + s.Q("l")),
        palavrino::core::InterruptAbort);
    EXPECT_FALSE(s.Exists("l"));
}

TEST(Baixa, ReachesAnIpv6Server)
{
    HttpTestServer server("::1");
    if (server.port() == 0)
        GTEST_SKIP() << "no IPv6 loopback";
    Session s;
    ASSERT_TRUE(
        s.Run({ "BAIXA MUDO \"http://[::1]:" + std::to_string(server.port()) + "/texto\" " + s.Q("v6") }));
    EXPECT_EQ(s.File("v6"), "ol\xC3\xA1 mundo\n");
}
