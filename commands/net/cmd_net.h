// The network commands: INTERNET, CONECTA, SERVE, ACEITA, IP (TCP and TLS
// connections on descriptors) and BAIXA (downloads into a file).
#pragma once

#include "platform/net.h"

namespace palavrino::interp {
class Runtime;
}

namespace palavrino::commands {

[[nodiscard]] bool CmdInternet(interp::Runtime& rt);
[[nodiscard]] bool CmdConecta(interp::Runtime& rt);
[[nodiscard]] bool CmdServe(interp::Runtime& rt);
[[nodiscard]] bool CmdAceita(interp::Runtime& rt);
[[nodiscard]] bool CmdIp(interp::Runtime& rt);
[[nodiscard]] bool CmdBaixa(interp::Runtime& rt);

// How TLS peers are checked, from the [TALIRA] keys CERTIFICADOS_CA (an
// extra CA file) and VERIFICA_CERTIFICADO ("N" turns checking off).
platform::TlsSettings ReadTlsSettings(interp::Runtime& rt);

} // namespace palavrino::commands
