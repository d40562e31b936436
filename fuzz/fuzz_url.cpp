// Feeds arbitrary bytes to the download's URL reading and header parsing,
// and to a connection's line reader over a stream that hands the same bytes
// out in uneven pieces: nothing may crash, hang or read past its buffer.
#include "devices/connection.h"
#include "devices/download.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class BytesStream final : public palavrino::platform::NetStream {
public:
    explicit BytesStream(std::string data)
        : m_data(std::move(data))
    {
    }
    palavrino::platform::NetStatus Send(std::string_view, const palavrino::platform::CancelCheck&) override
    {
        return palavrino::platform::NetStatus::Ok;
    }
    palavrino::platform::NetStatus Receive(char* buffer, std::size_t size, std::size_t& got) override
    {
        if (m_pos >= m_data.size())
            return palavrino::platform::NetStatus::Closed;
        // Pieces of 1 to 64 bytes, chosen by the data itself.
        std::size_t piece = 1 + static_cast<unsigned char>(m_data[m_pos]) % 64;
        got = std::min({ size, piece, m_data.size() - m_pos });
        m_data.copy(buffer, got, m_pos);
        m_pos += got;
        return palavrino::platform::NetStatus::Ok;
    }
    bool Readable(int) override { return true; }
    std::string LocalAddress() const override { return {}; }
    std::string PeerAddress() const override { return {}; }
    void Close() override { }

private:
    std::string m_data;
    std::size_t m_pos { 0 };
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    palavrino::devices::UrlRec url;
    if (palavrino::devices::ParseUrl(text, url)) {
        if (url.path.empty() || url.path[0] != '/' || url.port < 1 || url.port > 65535)
            __builtin_trap();
        static_cast<void>(palavrino::devices::RequestUrl(url));
    }
    static_cast<void>(palavrino::devices::EncodeUrlPath(text));

    palavrino::devices::ResponseHead head;
    int poll_us = 0;
    palavrino::devices::Connection c(std::make_unique<BytesStream>(text), poll_us);
    std::string line;
    // Each successful read takes at least one byte, so this ends.
    for (size_t i = 0; i <= size + 1; ++i) {
        if (c.ReadLine(line, nullptr) != palavrino::devices::ReadStatus::Ok)
            return 0;
        head.Line(line);
    }
    __builtin_trap();
}
