// The download command's own logic, free of the platform: reading the URL a
// script gives (no scheme means HTTP; the path percent-encoded, keeping
// escapes already there), reading the response's header lines (status,
// Content-Type, Content-Length, Location), and saving the body into a
// temporary file beside the target that replaces it only when the download
// succeeded whole, so a failure never destroys the file the user had.
#pragma once

#include "devices/byte_stream.h"
#include "platform/http_client.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace palavrino::devices {

// The path sent is at most this long.
constexpr size_t MAX_URL_PATH = 999;
// Redirects followed before a download gives up.
constexpr int MAX_REDIRECTS = 20;

struct UrlRec {
    std::string scheme; // in capitals; "HTTP" when the URL has none
    std::string host; // a name, a dotted address, or an IPv6 address
    int port { 80 };
    std::string path; // starts with "/"
};

// False when the port is not an integer from 1 to 65535 or the host is
// empty.
[[nodiscard]] bool ParseUrl(std::string_view text, UrlRec& url);
// Percent-encodes blanks, controls, bytes above 126 and the characters
// " < > [ \ ] ^ _ ` { | } ~ and a "%" that starts no "%XX" escape.
std::string EncodeUrlPath(std::string_view path);
// The URL handed to the HTTP client: "https" for the scheme HTTPS, "http"
// for any other, host (in brackets when IPv6), port and encoded path.
std::string RequestUrl(const UrlRec& url);

// What the header lines of the last answer said.
struct ResponseHead {
    std::string status; // the 3 characters after the status line's first blank
    std::string content_type { "???" };
    int64_t content_length { -1 };
    std::string location;

    // Takes one header line; a status line starts a new answer.
    void Line(std::string_view line);
};

enum class DownloadResult : uint8_t {
    Ok = 0,
    BadUrl,
    ConnectFailed,
    CreateFailed,
    WriteFailed,
    SizeMismatch,
    TooManyRedirects,
    NoResponse,
    Incomplete,
    TimedOut,
    Interrupted,
};

struct DownloadOutcome {
    DownloadResult result { DownloadResult::Ok };
    ResponseHead head;
    int64_t received { 0 };
};

using HttpGetter = std::function<platform::HttpStatus(
    const platform::HttpRequest&, platform::HttpSink&, const platform::CancelCheck&)>;

struct DownloadJob {
    std::string url; // as the script gave it (Windows-1252)
    std::string file; // the target's name (Windows-1252)
    platform::TlsSettings tls;
    int idle_timeout_s { 30 };
    // Called once, before the body is saved (or at the end when it was
    // empty), with what the headers announced.
    std::function<void(const ResponseHead&)> on_start;
};

DownloadOutcome DownloadToFile(const DownloadJob& job, const HttpGetter& get, const Cancel& cancel);

} // namespace palavrino::devices
