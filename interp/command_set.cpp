// Building the command set: the language's command words, the rows the
// families add, and the clear message of a word whose family is not part of
// this build.
#include "interp/command_set.h"

#include "interp/runtime.h"
#include "messages/interp.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace palavrino::interp {

namespace {

    constexpr std::string_view LANGUAGE_WORDS[] = {
        "ABRE",
        "ACEITA",
        "ACIONA",
        "AJUDA",
        "ANEXA",
        "BAIXA",
        "BIPA",
        "BUSCA",
        "CAPTURA",
        "CHAMA",
        "CHECA",
        "CLICA",
        "CMD",
        "CONCATENA",
        "CONECTA",
        "CONTINUA",
        "CONVERTE",
        "COPIA",
        "COR",
        "CURSOR",
        "DEBUG",
        "DESTROI",
        "DESVIA",
        "DIGITA",
        "DIR",
        "DIVIDE",
        "ENQUANTO",
        "ESCREVE",
        "ESPERA",
        "EXECUTA",
        "FALA",
        "FECHA",
        "FIM",
        "FORM",
        "FUNCAO",
        "FUNDO",
        "HELP",
        "IMAGEM",
        "IMPORTA",
        "INTERNET",
        "IP",
        "JANELA",
        "LE",
        "LOCAL",
        "MCI",
        "MENU",
        "MIDI",
        "MOUSE",
        "MSAA",
        "MULTIPLICA",
        "OBSERVA",
        "ORDENA",
        "PARA",
        "POPUPMENU",
        "PROCURA",
        "QUEBRA",
        "RANDOMIZA",
        "RATO",
        "REMOVE",
        "RENOMEIA",
        "REPETE",
        "REPLICA",
        "RETORNA",
        "SE",
        "SEJA",
        "SENAO",
        "SENSOR",
        "SEPARA",
        "SERIAL",
        "SERVE",
        "SIMBOLOS",
        "SINTSOM",
        "SOLETRA",
        "SOMA",
        "SUBSTITUI",
        "SUBTRAI",
        "TELA",
        "TERMINA",
        "TITULO",
        "TOCA",
        "TRANSFERE",
        "TROCA",
        "VERSAO",
    };
    static_assert(std::size(LANGUAGE_WORDS) == 83);

    // A word of the language whose family this build does not have answers
    // with a clear, spoken message instead of doing nothing.
    bool CmdUnavailable(Runtime& rt)
    {
        const CommandRow& row = Runtime::RowOf(*rt.current_command);
        rt.lexer.SkipRestOfLine();
        rt.ReportErrorHere(msg::CommandUnavailable(row.word));
        return false;
    }

    [[noreturn]] void RegistrationFault(std::string_view what, std::string_view word)
    {
        std::string line = msg::Join(msg::MSG_INTERNAL_ERROR_PREFIX, what, ": ", word, "\n");
        std::fputs(line.c_str(), stderr);
        std::abort();
    }

} // namespace

std::span<const std::string_view> LanguageCommandWords()
{
    return LANGUAGE_WORDS;
}

void CommandSet::Add(std::span<const CommandRow> rows)
{
    if (m_finished)
        RegistrationFault(msg::MSG_REGISTERED_AFTER_END, rows.empty() ? "" : rows.front().word);
    for (const CommandRow& row : rows) {
        if (std::find(std::begin(LANGUAGE_WORDS), std::end(LANGUAGE_WORDS), row.word)
            == std::end(LANGUAGE_WORDS))
            RegistrationFault(msg::MSG_NOT_A_LANGUAGE_WORD, row.word);
        if (Find(row.word))
            RegistrationFault(msg::MSG_REGISTERED_TWICE, row.word);
        m_rows.push_back(row);
    }
}

void CommandSet::SetNative(core::BuiltinId id, core::NativeFn fn)
{
    m_natives[static_cast<size_t>(id)] = fn;
}

void CommandSet::Finish()
{
    if (m_finished)
        return;
    for (std::string_view word : LANGUAGE_WORDS) {
        if (!Find(word))
            m_rows.push_back({ word, CmdUnavailable, core::SymbolKind::Command });
    }
    std::sort(m_rows.begin(), m_rows.end(),
        [](const CommandRow& a, const CommandRow& b) { return a.word < b.word; });
    m_finished = true;
}

const CommandRow* CommandSet::Find(std::string_view word) const
{
    auto it
        = std::find_if(m_rows.begin(), m_rows.end(), [word](const CommandRow& r) { return r.word == word; });
    return it == m_rows.end() ? nullptr : &*it;
}

bool CommandSet::IsAvailable(std::string_view word) const
{
    const CommandRow* row = Find(word);
    return row && row->handler != CmdUnavailable;
}

} // namespace palavrino::interp
