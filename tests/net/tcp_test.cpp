// CONECTA, SERVE, ACEITA, IP, and ESCREVE, LE, OBSERVA, FECHA on
// connections, against servers and clients the tests start on 127.0.0.1
// and ::1, plain and in TLS.
#include "devices/connection.h"
#include "tests/net/loopback_servers.h"
#include "tests/net/session.h"
#include "tests/net/tls_test_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using palavrino::testing::LoopbackServer;
using palavrino::testing::Session;

namespace {

// A client the test starts: connects to `port` on `address` after a pause,
// sends a line and keeps what it got back.
struct Client {
    std::string got;
    std::thread thread;
    Client(const std::string& address, int port, int delay_ms)
    {
        thread = std::thread([this, address, port, delay_ms] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
            const bool v6 = address.find(':') != std::string::npos;
            int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
            sockaddr_storage addr {};
            socklen_t len = 0;
            if (v6) {
                auto& a = reinterpret_cast<sockaddr_in6&>(addr);
                a.sin6_family = AF_INET6;
                a.sin6_port = htons(static_cast<uint16_t>(port));
                ::inet_pton(AF_INET6, address.c_str(), &a.sin6_addr);
                len = sizeof a;
            } else {
                auto& a = reinterpret_cast<sockaddr_in&>(addr);
                a.sin_family = AF_INET;
                a.sin_port = htons(static_cast<uint16_t>(port));
                ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
                len = sizeof a;
            }
            if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0) {
                palavrino::testing::SendAll(fd, "ola servidor\r\n");
                palavrino::testing::ReadSocketLine(fd, got);
            }
            ::close(fd);
        });
    }
    ~Client() { thread.join(); }
};

int FreePort()
{
    LoopbackServer probe("127.0.0.1", [](int) {});
    return probe.port();
}

} // namespace

TEST(Conecta, TalksLinesWithAnEchoServerOnIpv4AndIpv6)
{
    for (const std::string address : { "127.0.0.1", "::1" }) {
        SCOPED_TRACE(address);
        LoopbackServer server(address, palavrino::testing::EchoLines);
        if (server.port() == 0)
            GTEST_SKIP() << "no loopback address " << address;
        Session s;
        ASSERT_TRUE(s.Run(
            { "CONECTA #1 \"" + address + "\" " + server.PortText(), "ESCREVE #1 \"bom dia\"", "LE #1 x" }));
        EXPECT_EQ(s.Status(), 0);
        EXPECT_EQ(s.Var("x"), "eco: bom dia");
        ASSERT_TRUE(s.Run({ "IP REMOTO #1 r", "IP LOCAL #1 l" }));
        EXPECT_EQ(s.Var("r"), address);
        EXPECT_EQ(s.Var("l"), address);
        // OBSERVA sees a reply waiting, and nothing once it is read.
        ASSERT_TRUE(s.Run({ "ESCREVE #1 \"x\"", "LE #1 y", "OBSERVA #1 o" }));
        EXPECT_EQ(s.Var("o"), "0");
        ASSERT_TRUE(s.Run({ "ESCREVE #1 \"a\"", "ESCREVE #1 \"b\"" }));
        bool waiting = false;
        for (int i = 0; i < 100 && !waiting; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ASSERT_TRUE(s.Run({ "OBSERVA #1 o" }));
            waiting = s.Var("o") == "1";
        }
        EXPECT_TRUE(waiting);
        // A list up to the terminator, then characters one by one.
        ASSERT_TRUE(s.Run({ "ESCREVE #1 \"fim\"", "LE #1 LISTA lst \"eco: fim\"" }));
        EXPECT_EQ(s.Var("lst"), "[eco: a, eco: b]");
        ASSERT_TRUE(s.Run({ "ESCREVE #1 \"z\"", "LE #1 c &" }));
        EXPECT_EQ(s.Var("c"), "e");
        ASSERT_TRUE(s.Run({ "FECHA #1", "FECHA #1" }));
        EXPECT_FALSE(s.rt.descriptors.IsOpen(1));
    }
}

