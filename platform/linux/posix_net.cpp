// TCP over POSIX sockets: name resolution with getaddrinfo (IPv4 and IPv6),
// non-blocking connects and accepts that poll in short slices so the user's
// interrupt ends them, and the addresses in their usual text form.
#include "platform/linux/posix_net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace palavrino::platform {

namespace posix {

    namespace {

        using Clock = std::chrono::steady_clock;

        bool SetNonBlocking(int fd)
        {
            int flags = ::fcntl(fd, F_GETFL, 0);
            return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
        }

        // An IPv4 client of a dual-stack listener shows as "::ffff:a.b.c.d";
        // users know it as the plain dotted address.
        std::string AddressText(const sockaddr_storage& addr)
        {
            char text[INET6_ADDRSTRLEN] = {};
            if (addr.ss_family == AF_INET) {
                const auto& v4 = reinterpret_cast<const sockaddr_in&>(addr);
                ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
            } else if (addr.ss_family == AF_INET6) {
                const auto& v6 = reinterpret_cast<const sockaddr_in6&>(addr);
                if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr))
                    ::inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], text, sizeof text);
                else
                    ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
            }
            return text;
        }

        std::string NameOf(int fd, bool peer)
        {
            if (fd < 0)
                return {};
            sockaddr_storage addr {};
            socklen_t len = sizeof addr;
            int r = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len)
                         : ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
            return r == 0 ? AddressText(addr) : std::string();
        }

        int MsLeft(Clock::time_point deadline)
        {
            auto left
                = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            return left < 0 ? 0 : static_cast<int>(left);
        }

        // One non-blocking connect to one address, polled until it ends.
        NetStatus ConnectOne(
            const addrinfo& ai, Clock::time_point deadline, const CancelCheck& cancel, int& out)
        {
            int fd = ::socket(ai.ai_family, ai.ai_socktype | SOCK_CLOEXEC, ai.ai_protocol);
            if (fd < 0 || !SetNonBlocking(fd)) {
                if (fd >= 0)
                    ::close(fd);
                return NetStatus::Failed;
            }
            if (::connect(fd, ai.ai_addr, ai.ai_addrlen) != 0 && errno != EINPROGRESS) {
                ::close(fd);
                return NetStatus::Failed;
            }
            NetStatus ready = WaitReady(fd, POLLOUT, MsLeft(deadline), cancel);
            int error = 0;
            socklen_t len = sizeof error;
            if (ready == NetStatus::Ok
                && (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0))
                ready = NetStatus::Failed;
            if (ready != NetStatus::Ok) {
                ::close(fd);
                return ready;
            }
            int one = 1;
            static_cast<void>(::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one));
            out = fd;
            return NetStatus::Ok;
        }

        class SocketListener final : public NetListener {
        public:
            explicit SocketListener(int fd)
                : m_fd(fd)
            {
            }
            ~SocketListener() override { Close(); }
            SocketListener(const SocketListener&) = delete;
            SocketListener& operator=(const SocketListener&) = delete;

            bool Readable(int timeout_ms) override
            {
                pollfd p { m_fd, POLLIN, 0 };
                return m_fd >= 0 && ::poll(&p, 1, timeout_ms) > 0 && (p.revents & POLLIN);
            }

            NetStatus Accept(const CancelCheck& cancel, std::unique_ptr<NetStream>& client) override
            {
                for (;;) {
                    if (m_fd < 0)
                        return NetStatus::Failed;
                    int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                    if (fd >= 0) {
                        client = std::make_unique<SocketStream>(fd);
                        return NetStatus::Ok;
                    }
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
                        return NetStatus::Failed;
                    NetStatus ready = WaitReady(m_fd, POLLIN, -1, cancel);
                    if (ready != NetStatus::Ok)
                        return ready;
                }
            }

            std::string LocalAddress() const override { return NameOf(m_fd, false); }

            void Close() override
            {
                if (m_fd >= 0)
                    ::close(m_fd);
                m_fd = -1;
            }

        private:
            int m_fd { -1 };
        };

        int ListenOn(int family, int port)
        {
            int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0)
                return -1;
            int one = 1;
            static_cast<void>(::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one));
            int r = -1;
            if (family == AF_INET6) {
                int zero = 0; // one socket for IPv4 clients too
                static_cast<void>(::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero));
                sockaddr_in6 a {};
                a.sin6_family = AF_INET6;
                a.sin6_addr = in6addr_any;
                a.sin6_port = htons(static_cast<uint16_t>(port));
                r = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
            } else {
                sockaddr_in a {};
                a.sin_family = AF_INET;
                a.sin_addr.s_addr = htonl(INADDR_ANY);
                a.sin_port = htons(static_cast<uint16_t>(port));
                r = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
            }
            // A backlog of 3, as few clients queue for a script's server.
            if (r != 0 || ::listen(fd, 3) != 0) {
                ::close(fd);
                return -1;
            }
            return fd;
        }

    } // namespace

    NetStatus WaitReady(int fd, short events, int timeout_ms, const CancelCheck& cancel)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
        for (;;) {
            if (cancel && cancel())
                return NetStatus::Interrupted;
            int slice = CANCEL_POLL_MS;
            if (timeout_ms >= 0) {
                slice = std::min(slice, MsLeft(deadline));
            }
            pollfd p { fd, events, 0 };
            int r = ::poll(&p, 1, slice);
            if (r > 0)
                return NetStatus::Ok; // errors and hang-ups show on the next call
            if (r < 0 && errno != EINTR)
                return NetStatus::Failed;
            if (timeout_ms >= 0 && Clock::now() >= deadline) {
                if (cancel && cancel())
                    return NetStatus::Interrupted;
                return NetStatus::TimedOut;
            }
        }
    }

    NetStatus SocketStream::Send(std::string_view bytes, const CancelCheck& cancel)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            if (m_fd < 0)
                return NetStatus::Failed;
            ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                NetStatus ready = WaitReady(m_fd, POLLOUT, -1, cancel);
                if (ready != NetStatus::Ok)
                    return ready;
                continue;
            }
            return errno == EPIPE || errno == ECONNRESET ? NetStatus::Closed : NetStatus::Failed;
        }
        return NetStatus::Ok;
    }

    NetStatus SocketStream::Receive(char* buffer, std::size_t size, std::size_t& got)
    {
        got = 0;
        if (m_fd < 0)
            return NetStatus::Failed;
        for (;;) {
            ssize_t n = ::recv(m_fd, buffer, size, 0);
            if (n > 0) {
                got = static_cast<size_t>(n);
                return NetStatus::Ok;
            }
            if (n == 0)
                return NetStatus::Closed;
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return NetStatus::Ok; // nothing yet
            return errno == ECONNRESET ? NetStatus::Closed : NetStatus::Failed;
        }
    }

    bool SocketStream::Readable(int timeout_ms)
    {
        if (m_fd < 0)
            return false;
        pollfd p { m_fd, POLLIN, 0 };
        return ::poll(&p, 1, timeout_ms) > 0 && p.revents != 0;
    }

    std::string SocketStream::LocalAddress() const
    {
        return NameOf(m_fd, false);
    }
    std::string SocketStream::PeerAddress() const
    {
        return NameOf(m_fd, true);
    }

    void SocketStream::Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // A lookup running on a thread of its own, so that the user's interrupt
    // and the time limit end the wait even while a name server is slow to
    // answer; getaddrinfo itself cannot be interrupted. A lookup given up
    // frees its own result when it finally ends.
    struct Lookup {
        std::mutex mutex;
        std::condition_variable finished;
        bool done { false };
        bool abandoned { false };
        int result { 0 };
        addrinfo* list { nullptr };
    };

    void RunLookup(const std::shared_ptr<Lookup>& lookup, const std::string& name, const std::string& service)
    {
        addrinfo hints {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_ADDRCONFIG;
        addrinfo* list = nullptr;
        int r = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &list);
        if (r == EAI_ADDRFAMILY || r == EAI_NONAME) {
            // AI_ADDRCONFIG hides ::1 on a machine with loopback only.
            hints.ai_flags = 0;
            r = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &list);
        }
        std::lock_guard lock(lookup->mutex);
        if (lookup->abandoned) {
            if (r == 0 && list)
                ::freeaddrinfo(list);
            return;
        }
        lookup->result = r;
        lookup->list = r == 0 ? list : nullptr;
        lookup->done = true;
        lookup->finished.notify_all();
    }

    NetStatus Resolve(const std::string& name, const std::string& service, Clock::time_point deadline,
        const CancelCheck& cancel, addrinfo*& list)
    {
        auto lookup = std::make_shared<Lookup>();
        try {
            std::thread([lookup, name, service] { RunLookup(lookup, name, service); }).detach();
        } catch (const std::system_error&) {
            return NetStatus::Failed;
        }
        std::unique_lock lock(lookup->mutex);
        while (!lookup->done) {
            lookup->finished.wait_for(lock, std::chrono::milliseconds(CANCEL_POLL_MS));
            if (lookup->done)
                break;
            lock.unlock();
            const bool interrupted = cancel && cancel();
            lock.lock();
            if (!lookup->done && (interrupted || Clock::now() >= deadline)) {
                lookup->abandoned = true;
                return interrupted ? NetStatus::Interrupted : NetStatus::Failed;
            }
        }
        list = lookup->list;
        return lookup->result == 0 && list ? NetStatus::Ok : NetStatus::Failed;
    }

} // namespace posix

