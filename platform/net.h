// TCP streams and listeners, plain or in TLS, as the device layer sees them.
// The Linux back end (POSIX sockets, OpenSSL) lives in platform/linux/. Every
// call that can wait takes a cancel check, asked at least every 100 ms, so
// the user's interrupt ends any wait on the network; no call throws or
// prints: each returns a status and the command decides what the user hears.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace palavrino::platform {

// Answers true when the user asked to stop (Ctrl+C): the wait ends at once.
using CancelCheck = std::function<bool()>;

// The longest single wait of a poll before the cancel check is asked again.
constexpr int CANCEL_POLL_MS = 100;

enum class NetStatus : std::uint8_t {
    Ok = 0,
    Closed = 1, // the peer ended the connection
    TimedOut = 2,
    Interrupted = 3, // the cancel check answered true
    Failed = 4, // refused, unreachable, not resolved, reset...
    TlsFailed = 5, // the TLS handshake or the certificate check failed
};

// A connected byte stream.
class NetStream {
public:
    virtual ~NetStream() = default;
    // Sends every byte (waiting while the peer is slow to take them).
    [[nodiscard]] virtual NetStatus Send(std::string_view bytes, const CancelCheck& cancel) = 0;
    // One receive of up to `size` bytes: Ok with got > 0, Closed at the
    // peer's end, Failed on an error. Does not wait: call after Readable.
    [[nodiscard]] virtual NetStatus Receive(char* buffer, std::size_t size, std::size_t& got) = 0;
    // Whether bytes (or the peer's end) can be received, waiting up to
    // `timeout_ms` (0 = just look).
    virtual bool Readable(int timeout_ms) = 0;
    // The addresses of each end in their usual text form ("127.0.0.1",
    // "::1"); empty when unknown.
    virtual std::string LocalAddress() const = 0;
    virtual std::string PeerAddress() const = 0;
    // Ends the stream (a TLS stream says goodbye first). Idempotent.
    virtual void Close() = 0;
};

// A socket listening for clients on every local address, IPv4 and IPv6.
class NetListener {
public:
    virtual ~NetListener() = default;
    // Whether a client waits to be accepted, waiting up to `timeout_ms`.
    virtual bool Readable(int timeout_ms) = 0;
    // Waits for one client (until cancelled) and gives its stream.
    [[nodiscard]] virtual NetStatus Accept(const CancelCheck& cancel, std::unique_ptr<NetStream>& client) = 0;
    virtual std::string LocalAddress() const = 0;
    virtual void Close() = 0;
};

// Resolves `host` (a name, or an IPv4 or IPv6 address) and connects to the
// first address that answers, within `timeout_ms` overall.
[[nodiscard]] NetStatus ConnectTcp(const std::string& host, int port, int timeout_ms,
    const CancelCheck& cancel, std::unique_ptr<NetStream>& stream);

// Listens on `port` of every local address (IPv6 and IPv4 together where
// the system allows).
[[nodiscard]] NetStatus ListenTcp(int port, std::unique_ptr<NetListener>& listener);

// How a TLS client checks its peer: by default the certificate chain
// against the system's CA store (plus `extra_ca_file` when set) and the
// certificate's names against the host connected to.
struct TlsSettings {
    std::string extra_ca_file;
    bool verify { true };
};

// Wraps a connected plain stream in a TLS client channel of its own,
// presenting `host` for SNI and the name check. On failure the plain
// stream is closed and nothing is given.
[[nodiscard]] NetStatus StartTls(std::unique_ptr<NetStream> plain, const std::string& host,
    const TlsSettings& settings, int timeout_ms, const CancelCheck& cancel,
    std::unique_ptr<NetStream>& secure);

} // namespace palavrino::platform
