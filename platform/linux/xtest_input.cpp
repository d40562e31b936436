// Keys and the mouse through the XTest extension. A character the keyboard
// layout has no key for is typed on a spare keycode (one with no symbols)
// bound to it; the binding stays until Finish, because the receiving
// program reads the key against the map it fetches when it handles the
// event, and a map restored at once would turn the character into nothing.
#include "platform/desktop_input.h"

// The publishing and technical keysyms name the typographic characters.
#define XK_PUBLISHING
#define XK_TECHNICAL
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <array>
#include <thread>
#include <utility>
#include <vector>

namespace palavrino::platform {

namespace {

    // How long a receiving program is given to read a key typed on a
    // bound spare key before the map changes again.
    constexpr auto KEYMAP_SETTLE = std::chrono::milliseconds(150);

    int IgnoreXError(Display*, XErrorEvent*)
    {
        return 0;
    }

    struct VirtualKey {
        uint8_t vk;
        uint32_t keysym;
    };

    constexpr std::array<VirtualKey, 46> VIRTUAL_KEYS { {
        { 8, XK_BackSpace },
        { 9, XK_Tab },
        { 12, XK_Clear },
        { 13, XK_Return },
        { 16, XK_Shift_L },
        { 17, XK_Control_L },
        { 18, XK_Alt_L },
        { 19, XK_Pause },
        { 20, XK_Caps_Lock },
        { 27, XK_Escape },
        { 32, XK_space },
        { 33, XK_Prior },
        { 34, XK_Next },
        { 35, XK_End },
        { 36, XK_Home },
        { 37, XK_Left },
        { 38, XK_Up },
        { 39, XK_Right },
        { 40, XK_Down },
        { 41, XK_Select },
        { 42, XK_Print },
        { 43, XK_Execute },
        { 44, XK_Print },
        { 45, XK_Insert },
        { 46, XK_Delete },
        { 47, XK_Help },
        { 91, XK_Super_L },
        { 92, XK_Super_R },
        { 93, XK_Menu },
        { 106, XK_KP_Multiply },
        { 107, XK_KP_Add },
        { 108, XK_KP_Separator },
        { 109, XK_KP_Subtract },
        { 110, XK_KP_Decimal },
        { 111, XK_KP_Divide },
        { 144, XK_Num_Lock },
        { 145, XK_Scroll_Lock },
        { 186, XK_semicolon },
        { 187, XK_equal },
        { 188, XK_comma },
        { 189, XK_minus },
        { 190, XK_period },
        { 191, XK_slash },
        { 192, XK_grave },
        { 219, XK_bracketleft },
        { 220, XK_backslash },
    } };

    // Characters of the Windows-1252 upper row with a keysym of their own.
    constexpr std::array<std::pair<char32_t, uint32_t>, 23> LEGACY_KEYSYMS { {
        { 0x20AC, XK_EuroSign },
        { 0x201A, XK_singlelowquotemark },
        { 0x0192, XK_function },
        { 0x201E, XK_doublelowquotemark },
        { 0x2026, XK_ellipsis },
        { 0x2020, XK_dagger },
        { 0x2021, XK_doubledagger },
        { 0x2030, XK_permille },
        { 0x0160, XK_Scaron },
        { 0x0152, XK_OE },
        { 0x017D, XK_Zcaron },
        { 0x2018, XK_leftsinglequotemark },
        { 0x2019, XK_rightsinglequotemark },
        { 0x201C, XK_leftdoublequotemark },
        { 0x201D, XK_rightdoublequotemark },
        { 0x2022, XK_enfilledcircbullet },
        { 0x2013, XK_endash },
        { 0x2014, XK_emdash },
        { 0x2122, XK_trademark },
        { 0x0161, XK_scaron },
        { 0x0153, XK_oe },
        { 0x017E, XK_zcaron },
        { 0x0178, XK_Ydiaeresis },
    } };

