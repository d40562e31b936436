// The POSIX socket stream, shared by the plain TCP back end and the TLS
// channel built on top of it (which needs the descriptor itself).
#pragma once

#include "platform/net.h"

namespace palavrino::platform::posix {

// A non-blocking connected socket; owns the descriptor.
class SocketStream final : public NetStream {
public:
    explicit SocketStream(int fd)
        : m_fd(fd)
    {
    }
    ~SocketStream() override { Close(); }
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    NetStatus Send(std::string_view bytes, const CancelCheck& cancel) override;
    NetStatus Receive(char* buffer, std::size_t size, std::size_t& got) override;
    bool Readable(int timeout_ms) override;
    std::string LocalAddress() const override;
    std::string PeerAddress() const override;
    void Close() override;

    int fd() const { return m_fd; }

private:
    int m_fd { -1 };
};

// Waits until fd is ready for `events` (POLLIN, POLLOUT), asking `cancel`
// every CANCEL_POLL_MS; timeout_ms < 0 waits without a limit.
[[nodiscard]] NetStatus WaitReady(int fd, short events, int timeout_ms, const CancelCheck& cancel);

} // namespace palavrino::platform::posix