TEST(Conecta, ALastLineWithoutLineEndCountsAndThenReadsFail)
{
    LoopbackServer server("127.0.0.1", palavrino::testing::EchoLines);
    Session s;
    ASSERT_TRUE(
        s.Run({ "CONECTA #2 \"localhost\" " + server.PortText(), "ESCREVE #2 \"tchau\"", "LE #2 x" }));
    EXPECT_EQ(s.Var("x"), "fim sem quebra");
    EXPECT_EQ(s.Status(), 0);
    ASSERT_TRUE(s.Run({ "LE #2 y" }));
    EXPECT_EQ(s.Status(), 1);
    EXPECT_EQ(s.Var("y"), "");
    ASSERT_TRUE(s.Run({ "LE #2 y &" }));
    EXPECT_EQ(s.Status(), 1);
}

TEST(Conecta, RefusedConnectionsAndBadArguments)
{
    const int closed = FreePort();
    Session s;
    ASSERT_TRUE(s.Run({ "CONECTA MUDO #1 \"127.0.0.1\" " + std::to_string(closed) }));
    EXPECT_EQ(s.Status(), 1);
    EXPECT_FALSE(s.rt.descriptors.IsOpen(1));
    EXPECT_EQ(s.io.written, "");
    EXPECT_FALSE(s.Run({ "CONECTA #1 \"127.0.0.1\" " + std::to_string(closed) }));
    EXPECT_NE(s.io.written.find("Erro ao tentar conex\xE3o TCP"), std::string::npos);
    for (const std::string line : { "CONECTA #1 \"127.0.0.1\" 0", "CONECTA #1 \"127.0.0.1\" 65536" }) {
        s.io.written.clear();
        EXPECT_FALSE(s.Run({ line }));
        EXPECT_NE(s.io.written.find("Esperava n\xFAmero da porta"), std::string::npos) << line;
    }
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "CONECTA #1 \"\" 80" }));
    EXPECT_NE(s.io.written.find("Esperava cadeia com endere\xE7o do servidor"), std::string::npos);
    // INTERNET and IP with a wrong word stop silently.
    s.io.written.clear();
    EXPECT_TRUE(s.Run({ "INTERNET INICIA", "INTERNET TERMINA" }));
    EXPECT_FALSE(s.Run({ "INTERNET AGORA" }));
    EXPECT_FALSE(s.Run({ "IP LOCAL #3 v" }));
    EXPECT_FALSE(s.Run({ "IP LONGE #3 v" }));
    EXPECT_EQ(s.io.written, "");
}

TEST(Conecta, AReadWaitEndsOnTheInterrupt)
{
    LoopbackServer server("127.0.0.1", palavrino::testing::EchoLines);
    Session s;
    ASSERT_TRUE(s.Run({ "CONECTA #1 \"127.0.0.1\" " + server.PortText() }));
    s.io.interrupts = 1;
    EXPECT_THROW(s.rt.RunInteractiveLine("LE #1 x"), palavrino::core::InterruptAbort);
}

TEST(Conecta, AQuietPeerEndsALineReadAfterTheTimeOut)
{
    LoopbackServer server("127.0.0.1", [](int fd) {
        std::string line;
        palavrino::testing::ReadSocketLine(fd, line, 5000); // never answers
    });
    std::unique_ptr<palavrino::platform::NetStream> stream;
    ASSERT_EQ(palavrino::platform::ConnectTcp("127.0.0.1", server.port(), 5000, nullptr, stream),
        palavrino::platform::NetStatus::Ok);
    int poll_us = 0;
    palavrino::devices::Connection c(std::move(stream), poll_us);
    c.SetLineTimeout(1);
    std::string line;
    EXPECT_EQ(c.ReadLine(line, nullptr), palavrino::devices::ReadStatus::Failed);
    EXPECT_EQ(line, "");
    EXPECT_FALSE(c.HasInput());
}

