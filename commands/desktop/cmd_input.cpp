// Synthetic keys and mouse: DIGITA, ACIONA, CLICA and MOUSE (RATO). The
// operands are read and checked before the display is reached, so a
// mistake in the line is told the same with or without a desktop. Typing
// stops at the user's break request, however long the text.
#include "commands/desktop/cmd_desktop.h"
#include "core/char_tables.h"
#include "core/value.h"
#include "encoding/encoding.h"
#include "interp/command_helpers.h"
#include "messages/desktop.h"
#include "platform/desktop_input.h"
#include "platform/interrupt.h"

#include <array>
#include <chrono>
#include <optional>
#include <thread>

namespace palavrino::interp {

namespace {

    using platform::DesktopInput;
    using platform::DesktopStatus;

    constexpr int TYPING_PAUSE_MS = 100;
    constexpr int KEY_NAME_PAUSE_MS = 100;
    constexpr int SINGLE_KEY_PAUSE_MS = 1;

    struct KeyName {
        std::string_view name;
        uint8_t vk;
    };
    constexpr std::array<KeyName, 20> KEY_NAMES { {
        { "UP", 38 },
        { "DOWN", 40 },
        { "LEFT", 37 },
        { "RIGHT", 39 },
        { "ESCAPE", 27 },
        { "ESC", 27 },
        { "ENTER", 13 },
        { "RETURN", 13 },
        { "BACKSPACE", 8 },
        { "TAB", 9 },
        { "INS", 45 },
        { "HOME", 36 },
        { "DEL", 46 },
        { "DELETE", 46 },
        { "END", 35 },
        { "PAGEUP", 33 },
        { "PRIOR", 33 },
        { "PAGEDN", 34 },
        { "NEXT", 34 },
        { "SNAPSHOT", 44 },
    } };

    void Pause(int ms)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    // The connection for one command; false, once reported, when the
    // desktop cannot be reached.
    bool OpenInput(Runtime& rt, DesktopInput& input)
    {
        const DesktopStatus status = input.Open();
        if (status == DesktopStatus::Ok)
            return true;
        ReportDesktop(rt, status);
        return false;
    }

    // Shift, Ctrl and Alt as flagged, the key, then the modifiers up again.
    DesktopStatus PressChord(DesktopInput& input, const KeyChord& chord)
    {
        const std::array<std::pair<bool, uint8_t>, 3> modifiers { { { chord.shift, platform::VK_SHIFT },
            { chord.ctrl, platform::VK_CONTROL }, { chord.alt, platform::VK_ALT } } };
        DesktopStatus status = DesktopStatus::Ok;
        for (const auto& [on, vk] : modifiers)
            if (on && status == DesktopStatus::Ok)
                status = input.Key(vk, true);
        if (status == DesktopStatus::Ok) {
            if (chord.character != 0) {
                status = input.CharacterKey(chord.character, true);
                if (status == DesktopStatus::Ok)
                    status = input.CharacterKey(chord.character, false);
            } else {
                status = input.Key(chord.vk, true);
                if (status == DesktopStatus::Ok)
                    status = input.Key(chord.vk, false);
            }
        }
        for (const auto& [on, vk] : modifiers)
            if (on)
                static_cast<void>(input.Key(vk, false));
        return status;
    }

    // One byte of DIGITA's text. Control characters with a key of their own
    // (Backspace, Tab, Enter, Escape) press it, as their Ctrl chords type
    // them on the desktop the language comes from; the others are typed as
    // Ctrl with the letter.
    DesktopStatus TypeByte(DesktopInput& input, unsigned char byte)
    {
        switch (byte) {
        case 8:
        case 9:
        case 13:
        case 27:
            return PressChord(input, { byte, false, false, false, 0 });
        case 10:
            return PressChord(input, { 13, false, false, false, 0 });
        case 127:
            return PressChord(input, { 46, false, false, false, 0 });
        default:
            break;
        }
        if (byte < 32) {
            if (byte == 0)
                return DesktopStatus::Ok;
            return PressChord(input, { static_cast<uint8_t>(byte + 64), false, true, false, 0 });
        }
        return input.TypeCharacter(encoding::Cp1252ToCodePoint(byte));
    }

    // x [,] y as integers; false when either is not one.
    bool ParsePoint(Runtime& rt, int32_t& x, int32_t& y)
    {
        Value vx;
        Value vy;
        if (!rt.lexer.AtEnd())
            rt.ParseExpressionAs(vx, ValueKind::Integer);
        if (rt.lexer.Is(core::TokenKind::Comma))
            rt.lexer.NextToken();
        if (!rt.lexer.AtEnd())
            rt.ParseExpressionAs(vy, ValueKind::Integer);
        if (!vx.is(ValueKind::Integer) || !vy.is(ValueKind::Integer))
            return false;
        x = vx.AsInt();
        y = vy.AsInt();
        return true;
    }

