// VERSAO, DEBUG, RANDOMIZA and SIMBOLOS: commands about the interpreter
// itself. All of them are allowed in interactive mode.
#include "interp/cmd_admin.h"

#include <chrono>
#include <cstdio>

#include "interp/runtime.h"

namespace palavrino::interp {

namespace {

constexpr std::string_view VERSION_TEXT = "6.3";
constexpr double VERSION_NUMBER = 6.3;

// Reads a decimal number with "." as the separator, whatever the locale.
bool ParseVersion(std::string_view text, double* out) {
    double value = 0;
    double scale = 0;
    bool digits = false;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else if (c == '.' && scale == 0) {
            scale = 0.1;
        } else {
            return false;
        }
    }
    *out = value;
    return digits;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string Format(const char* format, const std::string& a, const std::string& b, const std::string& c,
    const std::string& d, const std::string& e) {
    int n = std::snprintf(nullptr, 0, format, a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str());
    std::string out(static_cast<size_t>(n < 0 ? 0 : n), '\0');
    std::snprintf(out.data(), out.size() + 1, format, a.c_str(), b.c_str(), c.c_str(), d.c_str(), e.c_str());
    return out;
}

}  // namespace

bool CmdVersao(Runtime& rt) {
    Value v;
    rt.ParseExpression(v);
    if (!v.is(ValueKind::String) || v.Text().empty()) {
        rt.ReportErrorHere("Esperava uma cadeia com o n\xFAmero da vers\xE3o");
        return false;
    }
    std::string text = Trim(v.Text());
    double wanted = 0;
    if (!ParseVersion(text, &wanted))
        rt.ReportErrorHere(text + " n\xE3o \xE9 um n\xFAmero v\xE1lido de vers\xE3o");
    else if (wanted > VERSION_NUMBER + 1e-9)
        rt.ReportErrorHere("Cuidado: a vers\xE3o corrente deste interpretador \xE9 " + std::string(VERSION_TEXT));
    return true;
}

bool CmdDebug(Runtime& rt) {
    bool off = rt.lexer.IsOperator(core::OpCode::Subtract) || rt.lexer.TokenIsWord("N");
    rt.lexer.SkipRestOfLine();
    rt.Slot().trace = !off;
    rt.WriteLineAndSpeak(off ? "Depura\xE7\xE3o desligada" : "Depura\xE7\xE3o ligada");
    return true;
}

bool CmdRandomiza(Runtime& rt) {
    rt.lexer.SkipRestOfLine();
    auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    rt.random.seed(static_cast<uint32_t>(now ^ (now >> 32)));
    return true;
}

bool CmdSimbolos(Runtime& rt) {
    const std::string dashes(69, '-');
    bool any = rt.symbols.FirstDefined() != nullptr;
    if (any) {
        rt.WriteLineAndSpeak(dashes);
        rt.WriteLineAndSpeak("   IDENTIFICADOR      TIPO   SCRIPT      ESCOPO      VALOR");
        rt.WriteLineAndSpeak(dashes);
    }
    const char* row_format = "%-16.16s%12s%4s         %-12.12s    %s";
    for (SymtbEntry* e = rt.symbols.FirstDefined(); e; e = core::SymbolTable::NextDefined(e)) {
        if (e->kind == SymbolKind::Variable) {
            if (e->owner) {
                rt.WriteLineAndSpeak(Format(row_format, e->name, "?", "", e->owner->name, "?"));
                continue;
            }
            const Value& value = rt.VariableCell(*e).value;
            std::string shown = core::ValueToText(value);
            if (value.is(ValueKind::String))
                shown = "\"" + shown + "\"";
            bool super = e->script < 0;
            rt.WriteLineAndSpeak(Format(row_format, e->name, std::string(core::KindName(value.kind())),
                super ? "*" : core::IntToText(e->script), super ? "SUPERGLOBAL" : "GLOBAL", shown));
        } else if (e->kind == SymbolKind::Module) {
            rt.WriteLineAndSpeak(Format(row_format, e->name, "MOD", core::IntToText(e->script), "GLOBAL",
                core::IntToText(e->value1)));
        }
    }
    rt.NewLine();
    rt.WriteLineAndSpeak("Contadores:");
    const core::HeapStats& h = core::ActiveHeapStats();
    rt.WriteLineAndSpeak("   N\xF3s de dicion\xE1rio:         " + std::to_string(h.dict_nodes));
    rt.WriteLineAndSpeak("   N\xF3s de Listas:             " + std::to_string(h.list_cells));
    rt.WriteLineAndSpeak("   N\xF3s de Objetos:            " + std::to_string(h.objects));
    rt.WriteLineAndSpeak("   Comandos Novos:            0");
    rt.WriteLineAndSpeak("   sizeof Operand, ObjRec:    12, 20");
    rt.WriteLineAndSpeak("   Maior Lista de Colis\xF5" "es:   " + core::IntToText(rt.symbols.LongestChain()));
    if (any)
        rt.WriteLineAndSpeak(dashes);
    return true;
}

}  // namespace palavrino::interp
