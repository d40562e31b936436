// The texts of the language core (lexer, values, symbols, expressions,
// selection, built-ins, JSON) as Windows-1252 bytes. Fixed texts are
// constants; a text with variable parts is a function taking them, so each
// sentence reads whole here and the code only supplies the parts.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

// Lexer
constexpr std::string_view MSG_UNTERMINATED_STRING = "Faltou delimitar o fim da cadeia";
// Symbols
constexpr std::string_view MSG_OUT_OF_MEMORY = "Mem\xF3ria insuficiente";
constexpr std::string_view MSG_EXPECTED_ID_AFTER_DOT = "Esperava um identificador ap\xF3s o ponto";
// What a symbol names, as messages about a clashing name call it (a name not
// yet defined is MSG_KIND_UNDEFINED, below).
constexpr std::string_view MSG_SYMBOL_COMMAND = "comando";
constexpr std::string_view MSG_SYMBOL_LABEL = "r\xF3tulo";
constexpr std::string_view MSG_SYMBOL_VARIABLE = "vari\xE1vel";
constexpr std::string_view MSG_SYMBOL_MODULE = "refer\xEAncia a m\xF3"
                                               "dulo";
constexpr std::string_view MSG_SYMBOL_NATIVE = "fun\xE7\xE3o nativa";
constexpr std::string_view MSG_SYMBOL_FUNCTION = "fun\xE7\xE3o";

// "\"x\" é identificador de função, não pode ser uma variável local ou parâmetro"
inline std::string NotALocal(std::string_view name, std::string_view kind)
{
    return Join("\"", name, "\" \xE9 identificador de ", kind,
        ", n\xE3o pode ser uma vari\xE1vel local ou par\xE2metro");
}

// "Rótulo \"A\" já foi definido na linha 3"
inline std::string LabelRedefined(std::string_view name, int32_t line)
{
    return Join("R\xF3tulo \"", name, "\" j\xE1 foi definido na linha ", Num(line));
}

// Values: the kind names TIPO gives and messages use.
constexpr std::string_view MSG_KIND_INVALID = "inv\xE1lido";
constexpr std::string_view MSG_KIND_UNDEFINED = "indefinido";
constexpr std::string_view MSG_KIND_INTEGER = "inteiro";
constexpr std::string_view MSG_KIND_RANGE = "faixa";
constexpr std::string_view MSG_KIND_STRING = "cadeia";
constexpr std::string_view MSG_KIND_DICTIONARY = "dicion\xE1rio";
constexpr std::string_view MSG_KIND_LIST = "lista";
// Written to the error stream just before the process aborts.
constexpr std::string_view MSG_REF_COUNT_EXHAUSTED
    = "palavrino: erro interno: contador de refer\xEAncias esgotado";

// Expressions
constexpr std::string_view MSG_EXPECTED_ID_AFTER_SELECTOR_DOT
    = "Esperava um identificador ap\xF3s o seletor \".\"";
constexpr std::string_view MSG_MISSING_BAR = "Faltou a barra vertical";
constexpr std::string_view MSG_MISSING_PAREN = "Faltou fechar par\xEAnteses";
constexpr std::string_view MSG_RANGE_LIST_ELEMENTS = "Esperava uma faixa de inteiros como elementos da lista";
constexpr std::string_view MSG_NOT_EXPECTED_SUFFIX = " n\xE3o era esperado";
constexpr std::string_view MSG_INVALID_TOKEN_SUFFIX = " \xE9 um token inv\xE1lido neste contexto";
constexpr std::string_view MSG_EXPECTED_ID = "Esperava um identificador";
constexpr std::string_view MSG_NESTED_TOO_DEEP = "Express\xE3o aninhada demais";
// Said by every command whose argument must be a string.
constexpr std::string_view MSG_EXPECTED_A_STRING = "Esperava uma cadeia";

// "X não era esperado": a token (or word) out of place.
inline std::string NotExpected(std::string_view token)
{
    return Join(token, MSG_NOT_EXPECTED_SUFFIX);
}

// Operators
constexpr std::string_view MSG_DIVISION_BY_ZERO = "Divis\xE3o por ZERO evitada";
constexpr std::string_view MSG_POWER_OVERFLOW = "Estouro durante potencia\xE7\xE3o";

// Selection and assignment through selectors
constexpr std::string_view MSG_STRING_VALUE = "Valor a ser atribu\xED"
                                              "do \xE9 incompat\xEDvel com uma cadeia";