    enum class ClickKind { Left, Double, Right, None };

    DesktopStatus ClickAt(DesktopInput& input, ClickKind kind, int x, int y)
    {
        DesktopStatus status = input.MovePointer(x, y);
        const int clicks = kind == ClickKind::Double ? 2 : kind == ClickKind::None ? 0 : 1;
        const platform::MouseButton button
            = kind == ClickKind::Right ? platform::MouseButton::Right : platform::MouseButton::Left;
        for (int i = 0; i < clicks && status == DesktopStatus::Ok; ++i) {
            status = input.Button(button, true);
            if (status == DesktopStatus::Ok)
                status = input.Button(button, false);
        }
        return status;
    }

    bool Origin(Runtime& rt, DesktopInput& input, bool screen, int& x, int& y)
    {
        x = 0;
        y = 0;
        if (screen)
            return true;
        const DesktopStatus status = input.WindowOrigin(x, y);
        if (status == DesktopStatus::Ok)
            return true;
        ReportDesktop(rt, status);
        return false;
    }

    // Clicks (or only moves, ClickKind::None) at a point of the active
    // window's client area, or of the screen.
    bool ClickAtPoint(Runtime& rt, ClickKind kind, bool screen, int32_t x, int32_t y)
    {
        DesktopInput input;
        int ox = 0;
        int oy = 0;
        if (!OpenInput(rt, input) || !Origin(rt, input, screen, ox, oy))
            return true;
        const DesktopStatus status = ClickAt(input, kind, ox + x, oy + y);
        return status == DesktopStatus::Ok || ReportDesktop(rt, status);
    }

} // namespace

std::optional<KeyChord> ParseKeyName(std::string_view text)
{
    std::string name = core::UpperText(text);
    KeyChord chord;
    auto take = [&](std::string_view prefix) {
        if (name.compare(0, prefix.size(), prefix) != 0)
            return false;
        name.erase(0, prefix.size());
        return true;
    };
    chord.ctrl = take("CTRL+");
    chord.shift = take("SHIFT+");
    chord.alt = take("ALT+");
    if (name.empty())
        return std::nullopt;
    for (const KeyName& k : KEY_NAMES)
        if (k.name == name) {
            chord.vk = k.vk;
            return chord;
        }
    if (name.size() >= 2 && name[0] == 'F') {
        int32_t n = 0;
        if (core::IsIntegerText(name.substr(1), &n) && n >= 1 && n <= 12) {
            chord.vk = static_cast<uint8_t>(111 + n);
            return chord;
        }
    }
    if (name[0] == '#') {
        int32_t code = 0;
        if (name.size() < 2 || !core::IsIntegerText(name.substr(1), &code) || code < 1 || code > 255)
            return std::nullopt;
        chord.vk = static_cast<uint8_t>(code);
        return chord;
    }
    if (name.size() != 1)
        return std::nullopt;
    const auto c = static_cast<unsigned char>(name[0]);
    // Letters and digits are their own key codes; any other character is
    // pressed on the key that carries it (its byte would name an unrelated
    // key: "." is the code of Delete).
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        chord.vk = c;
    else
        chord.character = encoding::Cp1252ToCodePoint(c);
    return chord;
}

// DIGITA text [, text ...] [&]
bool CmdDigita(Runtime& rt)
{
    std::string text;
    while (!rt.lexer.AtEnd() && !rt.lexer.Is(core::TokenKind::Ampersand)) {
        Value v;
        rt.ParseExpressionAs(v, ValueKind::String);
        if (!v.is(ValueKind::String))
            return Fail(rt, msg::MSG_DESKTOP_EXPECTED_TEXT);
        text += v.Text();
        if (rt.lexer.Is(core::TokenKind::Comma))
            rt.lexer.NextToken();
    }
    const bool press_enter = !rt.lexer.Is(core::TokenKind::Ampersand);
    if (!press_enter)
        rt.lexer.NextToken();
    DesktopInput input;
    if (!OpenInput(rt, input))
        return true;
    for (const char c : text) {
        if (platform::InterruptPending())
            return true;
        const DesktopStatus status = TypeByte(input, static_cast<unsigned char>(c));
        if (status != DesktopStatus::Ok)
            return ReportDesktop(rt, status);
        Pause(TYPING_PAUSE_MS);
    }
    if (press_enter && !platform::InterruptPending()) {
        const DesktopStatus status = PressChord(input, { 13, false, false, false, 0 });
        if (status != DesktopStatus::Ok)
            return ReportDesktop(rt, status);
        Pause(TYPING_PAUSE_MS);
    }
    input.Finish();
    return true;
}

// ACIONA keyname
bool CmdAciona(Runtime& rt)
{
    Value v;
    if (!rt.lexer.AtEnd())
        rt.ParseExpression(v);
    if (!v.is(ValueKind::String) || v.Text().empty())
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_KEY_NAME);
    const std::string& text = v.Text();
    if (text.size() == 1) {
        const auto byte = static_cast<unsigned char>(text[0]);
        DesktopInput input;
        if (!OpenInput(rt, input))
            return true;
        DesktopStatus status = DesktopStatus::Ok;
        if (byte >= 32 && byte < 128) {
            // The key that carries the character, with no modifier.
            status = input.CharacterKey(encoding::Cp1252ToCodePoint(byte), true);
            Pause(SINGLE_KEY_PAUSE_MS);
            if (status == DesktopStatus::Ok)
                status = input.CharacterKey(encoding::Cp1252ToCodePoint(byte), false);
        } else {
            status = TypeByte(input, byte);
        }
        Pause(SINGLE_KEY_PAUSE_MS);
        input.Finish();
        return status == DesktopStatus::Ok || ReportDesktop(rt, status);
    }
    const std::optional<KeyChord> chord = ParseKeyName(text);
    if (!chord)
        return Fail(rt, std::string(msg::MSG_DESKTOP_BAD_KEY_NAME) + text);
    DesktopInput input;
    if (!OpenInput(rt, input))
        return true;
    const DesktopStatus status = PressChord(input, *chord);
    Pause(KEY_NAME_PAUSE_MS);
    input.Finish();
    return status == DesktopStatus::Ok || ReportDesktop(rt, status);
}

