// The row of the serial-port family.
#include "commands/serial/family.h"

#include "commands/serial/cmd_serial.h"

namespace palavrino::commands {

namespace {

    constexpr interp::CommandRow SERIAL_ROWS[] = {
        { "SERIAL", CmdSerial, core::SymbolKind::Command },
    };

} // namespace

void RegisterSerialCommands(interp::CommandSet& set)
{
    set.Add(SERIAL_ROWS);
}

} // namespace palavrino::commands
