// The language's own commands, which the run loop is built around: control
// flow, data and text commands, and the three special entries that are never
// found by name. The row is the only place that ties one of these words to
// its handler and its block kind.
#include "interp/cmd_control.h"
#include "interp/cmd_data.h"
#include "interp/command_set.h"

namespace palavrino::interp {

namespace {

    using K = core::SymbolKind;

    constexpr CommandRow LANGUAGE_ROWS[] = {
        { "ANEXA", CmdAnexa, K::Command },
        { "CHAMA", CmdChama, K::Command },
        { "CONCATENA", CmdConcatena, K::Command },
        { "CONTINUA", CmdContinua, K::Continue },
        { "CONVERTE", CmdConverte, K::Command },
        { "COPIA", CmdCopia, K::Command },
        { "DESTROI", CmdDestroi, K::Command },
        { "DESVIA", CmdDesvia, K::Command },
        { "DIVIDE", CmdDivide, K::Command },
        { "ENQUANTO", CmdEnquanto, K::Loop },
        { "FIM", CmdFim, K::End },
        { "FUNCAO", CmdFuncao, K::FunctionDef },
        { "IMPORTA", CmdImporta, K::Command },
        { "LOCAL", CmdLocal, K::Command },
        { "MULTIPLICA", CmdMultiplica, K::Command },
        { "ORDENA", CmdOrdena, K::Command },
        { "PARA", CmdPara, K::Loop },
        { "PROCURA", CmdProcura, K::Command },
        { "QUEBRA", CmdQuebra, K::Break },
        { "REPETE", CmdRepete, K::Loop },
        { "RETORNA", CmdRetorna, K::Command },
        { "SE", CmdSe, K::If },
        { "SEJA", CmdSeja, K::Command },
        { "SENAO", CmdSenao, K::Else },
        { "SEPARA", CmdSepara, K::Command },
        { "SOMA", CmdSoma, K::Command },
        { "SUBSTITUI", CmdSubstitui, K::Command },
        { "SUBTRAI", CmdSubtrai, K::Command },
        { "TERMINA", CmdTermina, K::Command },
        { "TROCA", CmdTroca, K::Command },
    };

} // namespace

void RegisterLanguageCommands(CommandSet& set)
{
    set.Add(LANGUAGE_ROWS);
}

const CommandRow& OneLineIfRow()
{
    static const CommandRow row { "SE", CmdSeOneLine, K::IfOneLine };
    return row;
}

const CommandRow& AssignmentRow()
{
    static const CommandRow row { "", CmdAssignment, K::Command };
    return row;
}

const CommandRow& ExpressionRow()
{
    static const CommandRow row { "", CmdExpression, K::Command };
    return row;
}

} // namespace palavrino::interp