// CLICA [DUPLO|DIREITA|NULO] [TELA] x [,] y
bool CmdClica(Runtime& rt)
{
    ClickKind kind = ClickKind::Left;
    if (rt.lexer.TokenIsWord("DUPLO"))
        kind = ClickKind::Double;
    else if (rt.lexer.TokenIsWord("DIREITA"))
        kind = ClickKind::Right;
    else if (rt.lexer.TokenIsWord("NULO"))
        kind = ClickKind::None;
    if (kind != ClickKind::Left)
        rt.lexer.NextToken();
    const bool screen = rt.lexer.TokenIsWord("TELA");
    if (screen)
        rt.lexer.NextToken();
    int32_t x = 0;
    int32_t y = 0;
    if (!ParsePoint(rt, x, y))
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_COORDINATES);
    return ClickAtPoint(rt, kind, screen, x, y);
}

// MOUSE [CLICA [DUPLO|DIREITA]] [TELA] x y  |  MOUSE CAPTURA [TELA] varx vary
bool CmdMouse(Runtime& rt)
{
    const bool capture = rt.lexer.TokenIsWord("CAPTURA");
    if (capture)
        rt.lexer.NextToken();
    std::optional<ClickKind> click;
    if (rt.lexer.TokenIsWord("CLICA")) {
        rt.lexer.NextToken();
        click = ClickKind::Left;
        if (rt.lexer.TokenIsWord("DUPLO"))
            click = ClickKind::Double;
        else if (rt.lexer.TokenIsWord("DIREITA"))
            click = ClickKind::Right;
        if (*click != ClickKind::Left)
            rt.lexer.NextToken();
    }
    const bool screen = rt.lexer.TokenIsWord("TELA");
    if (screen)
        rt.lexer.NextToken();

    if (capture) {
        core::TargetRec tx;
        core::TargetRec ty;
        if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, tx, false))
            return Fail(rt, msg::MSG_DESKTOP_EXPECTED_VARIABLE);
        if (rt.lexer.Is(core::TokenKind::Comma))
            rt.lexer.NextToken();
        if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, ty, false))
            return Fail(rt, msg::MSG_DESKTOP_EXPECTED_VARIABLE);
        DesktopInput input;
        int ox = 0;
        int oy = 0;
        int px = 0;
        int py = 0;
        if (!OpenInput(rt, input) || !Origin(rt, input, screen, ox, oy))
            return true;
        const DesktopStatus status = input.PointerPosition(px, py);
        if (status != DesktopStatus::Ok)
            return ReportDesktop(rt, status);
        return AssignOrFail(rt, tx, Value::Int(px - ox)) && AssignOrFail(rt, ty, Value::Int(py - oy));
    }

    int32_t x = 0;
    int32_t y = 0;
    if (!ParsePoint(rt, x, y))
        return Fail(rt, msg::MSG_DESKTOP_EXPECTED_INTEGER);
    return ClickAtPoint(rt, click.value_or(ClickKind::None), screen, x, y);
}

} // namespace palavrino::interp
