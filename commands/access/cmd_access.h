// The accessibility and sensor family:
//   MSAA MONITORA | FIM | CHECA var | CAPTURA x y | AREA l t w h | NOME var
//        | CODIGO var | TIPO var | ESTADO var | VALOR var
//   SENSOR var
// MSAA follows the focus on the desktop and describes the object behind an
// event or under a screen point; SENSOR reads switches wired to the
// parallel port (the device named by key PORTA of section [SENSOR] in
// Talira.ini, by default /dev/parport0).
#pragma once

namespace palavrino::interp {
class Runtime;
}

namespace palavrino::commands {

[[nodiscard]] bool CmdMsaa(interp::Runtime& rt);
[[nodiscard]] bool CmdSensor(interp::Runtime& rt);

} // namespace palavrino::commands
