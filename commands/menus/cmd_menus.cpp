// MENU, POPUPMENU and FORM. The menu, the pop-up list and the form being
// built live in the runtime's state for this family between commands; the
// screens themselves are the console's components, which speak every move.
#include "commands/menus/cmd_menus.h"

#include "console/form_screen.h"
#include "console/list_menu.h"
#include "console/screen_model.h"
#include "core/value.h"
#include "interp/command_helpers.h"
#include "messages/core.h"
#include "messages/interp.h"
#include "messages/menus.h"

#include <optional>
#include <string>
#include <vector>

namespace palavrino::interp {

namespace {

    // One menu, one pop-up list and one form at a time.
    struct MenuFamilyState {
        std::optional<console::ListMenu> menu;
        std::optional<console::PopupList> popup;
        bool form_made { false };
        int form_row { 1 };
        std::vector<console::FormField> fields;
        std::vector<core::TargetRec> targets;
        // Each variable's whole text: a field shows at most its length, and
        // a value the user left alone goes back whole, not cut.
        std::vector<std::string> originals;
    };

    MenuFamilyState& State(Runtime& rt)
    {
        return rt.family_states.Get<MenuFamilyState>();
    }

    void SkipComma(Runtime& rt)
    {
        if (rt.lexer.Is(core::TokenKind::Comma))
            rt.lexer.NextToken();
    }

    std::optional<int32_t> IntegerArgument(Runtime& rt)
    {
        if (rt.lexer.AtEnd())
            return std::nullopt;
        Value v;
        rt.ParseExpressionAs(v, ValueKind::Integer);
        SkipComma(rt);
        if (!v.is(ValueKind::Integer))
            return std::nullopt;
        return v.AsInt();
    }

    // n integers, or nothing when one is missing or not a number.
    std::optional<std::vector<int32_t>> Integers(Runtime& rt, int n)
    {
        std::vector<int32_t> out;
        for (int i = 0; i < n; ++i) {
            const auto v = IntegerArgument(rt);
            if (!v)
                return std::nullopt;
            out.push_back(*v);
        }
        return out;
    }

    // A string expression; nothing at the end of the line.
    std::optional<Value> StringArgument(Runtime& rt)
    {
        if (rt.lexer.AtEnd())
            return std::nullopt;
        Value v;
        rt.ParseExpression(v);
        SkipComma(rt);
        return v;
    }

    bool NonEmptyString(const std::optional<Value>& v)
    {
        return v && v->is(ValueKind::String) && !v->Text().empty();
    }

    // A failure is always said: a missing variable used to end the
    // command without a word.
    bool ParseVariable(Runtime& rt, core::TargetRec& target)
    {
        const std::uint32_t reports = rt.reports_made;
        const bool ok = rt.lexer.Is(core::TokenKind::Word) && core::ParseTarget(rt, target, false);
        if (!ok && rt.reports_made == reports)
            rt.ReportErrorHere(msg::MSG_EXPECTED_VARIABLE);
        SkipComma(rt);
        return ok;
    }

    // The option word after the command, upper-cased, with the lexer past it.
    std::optional<std::string> OptionWord(Runtime& rt, std::string* raw)
    {
        if (rt.lexer.AtEnd())
            return std::nullopt;
        *raw = std::string(rt.lexer.tok.raw);
        if (!rt.lexer.Is(core::TokenKind::Word))
            return std::string();
        std::string word = rt.lexer.tok.text;
        rt.lexer.NextToken();
        return word;
    }

    std::optional<console::ScreenParts> Screens(Runtime& rt)
    {
        auto parts = rt.io.Screens();
        if (!parts)
            rt.ReportErrorHere(msg::MSG_SCREEN_NEEDS_CONSOLE);
        return parts;
    }

    // The key that ended a menu as the script sees it: the character, "#"
    // and the code of a control key, "#0#" and the code of an extended key.
    std::string KeyText(const console::Key& key)
    {
        if (key.extended)
            return "#0#" + std::to_string(key.code);
        if (key.code >= 32)
            return std::string(1, static_cast<char>(key.code));
        return "#" + std::to_string(key.code);
    }

