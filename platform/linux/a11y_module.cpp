// The entry of palavrino-a11y.so: the accessibility bus with libatspi and
// GLib linked in.
#include "platform/linux/backend_modules.h"
#include "platform/linux/module_entry.h"

namespace {
const palavrino::platform::A11yModuleRec A11Y_TABLE {
    &palavrino::platform::OpenDesktopMonitor,
    &palavrino::platform::RunOnBusThread,
    &palavrino::platform::FocusedFieldText,
};
} // namespace

PL_MODULE_ENTRY(a11y, palavrino::platform::A11yModuleRec, A11Y_TABLE)
