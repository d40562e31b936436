// One GET through libcurl's multi interface, polled in 100 ms slices so the
// user's interrupt ends it; header lines and body bytes go to the sink as
// they arrive. libcurl brings HTTP/1.1 and HTTP/2, chunked bodies, proxies
// from the environment (http_proxy, https_proxy, no_proxy) and relative
// redirects; its TLS is checked like the connections' (an extra CA file is
// added to the system store, or checking is off when configured).
#include "platform/dynamic_library.h"
#include "platform/http_client.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

namespace palavrino::platform {

namespace {

    // libcurl's functions, bound at the first download: its many libraries
    // are not loaded for scripts that never download. The members drop the
    // "curl_" prefix, which curl.h's type-checking macros claim.
    struct CurlApi {
        decltype(&::curl_easy_cleanup) easy_cleanup { nullptr };
        decltype(&::curl_easy_init) easy_init { nullptr };
        decltype(&::curl_easy_setopt) easy_setopt { nullptr };
        decltype(&::curl_global_init) global_init { nullptr };
        decltype(&::curl_multi_add_handle) multi_add_handle { nullptr };
        decltype(&::curl_multi_cleanup) multi_cleanup { nullptr };
        decltype(&::curl_multi_info_read) multi_info_read { nullptr };
        decltype(&::curl_multi_init) multi_init { nullptr };
        decltype(&::curl_multi_perform) multi_perform { nullptr };
        decltype(&::curl_multi_poll) multi_poll { nullptr };
        decltype(&::curl_multi_remove_handle) multi_remove_handle { nullptr };
    };

    // Null when libcurl cannot be loaded: every download then fails.
    const CurlApi* Api()
    {
        static const CurlApi* const api = []() -> const CurlApi* {
            static CurlApi table;
            void* library = OpenLibrary("libcurl.so.4");
            bool ok = library != nullptr;
            ok = ok && BindFunction(library, "curl_easy_cleanup", table.easy_cleanup);
            ok = ok && BindFunction(library, "curl_easy_init", table.easy_init);
            ok = ok && BindFunction(library, "curl_easy_setopt", table.easy_setopt);
            ok = ok && BindFunction(library, "curl_global_init", table.global_init);
            ok = ok && BindFunction(library, "curl_multi_add_handle", table.multi_add_handle);
            ok = ok && BindFunction(library, "curl_multi_cleanup", table.multi_cleanup);
            ok = ok && BindFunction(library, "curl_multi_info_read", table.multi_info_read);
            ok = ok && BindFunction(library, "curl_multi_init", table.multi_init);
            ok = ok && BindFunction(library, "curl_multi_perform", table.multi_perform);
            ok = ok && BindFunction(library, "curl_multi_poll", table.multi_poll);
            ok = ok && BindFunction(library, "curl_multi_remove_handle", table.multi_remove_handle);
            if (ok)
                table.global_init(CURL_GLOBAL_DEFAULT);
            return ok ? &table : nullptr;
        }();
        return api;
    }

    struct Transfer {
        HttpSink* sink { nullptr };
        const TlsSettings* tls { nullptr };
        bool any_header { false };
        bool sink_refused { false };
    };

    size_t OnHeader(char* data, size_t size, size_t count, void* user)
    {
        auto& t = *static_cast<Transfer*>(user);
        std::string_view line(data, size * count);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        t.any_header = true;
        t.sink->HeaderLine(line);
        return size * count;
    }

    size_t OnBody(char* data, size_t size, size_t count, void* user)
    {
        auto& t = *static_cast<Transfer*>(user);
        if (!t.sink->Body(std::string_view(data, size * count))) {
            t.sink_refused = true;
            return 0; // libcurl ends the transfer with a write error
        }
        return size * count;
    }