    // MENU EXECUTA optionvar keyvar textvar
    bool MenuExecuta(Runtime& rt, MenuFamilyState& state)
    {
        core::TargetRec option;
        core::TargetRec key;
        core::TargetRec text;
        if (!ParseVariable(rt, option) || !ParseVariable(rt, key) || !ParseVariable(rt, text))
            return FailQuietly(rt);
        if (!state.menu)
            return Fail(rt, msg::MSG_MENU_NOT_MADE);
        const auto parts = Screens(rt);
        if (!parts)
            return FailQuietly(rt);
        int start = 1;
        const Value current = core::ReadTarget(rt, option);
        int32_t n = 0;
        if (current.is(ValueKind::Integer) && current.AsInt() > 0)
            start = current.AsInt();
        else if (current.is(ValueKind::String) && core::IsIntegerText(current.Text(), &n) && n > 0)
            start = n;
        const std::uint8_t colours = parts->screen.CurrentAttr();
        console::MenuRun run;
        // Arrows left and right and the Ctrl+F keys start the menu again;
        // the function keys and ordinary keys end it.
        do {
            run = state.menu->Run(start);
        } while (run.key.extended && !(run.key.code >= 59 && run.key.code <= 70));
        parts->screen.SetCurrentAttr(colours);
        return AssignOrFail(rt, option, Value::Int(run.position + 1))
            && AssignOrFail(rt, key, Value::String(KeyText(run.key)))
            && AssignOrFail(rt, text, Value::String(state.menu->ItemText(run.position)));
    }

    bool MenuOption(Runtime& rt, const std::string& word, const std::string& raw)
    {
        MenuFamilyState& state = State(rt);
        if (word == "CRIA") {
            const auto box = Integers(rt, 4);
            if (!box)
                return Fail(rt, msg::MSG_MENU_EXPECTED_BOX);
            const auto parts = Screens(rt);
            if (!parts)
                return FailQuietly(rt);
            state.menu.emplace(*parts);
            state.menu->Make((*box)[0], (*box)[1], (*box)[2], (*box)[3]);
            return true;
        }
        if (word == "ADICIONA") {
            const auto text = StringArgument(rt);
            if (!text || !text->is(ValueKind::String))
                return Fail(rt, msg::MSG_EXPECTED_A_STRING);
            if (!state.menu)
                return Fail(rt, msg::MSG_MENU_NOT_MADE);
            state.menu->Add(text->Text());
            return true;
        }
        if (word == "EXECUTA")
            return MenuExecuta(rt, state);
        if (word == "TERMINA") {
            if (state.menu)
                state.menu->Close();
            return true;
        }
        return Fail(rt, msg::Join(msg::MSG_MENU_BAD_OPTION, raw));
    }

    bool PopupOption(Runtime& rt, const std::string& word, const std::string& raw)
    {
        MenuFamilyState& state = State(rt);
        if (word == "CRIA") {
            const auto area = Integers(rt, 5);
            if (!area)
                return Fail(rt, msg::MSG_POPUP_EXPECTED_AREA);
            const auto parts = Screens(rt);
            if (!parts)
                return FailQuietly(rt);
            state.popup.emplace(*parts);
            state.popup->Make((*area)[0], (*area)[1], (*area)[2], (*area)[3], (*area)[4]);
            return true;
        }
        if (word == "ADICIONA") {
            const auto first = StringArgument(rt);
            const auto second = StringArgument(rt);
            if (!NonEmptyString(first) && !NonEmptyString(second))
                return Fail(rt, msg::MSG_EXPECTED_A_STRING);
            if (!state.popup || !state.popup->Made())
                return Fail(rt, msg::MSG_POPUP_NOT_MADE);
            if (NonEmptyString(second))
                state.popup->Add(
                    first && first->is(ValueKind::String) ? first->Text() : std::string(), second->Text());
            else
                state.popup->Add(std::string(), first->Text());
            return true;
        }
        if (word == "SELECIONA") {
            core::TargetRec target;
            if (!ParseVariable(rt, target))
                return FailQuietly(rt);
            if (!state.popup || !state.popup->Made())
                return Fail(rt, msg::MSG_POPUP_NOT_MADE);
            // Sound keys name recordings by their own paths while the list
            // runs; the program's sound folder comes back afterwards.
            rt.io.RestartSpeech("");
            const int chosen = state.popup->Run();
            rt.io.RestartSpeech(rt.io.ReadConfig("PALAVRIN", "DIRPALAVRIN"));
            return AssignOrFail(rt, target, Value::Int(chosen));
        }
        return Fail(rt, msg::PopupBadOption(raw));
    }

