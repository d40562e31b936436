// The entry of palavrino-tls.so: TLS client channels with OpenSSL linked in.
#include "platform/linux/backend_modules.h"
#include "platform/linux/module_entry.h"

namespace {
const palavrino::platform::TlsModuleRec TLS_TABLE {
    &palavrino::platform::StartTls,
};
} // namespace

PL_MODULE_ENTRY(tls, palavrino::platform::TlsModuleRec, TLS_TABLE)