NetStatus ConnectTcp(const std::string& host, int port, int timeout_ms, const CancelCheck& cancel,
    std::unique_ptr<NetStream>& stream)
{
    if (host.empty() || port < 1 || port > 65535)
        return NetStatus::Failed;
    // An address written in brackets, as in URLs, stands for itself.
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    const auto deadline = posix::Clock::now() + std::chrono::milliseconds(timeout_ms);
    addrinfo* list = nullptr;
    if (NetStatus resolved = posix::Resolve(name, std::to_string(port), deadline, cancel, list);
        resolved != NetStatus::Ok)
        return resolved;
    NetStatus status = NetStatus::Failed;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        int fd = -1;
        status = posix::ConnectOne(*ai, deadline, cancel, fd);
        if (status == NetStatus::Ok) {
            stream = std::make_unique<posix::SocketStream>(fd);
            break;
        }
        if (status == NetStatus::Interrupted || posix::MsLeft(deadline) == 0)
            break;
    }
    ::freeaddrinfo(list);
    return status;
}

NetStatus ListenTcp(int port, std::unique_ptr<NetListener>& listener)
{
    if (port < 1 || port > 65535)
        return NetStatus::Failed;
    int fd = posix::ListenOn(AF_INET6, port);
    if (fd < 0)
        fd = posix::ListenOn(AF_INET, port); // a system without IPv6
    if (fd < 0)
        return NetStatus::Failed;
    listener = std::make_unique<posix::SocketListener>(fd);
    return NetStatus::Ok;
}

} // namespace palavrino::platform