TEST(Serve, WaitsForAClientOrListensInTheBackground)
{
    Session s;
    const int port = FreePort();
    {
        Client client("127.0.0.1", port, 300);
        ASSERT_TRUE(s.Run({ "SERVE #1 " + std::to_string(port), "LE #1 x", "ESCREVE #1 \"ola cliente\"" }));
        EXPECT_EQ(s.Var("x"), "ola servidor");
        ASSERT_TRUE(s.Run({ "IP REMOTO #1 r" }));
        EXPECT_EQ(s.Var("r"), "127.0.0.1");
        client.thread.join();
        EXPECT_EQ(client.got, "ola cliente");
        client.thread = std::thread([] {});
    }
    ASSERT_TRUE(s.Run({ "FECHA #1", "SERVE #2 " + std::to_string(port) + " &", "OBSERVA #2 o" }));
    EXPECT_EQ(s.Var("o"), "0");
    Client client("::1", port, 0);
    bool waiting = false;
    for (int i = 0; i < 200 && !waiting; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(s.Run({ "OBSERVA #2 o" }));
        waiting = s.Var("o") == "1";
    }
    EXPECT_TRUE(waiting);
    ASSERT_TRUE(s.Run({ "ACEITA #2 #3", "LE #3 x", "ESCREVE #3 \"ola seis\"", "IP REMOTO #3 r" }));
    EXPECT_EQ(s.Var("x"), "ola servidor");
    EXPECT_EQ(s.Var("r"), "::1");
    // The listener carries no data: reads and writes fail with status 1.
    ASSERT_TRUE(s.Run({ "ESCREVE #2 \"nada\"" }));
    EXPECT_EQ(s.Status(), 1);
    ASSERT_TRUE(s.Run({ "IP REMOTO #2 r" }));
    EXPECT_EQ(s.Var("r"), "");
    // Accepting on a slot that is no listener fails; the port in use too.
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "ACEITA #3 #4" }));
    EXPECT_NE(s.io.written.find("Erro ao aceitar conex\xE3o"), std::string::npos);
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "SERVE #5 " + std::to_string(port) + " &" }));
    EXPECT_NE(s.io.written.find("Erro ao servir a porta " + std::to_string(port)), std::string::npos);
    ASSERT_TRUE(s.Run({ "SERVE MUDO #5 " + std::to_string(port) + " &" }));
    EXPECT_EQ(s.Status(), 1);
    s.io.written.clear();
    EXPECT_FALSE(s.Run({ "SERVE #3 " + std::to_string(port) }));
    EXPECT_NE(s.io.written.find("O descritor #3 j\xE1 est\xE1 aberto"), std::string::npos);
    s.io.interrupts = 1;
    EXPECT_THROW(s.rt.RunInteractiveLine("ACEITA #2 #6"), palavrino::core::InterruptAbort);
}

TEST(ConectaSsl, ChecksTheCertificateAndTheName)
{
    palavrino::testing::TlsTestServer server;
    if (!server.ready())
        GTEST_SKIP() << "could not make a test certificate with the openssl command";
    const std::string port = server.PortText();
    {
        Session s;
        s.io.config["TALIRA/CERTIFICADOS_CA"] = server.CaFile();
        ASSERT_TRUE(s.Run({ "CONECTA SSL #1 \"localhost\" " + port, "ESCREVE #1 \"segredo\"", "LE #1 x" }));
        EXPECT_EQ(s.Var("x"), "seguro: segredo");
        EXPECT_EQ(s.Status(), 0);
        // The name on the certificate is not this address: refused.
        s.io.written.clear();
        EXPECT_FALSE(s.Run({ "CONECTA SSL #2 \"127.0.0.1\" " + port }));
        EXPECT_NE(s.io.written.find("Erro ao tentar conex\xE3o TCP"), std::string::npos);
        EXPECT_FALSE(s.rt.descriptors.IsOpen(2));
    }
    {
        // An unknown CA: refused, never a plain-text fallback.
        Session s;
        ASSERT_TRUE(s.Run({ "CONECTA SSL MUDO #1 \"localhost\" " + port }));
        EXPECT_EQ(s.Status(), 1);
        EXPECT_FALSE(s.rt.descriptors.IsOpen(1));
    }
    {
        // Checking turned off for a self-signed peer.
        Session s;
        s.io.config["TALIRA/VERIFICA_CERTIFICADO"] = "N";
        ASSERT_TRUE(s.Run({ "CONECTA SSL #1 \"127.0.0.1\" " + port, "ESCREVE #1 \"x\"", "LE #1 x" }));
        EXPECT_EQ(s.Var("x"), "seguro: x");
    }
}
