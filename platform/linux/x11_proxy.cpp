// The X11 desktop as the program sees it: palavrino-x11.so does the work,
// loaded by the first command that needs the desktop. Without it every
// request answers as it does without a display.
#include "platform/linux/backend_modules.h"

namespace palavrino::platform {

namespace {
    const X11ModuleRec* X11()
    {
        return LoadModuleTable<X11ModuleRec>("x11");
    }

    // The clipboard without a desktop: nobody to refuse a text, nobody to
    // ask for one.
    class NoDesktopClipboard final : public SystemClipboard {
    public:
        bool Put(const std::string&) override { return true; }
        Holder Get(std::string&) override { return Holder::Unreachable; }
    };
} // namespace

DesktopStatus ActiveWindowTitle(std::string& title)
{
    const X11ModuleRec* x11 = X11();
    return x11 ? x11->active_window_title(title) : DesktopStatus::NoDisplay;
}

DesktopStatus ActiveWindowId(uint64_t& id)
{
    const X11ModuleRec* x11 = X11();
    return x11 ? x11->active_window_id(id) : DesktopStatus::NoDisplay;
}

DesktopStatus ListWindows(std::vector<DesktopWindow>& windows)
{
    const X11ModuleRec* x11 = X11();
    return x11 ? x11->list_windows(windows) : DesktopStatus::NoDisplay;
}

DesktopStatus ApplyWindowAction(uint64_t window, WindowAction action)
{
    const X11ModuleRec* x11 = X11();
    return x11 ? x11->apply_window_action(window, action) : DesktopStatus::NoDisplay;
}

std::unique_ptr<SystemClipboard> MakeX11Clipboard()
{
    // Nothing is loaded before the clipboard is first used: the program
    // makes one at start-up whatever the script does.
    class LazyClipboard final : public SystemClipboard {
    public:
        bool Put(const std::string& utf8) override { return Real().Put(utf8); }
        Holder Get(std::string& utf8) override { return Real().Get(utf8); }

    private:
        SystemClipboard& Real()
        {
            if (!m_real) {
                const X11ModuleRec* x11 = X11();
                m_real = x11 ? x11->make_clipboard() : nullptr;
                if (!m_real)
                    m_real = std::make_unique<NoDesktopClipboard>();
            }
            return *m_real;
        }
        std::unique_ptr<SystemClipboard> m_real;
    };
    return std::make_unique<LazyClipboard>();
}

uint32_t KeysymOfVirtualKey(uint8_t vk)
{
    const X11ModuleRec* x11 = X11();
    return x11 ? x11->keysym_of_virtual_key(vk) : 0;
}

uint32_t KeysymOfCharacter(char32_t ch)
{
    const X11ModuleRec* x11 = X11();
    return x11 ? x11->keysym_of_character(ch) : 0;
}

// The program's DesktopInput holds the module's object by its handle; with
// no module there is none, and every request finds no display.
struct DesktopInput::Impl {
    const X11ModuleRec* x11 { nullptr };
    void* input { nullptr };
};

DesktopInput::DesktopInput()
    : m(std::make_unique<Impl>())
{
    m->x11 = X11();
    if (m->x11)
        m->input = m->x11->input_new();
}

DesktopInput::~DesktopInput()
{
    if (m->input)
        m->x11->input_delete(m->input);
}

DesktopStatus DesktopInput::Open()
{
    return m->input ? m->x11->input_open(m->input) : DesktopStatus::NoDisplay;
}

DesktopStatus DesktopInput::Key(uint8_t vk, bool down)
{
    return m->input ? m->x11->input_key(m->input, vk, down) : DesktopStatus::NoDisplay;
}

DesktopStatus DesktopInput::TypeCharacter(char32_t ch)
{
    return m->input ? m->x11->input_type_character(m->input, ch) : DesktopStatus::NoDisplay;
}

DesktopStatus DesktopInput::CharacterKey(char32_t ch, bool down)
{
    return m->input ? m->x11->input_character_key(m->input, ch, down) : DesktopStatus::NoDisplay;
}

DesktopStatus DesktopInput::MovePointer(int x, int y)
{
    return m->input ? m->x11->input_move_pointer(m->input, x, y) : DesktopStatus::NoDisplay;
}

DesktopStatus DesktopInput::Button(MouseButton button, bool down)
{
    return m->input ? m->x11->input_button(m->input, button, down) : DesktopStatus::NoDisplay;
}

DesktopStatus DesktopInput::PointerPosition(int& x, int& y)
{
    return m->input ? m->x11->input_pointer_position(m->input, x, y) : DesktopStatus::NoDisplay;
}

DesktopStatus DesktopInput::WindowOrigin(int& x, int& y)
{
    return m->input ? m->x11->input_window_origin(m->input, x, y) : DesktopStatus::NoDisplay;
}

void DesktopInput::Finish()
{
    if (m->input)
        m->x11->input_finish(m->input);
}

} // namespace palavrino::platform