    struct Binding {
        KeyCode code { 0 };
        KeySym sym { NoSymbol };
    };

} // namespace

uint32_t KeysymOfVirtualKey(uint8_t vk)
{
    if ((vk >= '0' && vk <= '9'))
        return vk;
    if (vk >= 'A' && vk <= 'Z')
        return vk - 'A' + XK_a;
    if (vk >= 96 && vk <= 105)
        return XK_KP_0 + (vk - 96u);
    if (vk >= 112 && vk <= 135)
        return XK_F1 + (vk - 112u);
    if (vk == 221)
        return XK_bracketright;
    if (vk == 222)
        return XK_apostrophe;
    for (const VirtualKey& k : VIRTUAL_KEYS)
        if (k.vk == vk)
            return k.keysym;
    return 0;
}

uint32_t KeysymOfCharacter(char32_t ch)
{
    if (ch == '\n' || ch == '\r')
        return XK_Return;
    if (ch == '\t')
        return XK_Tab;
    if ((ch >= 0x20 && ch <= 0x7E) || (ch >= 0xA0 && ch <= 0xFF))
        return ch;
    for (const auto& [code, sym] : LEGACY_KEYSYMS)
        if (code == ch)
            return sym;
    return 0x01000000u | ch;
}

struct DesktopInput::Impl {
    Display* d { nullptr };
    int min_code { 0 };
    int max_code { 0 };
    int per_code { 0 };
    std::vector<KeySym> map; // the core keyboard map, per_code symbols a key
    std::vector<KeyCode> spare; // keys with no symbol, free for binding
    std::vector<Binding> bound; // oldest first
    std::chrono::steady_clock::time_point last_key {};

    KeySym At(int code, int index) const
    {
        return map[static_cast<size_t>((code - min_code) * per_code + index)];
    }

    void LoadMap()
    {
        XDisplayKeycodes(d, &min_code, &max_code);
        KeySym* syms
            = XGetKeyboardMapping(d, static_cast<KeyCode>(min_code), max_code - min_code + 1, &per_code);
        if (!syms)
            return;
        map.assign(syms, syms + (max_code - min_code + 1) * per_code);
        XFree(syms);
        XModifierKeymap* mods = XGetModifierMapping(d);
        for (int code = max_code; code >= min_code; --code) {
            bool empty = true;
            for (int i = 0; i < per_code && empty; ++i)
                empty = At(code, i) == NoSymbol;
            for (int i = 0; mods && empty && i < 8 * mods->max_keypermod; ++i)
                empty = mods->modifiermap[i] != code;
            if (empty)
                spare.push_back(static_cast<KeyCode>(code));
        }
        if (mods)
            XFreeModifiermap(mods);
    }

    // The key and shift level that type `sym` in the first group.
    bool Find(KeySym sym, KeyCode& code, bool& shift) const
    {
        for (int level = 0; level < std::min(per_code, 2); ++level)
            for (int c = min_code; c <= max_code; ++c)
                if (At(c, level) == sym) {
                    code = static_cast<KeyCode>(c);
                    shift = level == 1;
                    return true;
                }
        return false;
    }

    void Bind(KeyCode code, KeySym sym)
    {
        std::vector<KeySym> syms(static_cast<size_t>(per_code), sym);
        XChangeKeyboardMapping(d, code, per_code, syms.data(), 1);
        XSync(d, False);
    }

    // A spare key bound to `sym`, reusing the oldest binding when none is left.
    bool BindSpare(KeySym sym, KeyCode& code)
    {
        for (const Binding& b : bound)
            if (b.sym == sym) {
                code = b.code;
                return true;
            }
        if (bound.size() < spare.size()) {
            code = spare[bound.size()];
        } else if (!bound.empty()) {
            Settle();
            code = bound.front().code;
            bound.erase(bound.begin());
        } else {
            return false;
        }
        bound.push_back({ code, sym });
        Bind(code, sym);
        return true;
    }

    void Settle()
    {
        const auto since = std::chrono::steady_clock::now() - last_key;
        if (since < KEYMAP_SETTLE)
            std::this_thread::sleep_for(KEYMAP_SETTLE - since);
    }

    void Press(KeyCode code, bool down)
    {
        XTestFakeKeyEvent(d, code, down ? True : False, CurrentTime);
        XSync(d, False);
        last_key = std::chrono::steady_clock::now();
    }
};

DesktopInput::DesktopInput()
    : m(std::make_unique<Impl>())
{
}

DesktopInput::~DesktopInput()
{
    Finish();
    if (m->d)
        XCloseDisplay(m->d);
}

DesktopStatus DesktopInput::Open()
{
    XSetErrorHandler(IgnoreXError);
    m->d = XOpenDisplay(nullptr);
    if (!m->d)
        return DesktopStatus::NoDisplay;
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(m->d, &event, &error, &major, &minor))
        return DesktopStatus::Failed;
    m->LoadMap();
    return m->map.empty() ? DesktopStatus::Failed : DesktopStatus::Ok;
}

