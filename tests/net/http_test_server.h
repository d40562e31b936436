// An HTTP server for the download tests, on a loopback server: each path
// asks for one behaviour (a plain body, a chunked one, redirects absolute,
// relative and looping, a Content-Length that lies, a silent or slow peer,
// an error page). The paths it was asked for are kept for the tests.
#pragma once

#include "tests/net/loopback_servers.h"

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace palavrino::testing {

class HttpTestServer {
public:
    explicit HttpTestServer(const std::string& address)
        : m_server(address, [this](int fd) { Serve(fd); })
    {
    }

    int port() const { return m_server.port(); }
    std::string Base() const { return "127.0.0.1:" + std::to_string(port()); }

    std::vector<std::string> Paths()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_paths;
    }

private:
    static std::string Response(
        const std::string& status, const std::string& headers, const std::string& body)
    {
        return "HTTP/1.1 " + status + "\r\n" + headers + "Connection: close\r\n\r\n" + body;
    }

    void Serve(int fd)
    {
        std::string line;
        if (!ReadSocketLine(fd, line))
            return;
        std::string path;
        size_t a = line.find(' ');
        size_t b = line.rfind(' ');
        if (a != std::string::npos && b > a)
            path = line.substr(a + 1, b - a - 1);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_paths.push_back(path);
        }
        std::string header;
        while (ReadSocketLine(fd, header) && !header.empty()) { }
        std::string route = path.substr(0, path.find('?'));
        if (route == "/texto") {
            SendAll(fd,
                Response(
                    "200 OK", "Content-Type: text/plain\r\nContent-Length: 11\r\n", "ol\xC3\xA1 mundo\n"));
        } else if (route == "/vazio") {
            SendAll(fd, Response("200 OK", "Content-Length: 0\r\n", ""));
        } else if (route == "/semtamanho") {
            SendAll(fd, "HTTP/1.0 200 OK\r\ncontent-type: application/json\r\n\r\n{\"a\": 1}");
        } else if (route == "/blocos") {
            SendAll(fd,
                Response("200 OK", "Content-Type: text/plain\r\nTransfer-Encoding: chunked\r\n",
                    "5\r\nprime\r\n6\r\niro se\r\n6\r\ngundo\n\r\n0\r\n\r\n"));
        } else if (route == "/blocoscortados") {
            SendAll(fd, Response("200 OK", "Transfer-Encoding: chunked\r\n", "5\r\nprime\r\n9\r\nmeio"));
        } else if (route == "/absoluto") {
            SendAll(fd,
                Response("301 Moved", "Location: http://" + Base() + "/texto\r\nContent-Length: 0\r\n", ""));
        } else if (route == "/relativo/a") {
            SendAll(fd, Response("302 Found", "Location: ../texto\r\nContent-Length: 0\r\n", ""));
        } else if (route == "/ciclo") {
            SendAll(fd, Response("302 Found", "Location: /ciclo\r\nContent-Length: 0\r\n", ""));
        } else if (route == "/semdestino") {
            SendAll(fd, Response("302 Found", "Content-Length: 6\r\n", "corpo\n"));
        } else if (route == "/curto") {
            SendAll(fd, Response("200 OK", "Content-Length: 10\r\n", "12345678"));
        } else if (route == "/erro") {
            SendAll(fd,
                Response(
                    "404 Not Found", "Content-Type: text/html\r\nContent-Length: 13\r\n", "nada aqui<br>"));
        } else if (route == "/nada") {
            return; // closes without a word
        } else if (route == "/lento") {
            SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
            for (char c : std::string("lento")) {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                SendAll(fd, std::string(1, c));
            }
        } else {
            SendAll(fd, Response("200 OK", "Content-Length: " + std::to_string(path.size()) + "\r\n", path));
        }
    }

    std::mutex m_mutex;
    std::vector<std::string> m_paths;
    LoopbackServer m_server; // last: its threads use the members above
};

} // namespace palavrino::testing
