// The entry of palavrino-terminal.so: the full-screen terminal front end with
// ncurses linked in.
#include "platform/linux/backend_modules.h"
#include "platform/linux/module_entry.h"
#include "platform/linux/ncurses_terminal.h"

namespace {
const palavrino::platform::TerminalModuleRec TERMINAL_TABLE {
    [](int input_fd, int output_fd) -> std::unique_ptr<palavrino::platform::Terminal> {
        return palavrino::platform::NcursesTerminal::Open(input_fd, output_fd);
    },
};
} // namespace

PL_MODULE_ENTRY(terminal, palavrino::platform::TerminalModuleRec, TERMINAL_TABLE)
