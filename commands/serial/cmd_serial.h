// SERIAL "#" n port [speed databits stopbits parity]: puts a serial port on
// a descriptor. Port n is the device named by the key COM<n> of section
// [SERIAL] in Talira.ini (for instance COM1=/dev/ttyUSB0), by default
// /dev/ttyS<n-1>.
#pragma once

namespace palavrino::interp {
class Runtime;
}

namespace palavrino::commands {

[[nodiscard]] bool CmdSerial(interp::Runtime& rt);

} // namespace palavrino::commands