constexpr std::string_view MSG_NOT_A_LIST = "Algo muito podre acontece aqui, sob seus olhos";

// "Tentativa de modificar o iterador i"
inline std::string ModifyIterator(std::string_view name)
{
    return Join("Tentativa de modificar o iterador ", name);
}

// "\"v[1]\" é do tipo \"inteiro\", não é indexável"
inline std::string NotIndexable(std::string_view target, std::string_view kind)
{
    return Join("\"", target, "\" \xE9 do tipo \"", kind, "\", n\xE3o \xE9 index\xE1vel");
}

// "Índice inválido: \"[9]\" para \"v\""
inline std::string BadIndex(std::string_view selector, std::string_view target)
{
    return Join("\xCDndice inv\xE1lido: \"", selector, "\" para \"", target, "\"");
}

// Evaluator and calls
constexpr std::string_view MSG_CALL_STACK_OVERFLOW = "Estouro na pilha de chamadas";
constexpr std::string_view MSG_EXEC_STACK_OVERFLOW = "Estouro na pilha de execu\xE7\xE3o";
constexpr std::string_view MSG_STACK_NO_RET = "Pilha Corrompida, RET n\xE3o achado";
constexpr std::string_view MSG_STACK_CORRUPT = "Pilha corrompida";

// Built-ins: the day names DIA gives.
constexpr std::string_view MSG_DAY_SUNDAY = "Domingo";
constexpr std::string_view MSG_DAY_MONDAY = "Segunda";
constexpr std::string_view MSG_DAY_TUESDAY = "Ter\xE7"
                                             "a";
constexpr std::string_view MSG_DAY_WEDNESDAY = "Quarta";
constexpr std::string_view MSG_DAY_THURSDAY = "Quinta";
constexpr std::string_view MSG_DAY_FRIDAY = "Sexta";
constexpr std::string_view MSG_DAY_SATURDAY = "S\xE1"
                                              "bado";

// "Erro na linha 3: Faltou delimitar o fim da cadeia": how every error
// reaches the user, the message after its line number.
inline std::string ErrorOnLine(int32_t line, std::string_view message)
{
    return Join("Erro na linha ", Num(line), ": ", message);
}

// "Caractere inválido (#129)": a byte no token may hold.
inline std::string InvalidCharacter(int32_t code)
{
    return Join("Caractere inv\xE1lido (#", Num(code), ")");
}

// "A função \"f\" não foi definida"
inline std::string FunctionUndefined(std::string_view name)
{
    return Join("A fun\xE7\xE3o \"", name, "\" n\xE3o foi definida");
}

// "A função \"f\" deve ser invocada com ()"
inline std::string CallNeedsParens(std::string_view name)
{
    return Join("A fun\xE7\xE3o \"", name, "\" deve ser invocada com ()");
}

// "Faltou fechar parênteses na chamada da função \"f\""
inline std::string CallMissingParen(std::string_view name)
{
    return Join("Faltou fechar par\xEAnteses na chamada da fun\xE7\xE3o \"", name, "\"");
}

// "A função \"f\" requer 2 parâmetros apenas" (or "não requer parâmetros",
// "requer um parâmetro apenas").
inline std::string TooManyArguments(std::string_view name, int32_t limit)
{
    std::string head = Join("A fun\xE7\xE3o \"", name, "\" ");
    if (limit == 0)
        return Join(head, "n\xE3o requer par\xE2metros");
    if (limit == 1)
        return Join(head, "requer um par\xE2metro apenas");
    return Join(head, "requer ", Num(limit), " par\xE2metros apenas");
}

// "\"f\" é um identificador de função; não pode ser nome de variável"
inline std::string NotAVariableName(std::string_view name, std::string_view kind)
{
    return Join("\"", name, "\" \xE9 um identificador de ", kind, "; n\xE3o pode ser nome de vari\xE1vel");
}

// "A variável \"x\" não foi inicializada"
inline std::string VariableNotInitialised(std::string_view name)
{
    return Join("A vari\xE1vel \"", name, "\" n\xE3o foi inicializada");
}

// "Operador ++ inesperado"
inline std::string UnexpectedOperator(std::string_view op)
{
    return Join("Operador ", op, " inesperado");
}

// "Execução interrompida na linha 12": the interrupt (Ctrl+C) ends the run.
inline std::string InterruptedOnLine(int32_t line)
{
    return Join("Execu\xE7\xE3o interrompida na linha ", Num(line));
}

} // namespace palavrino::msg
