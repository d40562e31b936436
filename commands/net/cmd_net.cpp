// TCP on descriptors: INTERNET, CONECTA [SSL] [MUDO], SERVE [MUDO] [&],
// ACEITA [MUDO] and IP LOCAL/REMOTO. Connections and listeners become
// Connection descriptors; ESCREVE, LE, OBSERVA and FECHA then work on them.
// Every wait (connecting, the TLS handshake, accepting) ends on the user's
// interrupt, which unwinds the run.
#include "commands/net/cmd_net.h"

#include "commands/files/cmd_io.h"
#include "core/char_tables.h"
#include "devices/connection.h"
#include "interp/runtime.h"
#include "messages/net.h"

namespace palavrino::commands {

namespace {

    using core::TokenKind;
    using core::Value;
    using core::ValueKind;
    using interp::Runtime;

    // A connection attempt gives up after this long (the system's own limit
    // is minutes); the user can stop it sooner with Ctrl+C.
    constexpr int CONNECT_TIMEOUT_MS = 30000;
    // OBSERVA's wait on a connection when TIMEOUT_REDE says nothing usable.
    constexpr int DEFAULT_POLL_TIMEOUT_US = 20000;

    bool Fail(Runtime& rt, std::string_view message)
    {
        rt.ReportErrorHere(message);
        return false;
    }

    bool Finish(Runtime& rt, bool ok)
    {
        if (!ok)
            rt.lexer.SkipRestOfLine();
        return ok;
    }

    int& IoStatus(Runtime& rt)
    {
        return rt.Slot().io_status;
    }

    platform::CancelCheck CancelOf(Runtime& rt)
    {
        return [&rt] { return rt.io.TakeInterrupt(); };
    }

    bool TakeWord(Runtime& rt, std::string_view word)
    {
        if (!rt.lexer.TokenIsWord(word))
            return false;
        rt.lexer.NextToken();
        return true;
    }

    // A port expression: an integer from 1 to 65535.
    std::optional<int> ParsePort(Runtime& rt)
    {
        Value port;
        rt.ParseExpressionAs(port, ValueKind::Integer);
        if (!port.is(ValueKind::Integer) || port.AsInt() < 1 || port.AsInt() > 65535) {
            rt.ReportErrorHere(msg::MSG_EXPECTED_PORT);
            return std::nullopt;
        }
        return port.AsInt();
    }

    // Each successful client connection reads TIMEOUT_REDE afresh.
    void ReloadPollTimeout(Runtime& rt)
    {
        int32_t us = 0;
        std::string text = rt.io.ReadConfig("TALIRA", "TIMEOUT_REDE");
        if (!core::IsIntegerText(text, &us) || us < 0)
            us = DEFAULT_POLL_TIMEOUT_US;
        rt.descriptors.network.poll_timeout_us = us;
    }

    void Attach(Runtime& rt, int32_t n, std::unique_ptr<platform::NetStream> stream)
    {
        rt.descriptors.Attach(n, devices::DescriptorKind::Connection,
            std::make_unique<devices::Connection>(std::move(stream), rt.descriptors.network.poll_timeout_us));
    }

    // A wait the user ended stops the run; any other outcome is the
    // command's to report.
    platform::NetStatus Checked(Runtime& rt, platform::NetStatus s)
    {
        if (s == platform::NetStatus::Interrupted) {
            IoStatus(rt) = 1;
            devices::ThrowInterrupted(rt);
        }
        return s;
    }

    // INTERNET (INICIA | TERMINA)
    bool RunInternet(Runtime& rt)
    {
        if (TakeWord(rt, "INICIA"))
            rt.descriptors.network.started = true;
        else if (TakeWord(rt, "TERMINA"))
            rt.descriptors.network.started = false; // open descriptors stay open
        else
            return false;
        return true;
    }

    // CONECTA [SSL] [MUDO] "#" n server port
    bool RunConecta(Runtime& rt)
    {
        bool ssl = TakeWord(rt, "SSL");
        bool mute = TakeWord(rt, "MUDO");
        std::optional<int32_t> n = devices::ParseDescriptor(rt);
        if (!n)
            return false;
        Value server;
        rt.ParseExpressionAs(server, ValueKind::String);
        if (!server.is(ValueKind::String) || server.Text().empty())
            return Fail(rt, msg::MSG_EXPECTED_SERVER);
        std::optional<int> port = ParsePort(rt);
        if (!port)
            return false;
        if (!devices::CheckDescriptorFree(rt, *n))
            return false;
        rt.descriptors.network.started = true;
        const std::string host = server.Text();
        std::unique_ptr<platform::NetStream> stream;
        platform::NetStatus s
            = Checked(rt, platform::ConnectTcp(host, *port, CONNECT_TIMEOUT_MS, CancelOf(rt), stream));
        if (s == platform::NetStatus::Ok && ssl) {
            // Never a plain-text fallback: a channel that fails to start, or
            // a peer that fails the checks, is a failed connection.
            std::unique_ptr<platform::NetStream> secure;
            s = Checked(rt,
                platform::StartTls(
                    std::move(stream), host, ReadTlsSettings(rt), CONNECT_TIMEOUT_MS, CancelOf(rt), secure));
            stream = std::move(secure);
        }
        if (s != platform::NetStatus::Ok) {
            IoStatus(rt) = 1;
            return mute || Fail(rt, msg::MSG_CONNECT_FAILED);
        }
        ReloadPollTimeout(rt);
        Attach(rt, *n, std::move(stream));
        IoStatus(rt) = 0;
        return true;
    }