    // FORM CAMPO label [TAMANHO n] variable [LISTA list]
    bool FormCampo(Runtime& rt, MenuFamilyState& state)
    {
        if (!state.form_made)
            return Fail(rt, msg::MSG_FORM_NOT_MADE);
        if (static_cast<int>(state.fields.size()) >= console::FormScreen::MAX_FIELDS)
            return Fail(rt, msg::MSG_FORM_TOO_MANY_FIELDS);
        const auto label = StringArgument(rt);
        if (!label || !label->is(ValueKind::String))
            return Fail(rt, msg::MSG_FORM_EXPECTED_LABEL);
        console::FormField field;
        field.label = label->Text();
        if (rt.lexer.TokenIsWord("TAMANHO")) {
            rt.lexer.NextToken();
            const auto size = IntegerArgument(rt);
            if (!size || *size <= 0)
                return Fail(rt, msg::Join(msg::MSG_FORM_BAD_SIZE, field.label));
            field.max_length = std::min(*size, console::FormScreen::MAX_LENGTH);
        }
        core::TargetRec target;
        if (!ParseVariable(rt, target))
            return FailQuietly(rt);
        const Value current = core::ReadTarget(rt, target);
        std::string original;
        if (!current.is(ValueKind::Undefined) && !current.is(ValueKind::Invalid))
            original = core::ValueToText(current);
        field.value = original.substr(0, static_cast<std::size_t>(field.max_length));
        if (!rt.lexer.AtEnd()) {
            if (!rt.lexer.TokenIsWord("LISTA"))
                return Fail(rt, msg::MSG_FORM_EXPECTED_OPTIONS);
            rt.lexer.NextToken();
            Value list;
            if (!rt.lexer.AtEnd())
                rt.ParseExpression(list);
            if (!list.is(ValueKind::List))
                return Fail(rt, msg::MSG_FORM_EXPECTED_OPTIONS);
            const core::ListObj& items = list.List();
            for (int32_t i = 0; i < items.Count(); ++i)
                field.options.push_back(core::ValueToText(core::ListGet(items, i)));
        }
        state.fields.push_back(std::move(field));
        state.targets.push_back(std::move(target));
        state.originals.push_back(std::move(original));
        return true;
    }

    // FORM EDITA and FORM VISUALIZA
    bool FormRun(Runtime& rt, MenuFamilyState& state, bool editable)
    {
        if (!state.form_made)
            return Fail(rt, msg::MSG_FORM_NOT_MADE);
        const auto parts = Screens(rt);
        if (!parts)
            return FailQuietly(rt);
        console::FormScreen form(*parts);
        form.Run(state.fields, state.form_row, editable);
        std::vector<console::FormField> fields = std::move(state.fields);
        std::vector<core::TargetRec> targets = std::move(state.targets);
        std::vector<std::string> originals = std::move(state.originals);
        state.fields.clear();
        state.targets.clear();
        state.originals.clear();
        state.form_made = false;
        bool ok = true;
        for (std::size_t i = 0; i < fields.size() && ok; ++i) {
            const std::string& original = originals[i];
            const bool untouched = fields[i].value == original.substr(0, fields[i].value.size())
                && original.size() > fields[i].value.size()
                && fields[i].value.size() == static_cast<std::size_t>(fields[i].max_length);
            ok = core::AssignTarget(rt, targets[i], Value::String(untouched ? original : fields[i].value));
        }
        return ok || FailQuietly(rt);
    }

} // namespace

// MENU CRIA l t r b | ADICIONA text | EXECUTA optionvar keyvar textvar | TERMINA
bool CmdMenu(Runtime& rt)
{
    std::string raw;
    const auto word = OptionWord(rt, &raw);
    if (!word || word->empty())
        return Fail(rt, msg::MSG_MENU_EXPECTED_OPTION);
    return MenuOption(rt, *word, raw);
}

// POPUPMENU CRIA col row width height colour | ADICIONA text [text] | SELECIONA var
bool CmdPopupmenu(Runtime& rt)
{
    std::string raw;
    const auto word = OptionWord(rt, &raw);
    if (!word || word->empty())
        return Fail(rt, msg::MSG_POPUP_EXPECTED_OPTION);
    return PopupOption(rt, *word, raw);
}

// FORM CRIA | CAMPO ... | EDITA | VISUALIZA
bool CmdForm(Runtime& rt)
{
    std::string raw;
    const auto word = OptionWord(rt, &raw);
    if (!word || word->empty())
        return Fail(rt, msg::MSG_FORM_EXPECTED_OPTION);
    MenuFamilyState& state = State(rt);
    bool ok = false;
    if (*word == "CRIA") {
        state.fields.clear();
        state.targets.clear();
        state.originals.clear();
        state.form_made = true;
        const auto parts = rt.io.Screens();
        state.form_row = parts ? parts->screen.WindowTop() + parts->screen.CursorRow() : rt.io.CursorRow();
        ok = true;
    } else if (*word == "CAMPO") {
        ok = FormCampo(rt, state);
    } else if (*word == "EDITA" || *word == "VISUALIZA") {
        ok = FormRun(rt, state, *word == "EDITA");
    } else {
        return Fail(rt, msg::FormBadOption(raw));
    }
    if (ok)
        rt.lexer.SkipRestOfLine();
    return ok;
}

} // namespace palavrino::interp
