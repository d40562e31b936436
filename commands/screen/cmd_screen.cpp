// COR, FUNDO, TELA, CURSOR and SINTSOM. Coordinates are 1-based, columns
// first, relative to the console's text window; the screen is 80 x 25.
#include "commands/screen/cmd_screen.h"

#include "core/char_tables.h"
#include "interp/command_helpers.h"
#include "interp/runtime.h"
#include "messages/core.h"
#include "messages/screen.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace palavrino::interp {

namespace {

    constexpr int SCREEN_COLUMNS = 80;
    constexpr int SCREEN_ROWS = 25;

    void SkipComma(Runtime& rt)
    {
        if (rt.lexer.Is(core::TokenKind::Comma))
            rt.lexer.NextToken();
    }

    // An integer argument; nothing when the line has none there or the value is
    // not an integer (a string of digits counts).
    std::optional<int32_t> IntegerArgument(Runtime& rt)
    {
        if (rt.lexer.AtEnd())
            return std::nullopt;
        Value v;
        rt.ParseExpressionAs(v, ValueKind::Integer);
        if (!v.is(ValueKind::Integer))
            return std::nullopt;
        return v.AsInt();
    }

    // A coordinate pair written "x, y" or "x y".
    bool CoordinatesFromText(std::string_view text, int32_t& x, int32_t& y)
    {
        size_t split = text.find(',');
        if (split == std::string_view::npos) {
            size_t start = text.find_first_not_of(' ');
            if (start == std::string_view::npos)
                return false;
            split = text.find(' ', start);
            if (split == std::string_view::npos)
                return false;
        }
        return core::IsIntegerText(text.substr(0, split), &x)
            && core::IsIntegerText(text.substr(split + 1), &y);
    }

    // TELA LIMPA [a, b]
    bool TelaLimpa(Runtime& rt)
    {
        if (rt.lexer.AtEnd()) {
            rt.io.ClearWindow();
            return true;
        }
        std::optional<int32_t> a = IntegerArgument(rt);
        SkipComma(rt);
        std::optional<int32_t> b = IntegerArgument(rt);
        if (!a || !b)
            return Fail(rt, msg::MSG_BAD_TELA);
        const int first = std::clamp(std::min(*a, *b), 1, SCREEN_ROWS);
        const int last = std::clamp(std::max(*a, *b), 1, SCREEN_ROWS);
        const int x = rt.io.CursorColumn();
        const int y = rt.io.CursorRow();
        for (int row = first; row <= last; ++row) {
            rt.io.MoveCursor(1, row);
            rt.io.ClearToLineEnd();
        }
        rt.io.MoveCursor(x, y);
        return true;
    }

    // TELA TAMANHO columns, rows
    bool TelaTamanho(Runtime& rt)
    {
        core::TargetRec columns;
        core::TargetRec rows;
        if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, columns, false))
            return Fail(rt, msg::MSG_EXPECTED_TWO_VARIABLES);
        SkipComma(rt);
        if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, rows, false))
            return Fail(rt, msg::MSG_EXPECTED_TWO_VARIABLES);
        return AssignOrFail(rt, columns, Value::Int(SCREEN_COLUMNS))
            && AssignOrFail(rt, rows, Value::Int(SCREEN_ROWS));
    }

    // TELA CARACTERE v, x, y  and  TELA ATRIBUTO v, x, y
    bool TelaCell(Runtime& rt, bool attribute)
    {
        core::TargetRec target;
        if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, target, false))
            return Fail(rt, msg::MSG_BAD_TELA);
        SkipComma(rt);
        std::optional<int32_t> x = IntegerArgument(rt);
        SkipComma(rt);
        std::optional<int32_t> y = IntegerArgument(rt);
        // Coordinates that are not numbers leave the variable as it was.
        if (!x || !y)
            return true;
        const bool inside = *x >= 1 && *x <= SCREEN_COLUMNS && *y >= 1 && *y <= SCREEN_ROWS;
        if (attribute)
            return AssignOrFail(rt, target, Value::Int(inside ? rt.io.ScreenAttr(*x, *y) : -1));
        std::string text;
        if (inside)
            text.assign(1, static_cast<char>(rt.io.ScreenChar(*x, *y)));
        return AssignOrFail(rt, target, Value::String(std::move(text)));
    }

    // TELA @x[,] y  (the lexer stands on the first token of x)
    bool TelaAt(Runtime& rt)
    {
        std::optional<int32_t> x = IntegerArgument(rt);
        if (!x)
            return Fail(rt, msg::ExpectedTelaCoordinate("X"));
        SkipComma(rt);
        std::optional<int32_t> y = IntegerArgument(rt);
        if (!y)
            return Fail(rt, msg::ExpectedTelaCoordinate("Y"));
        rt.io.MoveCursor(*x, *y);
        return true;
    }

    bool TelaForm(Runtime& rt, const std::string& word)
    {
        if (word == "LIMPA")
            return TelaLimpa(rt);
        if (word == "MINIMIZADA") {
            rt.io.SetConsoleVisible(false);
            return true;
        }
        if (word == "NORMAL") {
            rt.io.SetConsoleVisible(true);
            return true;
        }
        if (word == "TAMANHO")
            return TelaTamanho(rt);
        if (word == "CARACTERE")
            return TelaCell(rt, false);
        if (word == "ATRIBUTO")
            return TelaCell(rt, true);
        return Fail(rt, msg::MSG_BAD_TELA);
    }

    bool IsTelaWord(const std::string& word)
    {
        return word == "LIMPA" || word == "MINIMIZADA" || word == "NORMAL" || word == "TAMANHO"
            || word == "CARACTERE" || word == "ATRIBUTO";
    }

} // namespace

