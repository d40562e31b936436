// The console window as the program sees it: palavrino-window.so opens it,
// loaded only when a window is asked for.
#include "platform/linux/backend_modules.h"

namespace palavrino::platform {

std::unique_ptr<ConsoleWindow> OpenConsoleWindow(const WindowOptions& options, std::string& reason)
{
    const WindowModuleRec* window = LoadModuleTable<WindowModuleRec>("window");
    if (!window) {
        reason = "the window module (palavrino-window.so) could not be loaded";
        return nullptr;
    }
    return window->open_console_window(options, reason);
}

} // namespace palavrino::platform
