// The entry of palavrino-window.so: the graphical console window with SDL2,
// SDL2_ttf and fontconfig linked in.
#include "platform/linux/backend_modules.h"
#include "platform/linux/module_entry.h"

namespace {
const palavrino::platform::WindowModuleRec WINDOW_TABLE {
    &palavrino::platform::OpenConsoleWindow,
};
} // namespace

PL_MODULE_ENTRY(window, palavrino::platform::WindowModuleRec, WINDOW_TABLE)