DesktopStatus DesktopInput::Key(uint8_t vk, bool down)
{
    if (!m->d)
        return DesktopStatus::NoDisplay;
    const KeySym sym = KeysymOfVirtualKey(vk);
    if (sym == 0)
        return DesktopStatus::Failed;
    KeyCode code = XKeysymToKeycode(m->d, sym);
    if (code == 0 && !m->BindSpare(sym, code))
        return DesktopStatus::Failed;
    m->Press(code, down);
    return DesktopStatus::Ok;
}

DesktopStatus DesktopInput::TypeCharacter(char32_t ch)
{
    if (!m->d)
        return DesktopStatus::NoDisplay;
    const KeySym sym = KeysymOfCharacter(ch);
    KeyCode code = 0;
    bool shift = false;
    if (!m->Find(sym, code, shift)) {
        if (!m->BindSpare(sym, code))
            return DesktopStatus::Failed;
        shift = false;
    }
    const KeyCode shift_code = XKeysymToKeycode(m->d, XK_Shift_L);
    if (shift)
        m->Press(shift_code, true);
    m->Press(code, true);
    m->Press(code, false);
    if (shift)
        m->Press(shift_code, false);
    return DesktopStatus::Ok;
}

DesktopStatus DesktopInput::CharacterKey(char32_t ch, bool down)
{
    if (!m->d)
        return DesktopStatus::NoDisplay;
    const KeySym sym = KeysymOfCharacter(ch);
    KeyCode code = 0;
    bool shift = false;
    if (!m->Find(sym, code, shift) && !m->BindSpare(sym, code))
        return DesktopStatus::Failed;
    m->Press(code, down);
    return DesktopStatus::Ok;
}

DesktopStatus DesktopInput::MovePointer(int x, int y)
{
    if (!m->d)
        return DesktopStatus::NoDisplay;
    XTestFakeMotionEvent(m->d, -1, x, y, CurrentTime);
    XSync(m->d, False);
    return DesktopStatus::Ok;
}

DesktopStatus DesktopInput::Button(MouseButton button, bool down)
{
    if (!m->d)
        return DesktopStatus::NoDisplay;
    XTestFakeButtonEvent(m->d, static_cast<unsigned>(button), down ? True : False, CurrentTime);
    XSync(m->d, False);
    return DesktopStatus::Ok;
}

DesktopStatus DesktopInput::PointerPosition(int& x, int& y)
{
    if (!m->d)
        return DesktopStatus::NoDisplay;
    Window root = None;
    Window child = None;
    int wx = 0;
    int wy = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(m->d, DefaultRootWindow(m->d), &root, &child, &x, &y, &wx, &wy, &mask))
        return DesktopStatus::Failed;
    return DesktopStatus::Ok;
}

DesktopStatus DesktopInput::WindowOrigin(int& x, int& y)
{
    x = 0;
    y = 0;
    if (!m->d)
        return DesktopStatus::NoDisplay;
    Display* d = m->d;
    const Window root = DefaultRootWindow(d);
    Atom type = None;
    int format = 0;
    unsigned long n = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    Window active = None;
    if (XGetWindowProperty(d, root, XInternAtom(d, "_NET_ACTIVE_WINDOW", False), 0, 1, False, XA_WINDOW,
            &type, &format, &n, &after, &data)
            == Success
        && data && n == 1)
        active = *reinterpret_cast<const Window*>(data);
    if (data)
        XFree(data);
    if (active == None)
        return DesktopStatus::Ok;
    Window child = None;
    int cx = 0;
    int cy = 0;
    if (!XTranslateCoordinates(d, active, root, 0, 0, &cx, &cy, &child))
        return DesktopStatus::Ok;
    // The frame's top edge: the client's top less the title bar and border.
    long top = 0;
    data = nullptr;
    if (XGetWindowProperty(d, active, XInternAtom(d, "_NET_FRAME_EXTENTS", False), 0, 4, False, XA_CARDINAL,
            &type, &format, &n, &after, &data)
            == Success
        && data && n == 4)
        top = reinterpret_cast<const long*>(data)[2];
    if (data)
        XFree(data);
    x = cx;
    y = cy - static_cast<int>(top) + 4;
    return DesktopStatus::Ok;
}

void DesktopInput::Finish()
{
    if (!m->d || m->bound.empty())
        return;
    m->Settle();
    for (const Binding& b : m->bound)
        m->Bind(b.code, NoSymbol);
    m->bound.clear();
}

} // namespace palavrino::platform
