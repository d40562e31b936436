// URL reading, header lines and the safe save of a download; see
// download.h.
#include "devices/download.h"

#include "core/char_tables.h"
#include "encoding/encoding.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

namespace palavrino::devices {

namespace {

    bool IsHex(char c)
    {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    }

    std::string Upper(std::string_view text)
    {
        std::string out(text);
        for (char& c : out)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        return out;
    }

    std::string_view TrimBlanks(std::string_view s)
    {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
            s.remove_suffix(1);
        return s;
    }

    bool StartsWithUpper(std::string_view line, std::string_view name)
    {
        return line.size() >= name.size() && Upper(line.substr(0, name.size())) == name;
    }

    // A port: digits only, 1..65535.
    bool ParsePort(std::string_view text, int& port)
    {
        if (text.empty() || text.size() > 5)
            return false;
        int value = 0;
        for (char c : text) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        if (value < 1 || value > 65535)
            return false;
        port = value;
        return true;
    }

    bool ParseLength(std::string_view text, int64_t& length)
    {
        if (text.empty() || text.size() > 18)
            return false;
        int64_t value = 0;
        for (char c : text) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        length = value;
        return true;
    }

    // The body's way to disk: a temporary file in the target's folder,
    // created when the first byte (or the end) comes, renamed over the
    // target only after a whole, checked download.
    class SaveSink final : public platform::HttpSink {
    public:
        SaveSink(const DownloadJob& job, DownloadOutcome& outcome)
            : m_job(job)
            , m_out(outcome)
            , m_target(encoding::Cp1252ToUtf8(job.file))
        {
        }
        ~SaveSink() override { Discard(); }
        SaveSink(const SaveSink&) = delete;
        SaveSink& operator=(const SaveSink&) = delete;

        void HeaderLine(std::string_view line) override { m_out.head.Line(line); }

        bool Body(std::string_view bytes) override
        {
            Start();
            if (!m_file && !Create())
                return false;
            if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
                m_write_failed = true;
                return false;
            }
            m_out.received += static_cast<int64_t>(bytes.size());
            return true;
        }

        bool create_failed() const { return m_create_failed; }
        bool write_failed() const { return m_write_failed; }

        void Start()
        {
            if (m_started)
                return;
            m_started = true;
            if (m_job.on_start)
                m_job.on_start(m_out.head);
        }

        // Creates the file of an empty body, closes it and puts it in place.
        DownloadResult Commit()
        {
            if (!m_file && !Create())
                return DownloadResult::CreateFailed;
            std::FILE* f = m_file;
            m_file = nullptr;
            if (std::fclose(f) != 0)
                return DownloadResult::WriteFailed;
            std::error_code ec;
            std::filesystem::rename(m_temp, m_target, ec);
            if (ec)
                return DownloadResult::CreateFailed;
            m_temp.clear();
            return DownloadResult::Ok;
        }

        void Discard()
        {
            if (m_file)
                static_cast<void>(std::fclose(m_file));
            m_file = nullptr;
            if (!m_temp.empty()) {
                std::error_code ec;
                std::filesystem::remove(m_temp, ec);
                m_temp.clear();
            }
        }

    private:
        bool Create()
        {
            if (m_create_failed)
                return false;
            std::filesystem::path dir = m_target.parent_path();
            if (dir.empty())
                dir = ".";
            std::error_code ec;
            // A target that is a folder (or in a missing one) cannot be written.
            if (m_target.filename().empty() || std::filesystem::is_directory(m_target, ec)) {
                m_create_failed = true;
                return false;
            }
            std::random_device seed;
            for (int attempt = 0; attempt < 20 && !m_file; ++attempt) {
                std::filesystem::path temp
                    = dir / ("." + m_target.filename().string() + ".baixando-" + std::to_string(seed()));
                // "x": never reuse a file someone else made meanwhile.
                m_file = std::fopen(temp.c_str(), "wbx");
                if (m_file)
                    m_temp = temp;
            }
            m_create_failed = m_file == nullptr;
            return m_file != nullptr;
        }

        const DownloadJob& m_job;
        DownloadOutcome& m_out;
        std::filesystem::path m_target;
        std::filesystem::path m_temp;
        std::FILE* m_file { nullptr };
        bool m_started { false };
        bool m_create_failed { false };
        bool m_write_failed { false };
    };

    DownloadResult FromHttp(platform::HttpStatus s)
    {
        switch (s) {
        case platform::HttpStatus::Ok:
            return DownloadResult::Ok;
        case platform::HttpStatus::ConnectFailed:
        case platform::HttpStatus::Failed:
            return DownloadResult::ConnectFailed;
        case platform::HttpStatus::TooManyRedirects:
            return DownloadResult::TooManyRedirects;
        case platform::HttpStatus::NoResponse:
            return DownloadResult::NoResponse;
        case platform::HttpStatus::Incomplete:
            return DownloadResult::Incomplete;
        case platform::HttpStatus::TimedOut:
            return DownloadResult::TimedOut;
        case platform::HttpStatus::Aborted:
            return DownloadResult::WriteFailed;
        case platform::HttpStatus::Interrupted:
            return DownloadResult::Interrupted;
        }
        return DownloadResult::ConnectFailed;
    }

} // namespace

