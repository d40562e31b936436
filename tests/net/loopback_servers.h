// Servers the network tests start on the loopback addresses (127.0.0.1 and
// ::1) at a port the system picks: each accepted client is served by a
// handler on a thread of its own. Nothing here reaches beyond the machine.
#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace palavrino::testing {

class LoopbackServer {
public:
    using Handler = std::function<void(int fd)>;

    // `address` is "127.0.0.1" or "::1"; port() is 0 when it cannot listen.
    LoopbackServer(const std::string& address, Handler handler)
        : m_handler(std::move(handler))
    {
        const bool v6 = address.find(':') != std::string::npos;
        m_fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd < 0)
            return;
        sockaddr_storage addr {};
        socklen_t len = 0;
        if (v6) {
            auto& a = reinterpret_cast<sockaddr_in6&>(addr);
            a.sin6_family = AF_INET6;
            ::inet_pton(AF_INET6, address.c_str(), &a.sin6_addr);
            len = sizeof a;
        } else {
            auto& a = reinterpret_cast<sockaddr_in&>(addr);
            a.sin_family = AF_INET;
            ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
            len = sizeof a;
        }
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(m_fd, 16) != 0)
            return;
        len = sizeof addr;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(v6 ? reinterpret_cast<sockaddr_in6&>(addr).sin6_port
                          : reinterpret_cast<sockaddr_in&>(addr).sin_port);
        m_thread = std::thread([this] { Loop(); });
    }

    ~LoopbackServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        std::vector<std::thread> clients;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            clients.swap(m_clients);
        }
        for (std::thread& t : clients)
            t.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int port() const { return m_port; }
    std::string PortText() const { return std::to_string(m_port); }

private:
    void Loop()
    {
        while (!m_stop) {
            pollfd p { m_fd, POLLIN, 0 };
            if (::poll(&p, 1, 50) <= 0)
                continue;
            int client = ::accept(m_fd, nullptr, nullptr);
            if (client < 0)
                continue;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_clients.emplace_back([this, client] {
                m_handler(client);
                ::close(client);
            });
        }
    }

    Handler m_handler;
    int m_fd { -1 };
    int m_port { 0 };
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::thread> m_clients;
};

// Reads one line (up to LF, which is dropped with a CR before it) from a
// blocking socket, giving up after `timeout_ms` of silence; false at the end.
inline bool ReadSocketLine(int fd, std::string& line, int timeout_ms = 10000)
{
    line.clear();
    for (;;) {
        pollfd p { fd, POLLIN, 0 };
        if (::poll(&p, 1, timeout_ms) <= 0)
            return false;
        char c = 0;
        if (::recv(fd, &c, 1, 0) != 1)
            return !line.empty();
        if (c == '\n')
            break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

inline void SendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

// An echo server's handler: each line comes back as "eco: " + line + CR LF;
// the line "tchau" makes it send a last line without LF and close.
inline void EchoLines(int fd)
{
    std::string line;
    while (ReadSocketLine(fd, line)) {
        if (line == "tchau") {
            SendAll(fd, "fim sem quebra");
            return;
        }
        SendAll(fd, "eco: " + line + "\r\n");
    }
}

} // namespace palavrino::testing
