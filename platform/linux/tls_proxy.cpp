// TLS as the program sees it: palavrino-tls.so (OpenSSL) does the work,
// loaded at the first secure connection. Without it the handshake fails,
// the plain stream is closed, and plain TCP goes on working.
#include "platform/linux/backend_modules.h"

namespace palavrino::platform {

NetStatus StartTls(std::unique_ptr<NetStream> plain, const std::string& host, const TlsSettings& settings,
    int timeout_ms, const CancelCheck& cancel, std::unique_ptr<NetStream>& secure)
{
    const TlsModuleRec* tls = LoadModuleTable<TlsModuleRec>("tls");
    if (!tls) {
        if (plain)
            plain->Close();
        return NetStatus::TlsFailed;
    }
    return tls->start_tls(std::move(plain), host, settings, timeout_ms, cancel, secure);
}

} // namespace palavrino::platform
