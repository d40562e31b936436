// The streams of the Connection kind: a TCP connection (plain or TLS) with
// its 4096-byte receive buffer and line reader, and a listening socket put
// on a descriptor by SERVE with "&", which carries no data and only waits
// for clients. The sockets themselves are platform streams (platform/net.h),
// made by the network commands and handed over here.
#pragma once

#include "devices/byte_stream.h"
#include "platform/net.h"

#include <array>
#include <memory>
#include <string>

namespace palavrino::devices {

// A line read gives up after this many seconds without a byte arriving.
constexpr int LINE_TIMEOUT_SECONDS = 30;
// Bytes taken from the socket in one receive.
constexpr size_t CONNECTION_BUFFER_SIZE = 4096;

class Connection final : public ByteStream {
public:
    // `poll_timeout_us` is the readiness wait of OBSERVA, shared by all the
    // connections of one interpreter (it must outlive the stream).
    Connection(std::unique_ptr<platform::NetStream> stream, const int& poll_timeout_us);
    ~Connection() override;

    ReadStatus Write(std::string_view text, bool line_end, const Cancel& cancel) override;
    ReadStatus ReadLine(std::string& line, const Cancel& cancel) override;
    ReadStatus ReadByte(int& byte, const Cancel& cancel) override;
    bool HasInput() override;
    int Close() override;

    std::string LocalAddress() const { return m_stream ? m_stream->LocalAddress() : std::string(); }
    std::string PeerAddress() const { return m_stream ? m_stream->PeerAddress() : std::string(); }
    // Tests shorten the wait of a line read.
    void SetLineTimeout(int seconds) { m_line_timeout_s = seconds; }

private:
    // Fills the buffer when it is used up, waiting while the peer is quiet
    // (idle_limit_ms < 0: no limit).
    ReadStatus Fill(int idle_limit_ms, const Cancel& cancel);

    std::unique_ptr<platform::NetStream> m_stream;
    const int* m_poll_timeout_us { nullptr };
    int m_line_timeout_s { LINE_TIMEOUT_SECONDS };
    std::array<char, CONNECTION_BUFFER_SIZE> m_data {};
    size_t m_position { 0 };
    size_t m_fill { 0 };
    bool m_ended { false };
};

class Listener final : public ByteStream {
public:
    Listener(std::unique_ptr<platform::NetListener> listener, const int& poll_timeout_us);
    ~Listener() override;

    // A listening socket sends and receives nothing: every read and write
    // fails with the I/O status 1.
    ReadStatus Write(std::string_view, bool, const Cancel&) override { return ReadStatus::Failed; }
    ReadStatus ReadLine(std::string& line, const Cancel&) override
    {
        line.clear();
        return ReadStatus::Failed;
    }
    ReadStatus ReadByte(int&, const Cancel&) override { return ReadStatus::Failed; }
    // A client waits to be accepted.
    bool HasInput() override;
    int Close() override;

    [[nodiscard]] platform::NetStatus Accept(
        const Cancel& cancel, std::unique_ptr<platform::NetStream>& client);
    std::string LocalAddress() const { return m_listener ? m_listener->LocalAddress() : std::string(); }

private:
    std::unique_ptr<platform::NetListener> m_listener;
    const int* m_poll_timeout_us { nullptr };
};

} // namespace palavrino::devices