// COR colour
bool CmdCor(Runtime& rt)
{
    std::optional<int32_t> colour = IntegerArgument(rt);
    if (!colour)
        return Fail(rt, msg::MSG_EXPECTED_COLOUR);
    rt.io.SetTextColor(*colour);
    return true;
}

// FUNDO colour
bool CmdFundo(Runtime& rt)
{
    std::optional<int32_t> colour = IntegerArgument(rt);
    if (!colour)
        return Fail(rt, msg::MSG_EXPECTED_BACK_COLOUR);
    rt.io.SetBackColor(*colour);
    return true;
}

// CURSOR x[,] y  |  CURSOR CAPTURA column-variable[,] row-variable
bool CmdCursor(Runtime& rt)
{
    if (rt.lexer.TokenIsWord("CAPTURA")) {
        rt.lexer.NextToken();
        core::TargetRec column;
        core::TargetRec row;
        if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, column, false))
            return Fail(rt, msg::MSG_EXPECTED_TWO_VARIABLES);
        SkipComma(rt);
        if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, row, false))
            return Fail(rt, msg::MSG_EXPECTED_TWO_VARIABLES);
        return AssignOrFail(rt, column, Value::Int(rt.io.CursorColumn()))
            && AssignOrFail(rt, row, Value::Int(rt.io.CursorRow()));
    }
    std::optional<int32_t> x = IntegerArgument(rt);
    SkipComma(rt);
    std::optional<int32_t> y = x ? IntegerArgument(rt) : std::nullopt;
    if (!x || !y)
        return Fail(rt, msg::MSG_EXPECTED_XY);
    rt.io.MoveCursor(*x, *y);
    return true;
}

// TELA form
bool CmdTela(Runtime& rt)
{
    core::Lexer& lx = rt.lexer;
    if (lx.Is(core::TokenKind::Word) && IsTelaWord(lx.tok.text)) {
        std::string word = lx.tok.text;
        lx.NextToken();
        return TelaForm(rt, word);
    }
    if (lx.Is(core::TokenKind::LabelWord)) {
        // "@" starts the coordinates; they are read from just after it.
        lx.tok.position = lx.tok.token_start + 1;
        lx.NextToken();
        return TelaAt(rt);
    }
    if (lx.AtEnd())
        return Fail(rt, msg::MSG_BAD_TELA);
    // Any other word is an expression whose text names the form.
    Value v;
    rt.ParseExpression(v);
    if (!v.is(ValueKind::String))
        return Fail(rt, msg::MSG_BAD_TELA);
    const std::string& text = v.Text();
    if (!text.empty() && text[0] == '@') {
        int32_t x = 0;
        int32_t y = 0;
        if (!CoordinatesFromText(std::string_view(text).substr(1), x, y))
            return Fail(rt, msg::MSG_BAD_TELA);
        rt.io.MoveCursor(x, y);
        return true;
    }
    std::string_view trimmed = text;
    trimmed.remove_prefix(std::min(trimmed.find_first_not_of(' '), trimmed.size()));
    trimmed = trimmed.substr(0, trimmed.find_last_not_of(' ') + 1);
    const std::string word = core::FoldName(trimmed);
    if (!IsTelaWord(word))
        return Fail(rt, msg::MSG_BAD_TELA);
    SkipComma(rt);
    return TelaForm(rt, word);
}

// SINTSOM name
bool CmdSintsom(Runtime& rt)
{
    Value v;
    rt.ParseExpression(v);
    if (!v.is(ValueKind::String))
        return Fail(rt, msg::MSG_EXPECTED_A_STRING);
    // Without a sound directory a name that is not a letter sound is a path.
    rt.io.RestartSpeech("");
    rt.io.PlayNamedSound(v.Text());
    rt.io.RestartSpeech(rt.io.ReadConfig("PALAVRIN", "DIRPALAVRIN"));
    return true;
}

} // namespace palavrino::interp