    // Adds the configured CA file to the system store libcurl loaded.
    CURLcode OnSslContext(CURL*, void* ssl_ctx, void* user)
    {
        const auto& tls = *static_cast<const TlsSettings*>(user);
        if (tls.extra_ca_file.empty())
            return CURLE_OK;
        // libssl is already in the process (libcurl brought it): this only
        // finds its function, so the program never links libssl itself.
        static const auto load_verify = []() {
            decltype(&::SSL_CTX_load_verify_locations) fn = nullptr;
            void* library = OpenLibrary("libssl.so.3");
            return library && BindFunction(library, "SSL_CTX_load_verify_locations", fn) ? fn : nullptr;
        }();
        auto* ctx = static_cast<SSL_CTX*>(ssl_ctx);
        return load_verify && load_verify(ctx, tls.extra_ca_file.c_str(), nullptr) == 1
            ? CURLE_OK
            : CURLE_SSL_CACERT_BADFILE;
    }

    HttpStatus FromCode(CURLcode code, const Transfer& t)
    {
        switch (code) {
        case CURLE_OK:
            return HttpStatus::Ok;
        case CURLE_WRITE_ERROR:
            return t.sink_refused ? HttpStatus::Aborted : HttpStatus::Failed;
        case CURLE_TOO_MANY_REDIRECTS:
            return HttpStatus::TooManyRedirects;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
            return HttpStatus::ConnectFailed;
        case CURLE_OPERATION_TIMEDOUT:
            return t.any_header ? HttpStatus::TimedOut : HttpStatus::NoResponse;
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return t.any_header ? HttpStatus::Failed : HttpStatus::NoResponse;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return t.any_header ? HttpStatus::Incomplete : HttpStatus::NoResponse;
        case CURLE_SEND_ERROR:
            return HttpStatus::NoResponse;
        default:
            return HttpStatus::Failed;
        }
    }

    struct EasyDeleter {
        void operator()(CURL* c) const { Api()->easy_cleanup(c); }
    };
    struct MultiDeleter {
        void operator()(CURLM* m) const { Api()->multi_cleanup(m); }
    };

    void SetOptions(CURL* c, const HttpRequest& request, Transfer& t)
    {
        Api()->easy_setopt(c, CURLOPT_URL, request.url.c_str());
        Api()->easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
        Api()->easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        Api()->easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        Api()->easy_setopt(c, CURLOPT_MAXREDIRS, static_cast<long>(request.max_redirects));
        Api()->easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        Api()->easy_setopt(c, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        Api()->easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.idle_timeout_s));
        Api()->easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        Api()->easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.idle_timeout_s));
        Api()->easy_setopt(c, CURLOPT_USERAGENT, "Palavrino/6.3");
        Api()->easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
        Api()->easy_setopt(c, CURLOPT_HEADERDATA, &t);
        Api()->easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
        Api()->easy_setopt(c, CURLOPT_WRITEDATA, &t);
        if (!request.tls.verify) {
            Api()->easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
            Api()->easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
        } else {
            Api()->easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, OnSslContext);
            Api()->easy_setopt(c, CURLOPT_SSL_CTX_DATA, const_cast<TlsSettings*>(&request.tls));
        }
    }

} // namespace

HttpStatus HttpGet(const HttpRequest& request, HttpSink& sink, const CancelCheck& cancel)
{
    if (!Api())
        return HttpStatus::Failed;
    std::unique_ptr<CURL, EasyDeleter> easy(Api()->easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(Api()->multi_init());
    if (!easy || !multi)
        return HttpStatus::Failed;
    Transfer t;
    t.sink = &sink;
    t.tls = &request.tls;
    SetOptions(easy.get(), request, t);
    if (Api()->multi_add_handle(multi.get(), easy.get()) != CURLM_OK)
        return HttpStatus::Failed;
    HttpStatus status = HttpStatus::Failed;
    for (;;) {
        if (cancel && cancel()) {
            status = HttpStatus::Interrupted;
            break;
        }
        int running = 0;
        if (Api()->multi_perform(multi.get(), &running) != CURLM_OK)
            break;
        int queued = 0;
        if (CURLMsg* msg = Api()->multi_info_read(multi.get(), &queued); msg && msg->msg == CURLMSG_DONE) {
            status = FromCode(msg->data.result, t);
            break;
        }
        if (running == 0)
            continue; // the done message comes on the next look
        if (Api()->multi_poll(multi.get(), nullptr, 0, CANCEL_POLL_MS, nullptr) != CURLM_OK)
            break;
    }
    Api()->multi_remove_handle(multi.get(), easy.get());
    return status;
}

} // namespace palavrino::platform
