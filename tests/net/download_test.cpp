// BAIXA against an HTTP server the test starts, and the URL and header
// reading under it: chunked bodies, redirects (absolute, relative, a loop),
// lying Content-Length, error pages, a peer that says nothing, and the rule
// that a failed download leaves the user's old file as it was.
#include "devices/download.h"
#include "tests/net/http_test_server.h"
#include "tests/net/session.h"

#include <gtest/gtest.h>

using palavrino::testing::HttpTestServer;
using palavrino::testing::Session;

TEST(ParseUrl, SplitsSchemeHostPortAndPath)
{
    struct Case {
        std::string text, scheme, host;
        int port;
        std::string path;
    };
    const Case cases[] = {
        { "exemplo.com.br", "HTTP", "exemplo.com.br", 80, "/" },
        { "https://exemplo.com.br", "HTTPS", "exemplo.com.br", 443, "/" },
        { "Http://h:8080?q=1", "HTTP", "h", 8080, "/?q=1" },
        { "h/a/b?c=d", "HTTP", "h", 80, "/a/b?c=d" },
        { "ftp://h/x", "FTP", "h", 80, "/x" },
        { "http://[::1]:81/x", "HTTP", "::1", 81, "/x" },
        { "https://[::1]", "HTTPS", "::1", 443, "/" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        palavrino::devices::UrlRec u;
        ASSERT_TRUE(palavrino::devices::ParseUrl(c.text, u));
        EXPECT_EQ(u.scheme, c.scheme);
        EXPECT_EQ(u.host, c.host);
        EXPECT_EQ(u.port, c.port);
        EXPECT_EQ(u.path, c.path);
    }
    palavrino::devices::UrlRec u;
    for (const char* bad : { "h:x/", "h:0/", "h:65536", "http://", "http://[::1/", "[::1]x/" })
        EXPECT_FALSE(palavrino::devices::ParseUrl(bad, u)) << bad;
    // The path is cut at 999 characters.
    ASSERT_TRUE(palavrino::devices::ParseUrl("h/" + std::string(2000, 'a'), u));
    EXPECT_EQ(u.path.size(), 999u);
}

TEST(EncodeUrlPath, EncodesTheUnsafeBytesAndKeepsEscapes)
{
    using palavrino::devices::EncodeUrlPath;
    EXPECT_EQ(EncodeUrlPath("/a b_c~d"), "/a%20b%5Fc%7Ed");
    EXPECT_EQ(EncodeUrlPath("/\"<>[\\]^`{|}"), "/%22%3C%3E%5B%5C%5D%5E%60%7B%7C%7D");
    EXPECT_EQ(EncodeUrlPath("/p?x=1&y=2:3#f"), "/p?x=1&y=2:3#f");
    EXPECT_EQ(EncodeUrlPath("/a\xE7\xE3o\x7F\x01"), "/a%E7%E3o%7F%01");
    // An escape already there stays; a lone percent sign is encoded.
    EXPECT_EQ(EncodeUrlPath("/a%20b%zz%4"), "/a%20b%25zz%254");
    EXPECT_EQ(EncodeUrlPath("/%"), "/%25");
}

TEST(ResponseHead, ReadsTheHeadersOfTheLastAnswer)
{
    palavrino::devices::ResponseHead h;
    for (const char* line : { "HTTP/1.1 301 Moved", "location:  http://x/y ", "Content-Length: 5" })
        h.Line(line);
    EXPECT_EQ(h.status, "301");
    EXPECT_EQ(h.location, "http://x/y");
    EXPECT_EQ(h.content_length, 5);
    EXPECT_EQ(h.content_type, "???");
    for (const char* line : { "HTTP/2 200", "CONTENT-TYPE: text/html; charset=utf-8", "content-length: dez" })
        h.Line(line);
    EXPECT_EQ(h.status, "200");
    EXPECT_EQ(h.location, "");
    EXPECT_EQ(h.content_type, "text/html; charset=utf-8");
    EXPECT_EQ(h.content_length, -1);
}

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
