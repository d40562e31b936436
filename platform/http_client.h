// One HTTP(S) GET, as the download command needs it: the response's header
// lines and body bytes handed to a sink as they arrive. The Linux back end is
// libcurl (platform/linux/curl_http.cpp): HTTP/1.1 and HTTP/2, chunked
// bodies, proxies named in the environment, IPv6, TLS checked as for
// connections. Redirects are followed by the back end, up to a limit.
#pragma once

#include "platform/net.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace palavrino::platform {

class HttpSink {
public:
    virtual ~HttpSink() = default;
    // One header line without its line end, the status line included; a
    // redirect's lines come before those of the answer it leads to.
    virtual void HeaderLine(std::string_view line) = 0;
    // Body bytes of the final answer; false stops the transfer (Aborted).
    virtual bool Body(std::string_view bytes) = 0;
};

struct HttpRequest {
    std::string url; // absolute, already encoded
    TlsSettings tls;
    int max_redirects { 20 };
    // The transfer gives up after this long without a byte (TimedOut).
    int idle_timeout_s { 30 };
};

enum class HttpStatus : std::uint8_t {
    Ok = 0, // an answer arrived whole (whatever its status code)
    ConnectFailed = 1, // not resolved, refused, TLS refused
    TooManyRedirects = 2,
    NoResponse = 3, // the server closed before any status line
    Incomplete = 4, // the body ended early (size or chunks short)
    TimedOut = 5,
    Aborted = 6, // the sink refused bytes
    Interrupted = 7,
    Failed = 8, // anything else (bad URL, unsupported scheme...)
};

[[nodiscard]] HttpStatus HttpGet(const HttpRequest& request, HttpSink& sink, const CancelCheck& cancel);

} // namespace palavrino::platform