    // SERVE [MUDO] "#" n port ["&"]
    bool RunServe(Runtime& rt)
    {
        bool mute = TakeWord(rt, "MUDO");
        std::optional<int32_t> n = devices::ParseDescriptor(rt);
        if (!n)
            return false;
        std::optional<int> port = ParsePort(rt);
        if (!port)
            return false;
        bool background = rt.lexer.Is(TokenKind::Ampersand);
        if (background)
            rt.lexer.NextToken();
        if (!devices::CheckDescriptorFree(rt, *n))
            return false;
        rt.descriptors.network.started = true;
        std::unique_ptr<platform::NetListener> listener;
        platform::NetStatus s = platform::ListenTcp(*port, listener);
        if (s == platform::NetStatus::Ok && background) {
            rt.descriptors.Attach(*n, devices::DescriptorKind::Connection,
                std::make_unique<devices::Listener>(
                    std::move(listener), rt.descriptors.network.poll_timeout_us));
            IoStatus(rt) = 0;
            return true;
        }
        std::unique_ptr<platform::NetStream> client;
        if (s == platform::NetStatus::Ok) {
            s = Checked(rt, listener->Accept(CancelOf(rt), client));
            listener->Close();
        }
        if (s != platform::NetStatus::Ok) {
            IoStatus(rt) = 1;
            return mute || Fail(rt, std::string(msg::MSG_SERVE_FAILED) + core::IntToText(*port));
        }
        Attach(rt, *n, std::move(client));
        IoStatus(rt) = 0;
        return true;
    }

    // ACEITA [MUDO] "#" listener "#" n
    bool RunAceita(Runtime& rt)
    {
        bool mute = TakeWord(rt, "MUDO");
        std::optional<int32_t> from = devices::ParseDescriptor(rt);
        if (!from)
            return false;
        std::optional<int32_t> n = devices::ParseDescriptor(rt);
        if (!n)
            return false;
        if (!devices::CheckDescriptorFree(rt, *n))
            return false;
        rt.descriptors.network.started = true;
        const devices::Descriptor& d = rt.descriptors.At(*from);
        auto* listener = d.open ? dynamic_cast<devices::Listener*>(d.stream.get()) : nullptr;
        std::unique_ptr<platform::NetStream> client;
        platform::NetStatus s
            = listener ? Checked(rt, listener->Accept(CancelOf(rt), client)) : platform::NetStatus::Failed;
        if (s != platform::NetStatus::Ok) {
            IoStatus(rt) = 1;
            return mute || Fail(rt, msg::MSG_ACCEPT_FAILED);
        }
        Attach(rt, *n, std::move(client));
        IoStatus(rt) = 0;
        return true;
    }

    // IP (LOCAL | REMOTO) "#" n variable
    bool RunIp(Runtime& rt)
    {
        bool local = TakeWord(rt, "LOCAL");
        if (!local && !TakeWord(rt, "REMOTO"))
            return false;
        std::optional<int32_t> n = devices::ParseDescriptor(rt);
        if (!n)
            return false;
        core::TargetRec target;
        if (!core::ParseTarget(rt, target, false))
            return false;
        const devices::Descriptor& d = rt.descriptors.At(*n);
        if (!d.open || d.kind != devices::DescriptorKind::Connection)
            return false;
        std::string address;
        if (auto* c = dynamic_cast<devices::Connection*>(d.stream.get()))
            address = local ? c->LocalAddress() : c->PeerAddress();
        else if (auto* l = dynamic_cast<devices::Listener*>(d.stream.get()))
            address = local ? l->LocalAddress() : std::string(); // a listener has no peer
        return core::AssignTarget(rt, target, Value::String(std::move(address)));
    }

} // namespace

platform::TlsSettings ReadTlsSettings(Runtime& rt)
{
    platform::TlsSettings tls;
    tls.extra_ca_file = rt.io.ReadConfig("TALIRA", "CERTIFICADOS_CA");
    std::string verify = core::UpperText(rt.io.ReadConfig("TALIRA", "VERIFICA_CERTIFICADO"));
    tls.verify = !(verify == "N" || verify == "NAO" || verify == "0");
    return tls;
}

bool CmdInternet(Runtime& rt)
{
    return Finish(rt, RunInternet(rt));
}
bool CmdConecta(Runtime& rt)
{
    return Finish(rt, RunConecta(rt));
}
bool CmdServe(Runtime& rt)
{
    return Finish(rt, RunServe(rt));
}
bool CmdAceita(Runtime& rt)
{
    return Finish(rt, RunAceita(rt));
}
bool CmdIp(Runtime& rt)
{
    return Finish(rt, RunIp(rt));
}

} // namespace palavrino::commands
