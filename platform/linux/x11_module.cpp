// The entry of palavrino-x11.so: the desktop's windows, synthetic input and
// clipboard with Xlib and XTest linked in.
#include "platform/linux/backend_modules.h"
#include "platform/linux/module_entry.h"

namespace palavrino::platform {
namespace {
    DesktopInput* In(void* input)
    {
        return static_cast<DesktopInput*>(input);
    }

    const X11ModuleRec X11_TABLE {
        &ActiveWindowTitle,
        &ActiveWindowId,
        &ListWindows,
        &ApplyWindowAction,
        &MakeX11Clipboard,
        &KeysymOfVirtualKey,
        &KeysymOfCharacter,
        []() -> void* { return new DesktopInput(); },
        [](void* input) { delete In(input); },
        [](void* input) { return In(input)->Open(); },
        [](void* input, uint8_t vk, bool down) { return In(input)->Key(vk, down); },
        [](void* input, char32_t ch) { return In(input)->TypeCharacter(ch); },
        [](void* input, char32_t ch, bool down) { return In(input)->CharacterKey(ch, down); },
        [](void* input, int x, int y) { return In(input)->MovePointer(x, y); },
        [](void* input, MouseButton button, bool down) { return In(input)->Button(button, down); },
        [](void* input, int& x, int& y) { return In(input)->PointerPosition(x, y); },
        [](void* input, int& x, int& y) { return In(input)->WindowOrigin(x, y); },
        [](void* input) { In(input)->Finish(); },
    };
} // namespace
} // namespace palavrino::platform

PL_MODULE_ENTRY(x11, palavrino::platform::X11ModuleRec, palavrino::platform::X11_TABLE)
