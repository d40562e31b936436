// The peers of the network golden scripts, in one program: echo servers on
// 127.0.0.1 and ::1, the HTTP test server, the TLS echo server, and a free
// port for SERVE. It writes their ports (and the test CA's file) to
// DIR/portas as NAME=value lines, then serves until DIR/fim appears.
#include "tests/net/http_test_server.h"
#include "tests/net/loopback_servers.h"
#include "tests/net/tls_test_server.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::filesystem::path dir = argv[1];
    palavrino::testing::LoopbackServer echo("127.0.0.1", palavrino::testing::EchoLines);
    palavrino::testing::LoopbackServer echo6("::1", palavrino::testing::EchoLines);
    palavrino::testing::HttpTestServer http("127.0.0.1");
    palavrino::testing::TlsTestServer tls;
    int free_port = 0;
    {
        palavrino::testing::LoopbackServer probe("127.0.0.1", [](int) {});
        free_port = probe.port();
    }
    {
        std::ofstream out(dir / "portas.tmp");
        out << "ECO=" << echo.port() << "\nECO6=" << echo6.port() << "\nHTTP=" << http.port()
            << "\nTLS=" << (tls.ready() ? tls.PortText() : "0")
            << "\nCA=" << (tls.ready() ? tls.CaFile() : "") << "\nLIVRE=" << free_port << "\n";
    }
    std::filesystem::rename(dir / "portas.tmp", dir / "portas");
    // A bound on the wait, so a runner that died leaves nothing behind.
    for (int i = 0; i < 2400 && !std::filesystem::exists(dir / "fim"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return 0;
}
