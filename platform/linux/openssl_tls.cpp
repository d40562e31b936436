// TLS client channels with OpenSSL 3: one SSL object per connection, a
// context per settings, the peer checked against the system CA store (and
// an extra CA file when configured) and against the host name. The socket
// stays non-blocking: every handshake, read and write step polls in short
// slices, so the interrupt ends it.
#include "platform/linux/posix_net.h"

#include <chrono>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>

namespace palavrino::platform {

namespace {

    using Clock = std::chrono::steady_clock;

    struct CtxDeleter {
        void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
    };
    using CtxPtr = std::unique_ptr<SSL_CTX, CtxDeleter>;

    CtxPtr MakeContext(const TlsSettings& settings)
    {
        CtxPtr ctx(SSL_CTX_new(TLS_client_method()));
        if (!ctx)
            return nullptr;
        SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION);
        if (!settings.verify) {
            SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_NONE, nullptr);
            return ctx;
        }
        SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
        if (SSL_CTX_set_default_verify_paths(ctx.get()) != 1)
            return nullptr;
        // A configured CA file that cannot be read must not quietly fall
        // back to the system store alone: the user asked for it.
        if (!settings.extra_ca_file.empty()
            && SSL_CTX_load_verify_locations(ctx.get(), settings.extra_ca_file.c_str(), nullptr) != 1)
            return nullptr;
        return ctx;
    }

    class TlsStream final : public NetStream {
    public:
        TlsStream(std::unique_ptr<posix::SocketStream> plain, CtxPtr ctx, SSL* ssl)
            : m_plain(std::move(plain))
            , m_ctx(std::move(ctx))
            , m_ssl(ssl)
        {
        }
        ~TlsStream() override { Close(); }
        TlsStream(const TlsStream&) = delete;
        TlsStream& operator=(const TlsStream&) = delete;

        NetStatus Send(std::string_view bytes, const CancelCheck& cancel) override
        {
            size_t done = 0;
            while (done < bytes.size()) {
                if (!m_ssl)
                    return NetStatus::Failed;
                ERR_clear_error();
                size_t wrote = 0;
                int r = SSL_write_ex(m_ssl, bytes.data() + done, bytes.size() - done, &wrote);
                if (r == 1) {
                    done += wrote;
                    continue;
                }
                NetStatus s = WaitFor(SSL_get_error(m_ssl, r), cancel);
                if (s != NetStatus::Ok)
                    return s;
            }
            return NetStatus::Ok;
        }

        NetStatus Receive(char* buffer, std::size_t size, std::size_t& got) override
        {
            got = 0;
            if (!m_ssl)
                return NetStatus::Failed;
            ERR_clear_error();
            int r = SSL_read_ex(m_ssl, buffer, size, &got);
            if (r == 1)
                return NetStatus::Ok;
            switch (SSL_get_error(m_ssl, r)) {
            case SSL_ERROR_WANT_READ:
            case SSL_ERROR_WANT_WRITE:
                return NetStatus::Ok; // nothing decrypted yet
            case SSL_ERROR_ZERO_RETURN:
                return NetStatus::Closed;
            case SSL_ERROR_SYSCALL:
                // A peer that closes without its goodbye still ended the stream.
                return NetStatus::Closed;
            default:
                return NetStatus::Failed;
            }
        }

        bool Readable(int timeout_ms) override
        {
            if (!m_ssl)
                return false;
            if (SSL_pending(m_ssl) > 0)
                return true;
            return m_plain->Readable(timeout_ms);
        }

        std::string LocalAddress() const override { return m_plain->LocalAddress(); }
        std::string PeerAddress() const override { return m_plain->PeerAddress(); }

        void Close() override
        {
            if (m_ssl) {
                // One goodbye, without waiting for the peer's answer.
                static_cast<void>(SSL_shutdown(m_ssl));
                SSL_free(m_ssl);
                m_ssl = nullptr;
            }
            m_plain->Close();
        }

    private:
        NetStatus WaitFor(int error, const CancelCheck& cancel)
        {
            if (error == SSL_ERROR_WANT_READ)
                return posix::WaitReady(m_plain->fd(), POLLIN, -1, cancel);
            if (error == SSL_ERROR_WANT_WRITE)
                return posix::WaitReady(m_plain->fd(), POLLOUT, -1, cancel);
            return NetStatus::Failed;
        }

        std::unique_ptr<posix::SocketStream> m_plain;
        CtxPtr m_ctx;
        SSL* m_ssl { nullptr };
    };

    int MsLeft(Clock::time_point deadline)
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return left < 0 ? 0 : static_cast<int>(left);
    }

} // namespace

NetStatus StartTls(std::unique_ptr<NetStream> plain, const std::string& host, const TlsSettings& settings,
    int timeout_ms, const CancelCheck& cancel, std::unique_ptr<NetStream>& secure)
{
    auto* socket = dynamic_cast<posix::SocketStream*>(plain.get());
    if (!socket)
        return NetStatus::Failed;
    std::unique_ptr<posix::SocketStream> owned(socket);
    static_cast<void>(plain.release());
    CtxPtr ctx = MakeContext(settings);
    SSL* ssl = ctx ? SSL_new(ctx.get()) : nullptr;
    if (!ssl)
        return NetStatus::TlsFailed;
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    // Names get SNI; an address is checked as an address.
    const bool is_address
        = name.find(':') != std::string::npos || name.find_first_not_of("0123456789.") == std::string::npos;
    if (!is_address)
        SSL_set_tlsext_host_name(ssl, name.c_str());
    if (settings.verify) {
        X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
        int ok = is_address ? X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str())
                            : X509_VERIFY_PARAM_set1_host(param, name.c_str(), 0);
        if (ok != 1) {
            SSL_free(ssl);
            return NetStatus::TlsFailed;
        }
    }
    SSL_set_fd(ssl, owned->fd());
    auto stream = std::make_unique<TlsStream>(std::move(owned), std::move(ctx), ssl);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        ERR_clear_error();
        int r = SSL_connect(ssl);
        if (r == 1)
            break;
        int error = SSL_get_error(ssl, r);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return NetStatus::TlsFailed; // the stream closes as it goes
        NetStatus ready = posix::WaitReady(
            SSL_get_fd(ssl), error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, MsLeft(deadline), cancel);
        if (ready != NetStatus::Ok)
            return ready == NetStatus::Interrupted ? ready : NetStatus::TlsFailed;
    }
    secure = std::move(stream);
    return NetStatus::Ok;
}

} // namespace palavrino::platform
