// The commands of the language, one row each, in alphabetical order, and the
// three special entries that are never found by name. The row is the only
// place that ties a command word to its handler and its block kind.
#include "devices/cmd_fs.h"
#include "devices/cmd_io.h"
#include "interp/cmd_admin.h"
#include "interp/cmd_control.h"
#include "interp/cmd_data.h"
#include "interp/cmd_screen.h"
#include "interp/cmd_speech.h"
#include "interp/runtime.h"

namespace palavrino::interp {

namespace {

    using K = SymbolKind;

    // Commands whose devices are not part of this build answer with a clear,
    // spoken message instead of doing nothing.
    bool CmdUnavailable(Runtime& rt)
    {
        const CommandRow& row = Runtime::RowOf(*rt.current_command);
        rt.lexer.SkipRestOfLine();
        rt.ReportErrorHere(
            "O comando " + std::string(row.word) + " n\xE3o est\xE1 dispon\xEDvel nesta vers\xE3o");
        return false;
    }

} // namespace

const std::vector<CommandRow>& CommandTable()
{
    static const std::vector<CommandRow> table = {
        { "ABRE", devices::CmdAbre, K::Command },
        { "ACEITA", CmdUnavailable, K::Command },
        { "ACIONA", CmdUnavailable, K::Command },
        { "AJUDA", CmdAjuda, K::Command },
        { "ANEXA", CmdAnexa, K::Command },
        { "BAIXA", CmdUnavailable, K::Command },
        { "BIPA", CmdBipa, K::Command },
        { "BUSCA", devices::CmdBusca, K::Command },
        { "CAPTURA", CmdUnavailable, K::Command },
        { "CHAMA", CmdChama, K::Command },
        { "CHECA", devices::CmdCheca, K::Command },
        { "CLICA", CmdUnavailable, K::Command },
        { "CMD", CmdUnavailable, K::Command },
        { "CONCATENA", CmdConcatena, K::Command },
        { "CONECTA", CmdUnavailable, K::Command },
        { "CONTINUA", CmdContinua, K::Continue },
        { "CONVERTE", CmdConverte, K::Command },
        { "COPIA", CmdCopia, K::Command },
        { "COR", CmdCor, K::Command },
        { "CURSOR", CmdCursor, K::Command },
        { "DEBUG", CmdDebug, K::Command },
        { "DESTROI", CmdDestroi, K::Command },
        { "DESVIA", CmdDesvia, K::Command },
        { "DIGITA", CmdUnavailable, K::Command },
        { "DIR", devices::CmdDir, K::Command },
        { "DIVIDE", CmdDivide, K::Command },
        { "ENQUANTO", CmdEnquanto, K::Loop },
        { "ESCREVE", devices::CmdEscreve, K::Command },
        { "ESPERA", CmdUnavailable, K::Command },
        { "EXECUTA", CmdUnavailable, K::Command },
        { "FALA", CmdFala, K::Command },
        { "FECHA", devices::CmdFecha, K::Command },
        { "FIM", CmdFim, K::End },
        { "FORM", CmdUnavailable, K::Command },
        { "FUNCAO", CmdFuncao, K::FunctionDef },
        { "FUNDO", CmdFundo, K::Command },
        { "HELP", CmdAjuda, K::Command },
        { "IMAGEM", CmdUnavailable, K::Command },
        { "IMPORTA", CmdImporta, K::Command },
        { "INTERNET", CmdUnavailable, K::Command },
        { "IP", CmdUnavailable, K::Command },
        { "JANELA", CmdUnavailable, K::Command },
        { "LE", devices::CmdLe, K::Command },
        { "LOCAL", CmdLocal, K::Command },
        { "MCI", CmdUnavailable, K::Command },
        { "MENU", CmdUnavailable, K::Command },
        { "MIDI", CmdUnavailable, K::Command },
        { "MOUSE", CmdUnavailable, K::Command },
        { "MSAA", CmdUnavailable, K::Command },
        { "MULTIPLICA", CmdMultiplica, K::Command },
        { "OBSERVA", devices::CmdObserva, K::Command },
        { "ORDENA", CmdOrdena, K::Command },
        { "PARA", CmdPara, K::Loop },
        { "POPUPMENU", CmdUnavailable, K::Command },
        { "PROCURA", CmdProcura, K::Command },
        { "QUEBRA", CmdQuebra, K::Break },
        { "RANDOMIZA", CmdRandomiza, K::Command },
        { "RATO", CmdUnavailable, K::Command },
        { "REMOVE", devices::CmdRemove, K::Command },
        { "RENOMEIA", devices::CmdRenomeia, K::Command },
        { "REPETE", CmdRepete, K::Loop },
        { "REPLICA", devices::CmdReplica, K::Command },
        { "RETORNA", CmdRetorna, K::Command },
        { "SE", CmdSe, K::If },
        { "SEJA", CmdSeja, K::Command },
        { "SENAO", CmdSenao, K::Else },
        { "SENSOR", CmdUnavailable, K::Command },
        { "SEPARA", CmdSepara, K::Command },
        { "SERIAL", CmdUnavailable, K::Command },
        { "SERVE", CmdUnavailable, K::Command },
        { "SIMBOLOS", CmdSimbolos, K::Command },
        { "SINTSOM", CmdSintsom, K::Command },
        { "SOLETRA", CmdSoletra, K::Command },
        { "SOMA", CmdSoma, K::Command },
        { "SUBSTITUI", CmdSubstitui, K::Command },
        { "SUBTRAI", CmdSubtrai, K::Command },
        { "TELA", CmdTela, K::Command },
        { "TERMINA", CmdTermina, K::Command },
        { "TITULO", CmdTitulo, K::Command },
        { "TOCA", CmdUnavailable, K::Command },
        { "TRANSFERE", CmdUnavailable, K::Command },
        { "TROCA", CmdTroca, K::Command },
        { "VERSAO", CmdVersao, K::Command },
    };
    return table;
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