bool ParseUrl(std::string_view text, UrlRec& url)
{
    url = UrlRec {};
    std::string_view rest = text;
    size_t sep = text.find("://");
    if (sep != std::string_view::npos) {
        url.scheme = Upper(text.substr(0, sep));
        rest = text.substr(sep + 3);
    } else {
        url.scheme = "HTTP";
    }
    size_t cut = rest.find('/');
    if (cut == std::string_view::npos)
        cut = rest.find('?');
    std::string_view host_part = rest.substr(0, cut);
    if (cut != std::string_view::npos) {
        url.path = std::string(rest.substr(cut, MAX_URL_PATH));
        if (url.path.front() == '?')
            url.path.insert(0, "/");
    }
    url.port = url.scheme == "HTTPS" ? 443 : 80;
    std::string_view port_text;
    bool has_port = false;
    if (!host_part.empty() && host_part.front() == '[') {
        // An IPv6 address, as URLs write it: [::1]:8080
        size_t close = host_part.find(']');
        if (close == std::string_view::npos)
            return false;
        url.host = std::string(host_part.substr(1, close - 1));
        std::string_view after = host_part.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return false;
            has_port = true;
            port_text = after.substr(1);
        }
    } else {
        size_t colon = host_part.find(':');
        url.host = std::string(host_part.substr(0, colon));
        if (colon != std::string_view::npos) {
            has_port = true;
            port_text = host_part.substr(colon + 1);
        }
    }
    if (has_port && !ParsePort(port_text, url.port))
        return false;
    if (url.path.empty())
        url.path = "/";
    return !url.host.empty();
}

std::string EncodeUrlPath(std::string_view path)
{
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        bool encode = b <= 32 || b == 34 || b == 60 || b == 62 || (b >= 91 && b <= 96) || b >= 123;
        // An escape already made stays as it is: encoding it again would
        // break every URL that comes already encoded.
        if (b == '%')
            encode = !(i + 2 < path.size() && IsHex(path[i + 1]) && IsHex(path[i + 2]));
        if (encode) {
            out += '%';
            out += HEX[b >> 4];
            out += HEX[b & 15];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string RequestUrl(const UrlRec& url)
{
    std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
    return (url.scheme == "HTTPS" ? "https://" : "http://") + host + ":" + std::to_string(url.port)
        + EncodeUrlPath(url.path);
}

void ResponseHead::Line(std::string_view line)
{
    if (line.substr(0, 4) == "HTTP") {
        // A new answer (after a redirect) starts afresh.
        *this = ResponseHead {};
        size_t blank = line.find(' ');
        if (blank != std::string_view::npos)
            status = std::string(line.substr(blank + 1, 3));
        return;
    }
    if (StartsWithUpper(line, "CONTENT-TYPE:")) {
        content_type = std::string(TrimBlanks(line.substr(13)));
    } else if (StartsWithUpper(line, "CONTENT-LENGTH:")) {
        // A length that is no number announces nothing.
        int64_t n = -1;
        content_length = ParseLength(TrimBlanks(line.substr(15)), n) ? n : -1;
    } else if (StartsWithUpper(line, "LOCATION:")) {
        location = std::string(TrimBlanks(line.substr(9)));
    }
}

DownloadOutcome DownloadToFile(const DownloadJob& job, const HttpGetter& get, const Cancel& cancel)
{
    DownloadOutcome out;
    UrlRec url;
    if (!ParseUrl(job.url, url)) {
        out.result = DownloadResult::BadUrl;
        return out;
    }
    platform::HttpRequest request;
    request.url = RequestUrl(url);
    request.tls = job.tls;
    request.max_redirects = MAX_REDIRECTS;
    request.idle_timeout_s = job.idle_timeout_s;
    SaveSink sink(job, out);
    DownloadResult r = FromHttp(get(request, sink, cancel));
    if (sink.create_failed())
        r = DownloadResult::CreateFailed;
    else if (sink.write_failed())
        r = DownloadResult::WriteFailed;
    if (r == DownloadResult::Ok || r == DownloadResult::Incomplete)
        sink.Start();
    // A body short of its announced length says so in numbers.
    if ((r == DownloadResult::Ok || r == DownloadResult::Incomplete) && out.head.content_length >= 0
        && out.head.content_length != out.received)
        r = DownloadResult::SizeMismatch;
    if (r == DownloadResult::Ok)
        r = sink.Commit();
    if (r != DownloadResult::Ok)
        sink.Discard();
    out.result = r;
    return out;
}

} // namespace palavrino::devices
