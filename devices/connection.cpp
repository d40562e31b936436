// TCP connections on descriptors: buffered reads, the line reader with its
// time-out counted in quiet 100 ms polls, and the listening socket; see
// connection.h.
#include "devices/connection.h"

#include "core/machine.h"
#include "messages/core.h"

namespace palavrino::devices {

namespace {

    // The poll time-out is kept in microseconds; waits below a millisecond
    // round up so a configured wait is never dropped to "just look".
    int PollMs(int poll_timeout_us)
    {
        return poll_timeout_us <= 0 ? 0 : (poll_timeout_us + 999) / 1000;
    }

} // namespace

void ThrowInterrupted(core::Machine& m)
{
    throw core::InterruptAbort(msg::InterruptedOnLine(m.CurrentLine()));
}

Connection::Connection(std::unique_ptr<platform::NetStream> stream, const int& poll_timeout_us)
    : m_stream(std::move(stream))
    , m_poll_timeout_us(&poll_timeout_us)
{
}

Connection::~Connection()
{
    static_cast<void>(Close());
}

int Connection::Close()
{
    if (m_stream)
        m_stream->Close();
    m_stream.reset();
    return 0;
}

ReadStatus Connection::Write(std::string_view text, bool line_end, const Cancel& cancel)
{
    if (!m_stream)
        return ReadStatus::Failed;
    // One send of the whole line, line end included, as peers expect.
    std::string bytes(text);
    if (line_end)
        bytes += "\r\n";
    platform::NetStatus s = m_stream->Send(bytes, cancel);
    if (s == platform::NetStatus::Interrupted)
        return ReadStatus::Interrupted;
    return s == platform::NetStatus::Ok ? ReadStatus::Ok : ReadStatus::Failed;
}

ReadStatus Connection::Fill(int idle_limit_ms, const Cancel& cancel)
{
    if (m_position < m_fill)
        return ReadStatus::Ok;
    if (!m_stream || m_ended)
        return ReadStatus::Failed;
    int idle_ms = 0;
    for (;;) {
        if (cancel && cancel())
            return ReadStatus::Interrupted;
        if (m_stream->Readable(platform::CANCEL_POLL_MS)) {
            size_t got = 0;
            platform::NetStatus s = m_stream->Receive(m_data.data(), m_data.size(), got);
            if (s != platform::NetStatus::Ok) {
                m_ended = true; // the peer closed, or the stream broke
                return ReadStatus::Failed;
            }
            if (got > 0) {
                m_position = 0;
                m_fill = got;
                return ReadStatus::Ok;
            }
            // Readable without bytes: a TLS record still incomplete.
        } else {
            idle_ms += platform::CANCEL_POLL_MS;
        }
        if (idle_limit_ms >= 0 && idle_ms > idle_limit_ms)
            return ReadStatus::Failed;
    }
}

ReadStatus Connection::ReadLine(std::string& line, const Cancel& cancel)
{
    line.clear();
    for (;;) {
        ReadStatus s = Fill(m_line_timeout_s * 1000, cancel);
        if (s == ReadStatus::Interrupted)
            return s;
        if (s != ReadStatus::Ok) {
            // A last line without LF before the peer closed still counts.
            if (m_ended && !line.empty())
                break;
            return ReadStatus::Failed;
        }
        char c = m_data[m_position++];
        if (c == '\n')
            break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return ReadStatus::Ok;
}

ReadStatus Connection::ReadByte(int& byte, const Cancel& cancel)
{
    // A peer that stays quiet ends a byte read like a line read, so no read
    // of a connection waits for ever.
    ReadStatus s = Fill(m_line_timeout_s * 1000, cancel);
    if (s != ReadStatus::Ok)
        return s;
    byte = static_cast<unsigned char>(m_data[m_position++]);
    return ReadStatus::Ok;
}

bool Connection::HasInput()
{
    if (m_position < m_fill)
        return true;
    return m_stream && !m_ended && m_stream->Readable(PollMs(*m_poll_timeout_us));
}

Listener::Listener(std::unique_ptr<platform::NetListener> listener, const int& poll_timeout_us)
    : m_listener(std::move(listener))
    , m_poll_timeout_us(&poll_timeout_us)
{
}

Listener::~Listener()
{
    static_cast<void>(Close());
}

int Listener::Close()
{
    if (m_listener)
        m_listener->Close();
    m_listener.reset();
    return 0;
}

bool Listener::HasInput()
{
    return m_listener && m_listener->Readable(PollMs(*m_poll_timeout_us));
}

platform::NetStatus Listener::Accept(const Cancel& cancel, std::unique_ptr<platform::NetStream>& client)
{
    if (!m_listener)
        return platform::NetStatus::Failed;
    return m_listener->Accept(cancel, client);
}

} // namespace palavrino::devices
