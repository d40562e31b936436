// Texts of the speaking screens (the paragraph editor, the list menus, the
// form) and of the MENU, POPUPMENU and FORM commands, as Windows-1252
// bytes; see messages/core.h for the layout.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

// ---- The paragraph editor ----
constexpr std::string_view MSG_EDITOR_OPENED = "Editando, F9 ajuda";
constexpr std::string_view MSG_EDITOR_BLOCK = "Bloco";
constexpr std::string_view MSG_EDITOR_BLOCK_START = "In\xED"
                                                    "cio";
constexpr std::string_view MSG_EDITOR_BLOCK_END = "Fim";
constexpr std::string_view MSG_EDITOR_BLOCK_CLEAR = "Desmarcar";
constexpr std::string_view MSG_EDITOR_BLOCK_COPY = "Copiar";
constexpr std::string_view MSG_EDITOR_BLOCK_MOVE = "Mover";
constexpr std::string_view MSG_EDITOR_BLOCK_ERROR = "Erro: opera\xE7\xF5"
                                                    "es v\xE1lidas:";
constexpr std::string_view MSG_EDITOR_BLOCK_HELP_I = "i-In\xED"
                                                     "cio";
constexpr std::string_view MSG_EDITOR_BLOCK_HELP_F = "f-Fim";
constexpr std::string_view MSG_EDITOR_BLOCK_HELP_D = "d-Desmarcar";
constexpr std::string_view MSG_EDITOR_BLOCK_HELP_C = "c-Copiar";
constexpr std::string_view MSG_EDITOR_BLOCK_HELP_M = "m-Mover";
constexpr std::string_view MSG_EDITOR_BLOCK_HELP_G = "g-Gravar";
constexpr std::string_view MSG_EDITOR_BLOCK_HELP_L = "l-Ler";
constexpr std::string_view MSG_EDITOR_LINE_SPLIT = "Linha quebrada";
constexpr std::string_view MSG_EDITOR_NEW_LINE = "Nova linha";
constexpr std::string_view MSG_EDITOR_LINE_REMOVED = "Linha removida";
constexpr std::string_view MSG_EDITOR_CONFIRM_END = "Confirma fim da edi\xE7\xE3o? ";
constexpr std::string_view MSG_EDITOR_ASK_SAVE_FILE = "Arquivo a gravar: ";
constexpr std::string_view MSG_EDITOR_DRAFT_FILE = "rascunho.$$$";
constexpr std::string_view MSG_EDITOR_DRAFT_SAVED = "Rascunho gravado.";
constexpr std::string_view MSG_EDITOR_DRAFT_FAILED = "Erro ao gravar o rascunho.";
constexpr std::string_view MSG_EDITOR_ASK_SEARCH = "Qual o texto a buscar: ";
constexpr std::string_view MSG_EDITOR_JOINED = "Par\xE1grafos juntados";
constexpr std::string_view MSG_EDITOR_CANNOT_JOIN = "N\xE3o posso juntar dois par\xE1grafos aqui";
constexpr std::string_view MSG_EDITOR_END_OF_READING = "Fim de leitura";
constexpr std::string_view MSG_EDITOR_INVALID_KEY = "Opera\xE7\xE3o inv\xE1lida";
constexpr std::string_view MSG_EDITOR_BLOCK_SAVED = "Bloco gravado.";
constexpr std::string_view MSG_EDITOR_BLOCK_SAVE_FAILED = "Erro ao gravar o bloco.";
constexpr std::string_view MSG_EDITOR_ASK_READ_FILE = "Arquivo a ler: ";
constexpr std::string_view MSG_EDITOR_BLOCK_READ = "Bloco lido.";
constexpr std::string_view MSG_EDITOR_READ_ERROR = "Erro de leitura, aperte enter";
// Said when a key would change a text opened only for reading.
constexpr std::string_view MSG_EDITOR_READ_ONLY = "Texto somente para leitura";
// The four pages of help behind F9.
constexpr std::string_view MSG_EDITOR_HELP_TITLE = "Orienta\xE7\xF5"
                                                   "es sobre o RADIDIVEZ";
constexpr std::string_view MSG_EDITOR_HELP_TYPING
    = "Digite o texto normalmente: cada par\xE1grafo \xE9 mostrado em v\xE1rias linhas, e cada linha \xE9 "
      "falada quando o cursor chega nela. As setas para cima e para baixo passam de linha em linha, Page Up "
      "e Page Down andam uma tela, Control mais Page Up e Control mais Page Down v\xE3o ao in\xED"
      "cio e ao fim do texto. Control mais seta para baixo l\xEA o texto at\xE9 o fim. F5 busca um texto e "
      "Control mais F5 busca de novo. F2 grava o texto em um arquivo, e Esc termina a edi\xE7\xE3o.";
constexpr std::string_view MSG_EDITOR_HELP_LINES
    = "Enter abre uma linha nova depois da atual. Control mais Y ou F7 apaga a linha. Control mais Enter "
      "quebra a linha na posi\xE7\xE3o do cursor, ou abre uma linha antes da atual quando o cursor est\xE1 "
      "no come\xE7o. Control mais F7 junta o par\xE1grafo ao anterior. As linhas que continuam um "
      "par\xE1grafo come\xE7"
      "am com um ponto no meio da linha e soam como um clek quando o cursor chega nelas.";
constexpr std::string_view MSG_EDITOR_HELP_BLOCKS
    = "Control mais B e uma letra trabalham com blocos de linhas: I marca o in\xED"
      "cio do bloco, F marca o fim, D desmarca, C copia o bloco para antes da linha atual, M move o bloco "
      "para l\xE1, G grava o bloco em um arquivo e L l\xEA um arquivo para dentro do texto. Control mais C "
      "copia o bloco para a \xE1rea de transfer\xEAncia e Control mais V cola o texto da \xE1rea de "
      "transfer\xEAncia.";

// ---- MENU, POPUPMENU and FORM ----
constexpr std::string_view MSG_MENU_EXPECTED_OPTION = "Esperava uma op\xE7\xE3o para o comando MENU";
// The word follows.
constexpr std::string_view MSG_MENU_BAD_OPTION = "Op\xE7\xE3o inv\xE1lida para o comando MENU: ";
constexpr std::string_view MSG_MENU_EXPECTED_BOX = "Esperava quatro express\xF5"
                                                   "es num\xE9ricas para o comando MENU CRIA";
constexpr std::string_view MSG_MENU_NOT_MADE = "\xC9 necess\xE1rio usar o comando MENU CRIA antes";
constexpr std::string_view MSG_POPUP_EXPECTED_OPTION = "Esperava uma op\xE7\xE3o para o comando popupmenu";
constexpr std::string_view MSG_POPUP_EXPECTED_AREA = "Esperava 5 express\xF5"
                                                     "es num\xE9ricas para o comando popupmenu cria";
constexpr std::string_view MSG_POPUP_NOT_MADE = "\xC9 necess\xE1rio usar o comando POPUPMENU CRIA antes";
constexpr std::string_view MSG_FORM_EXPECTED_OPTION = "Esperava CRIA, CAMPO, EDITA ou VISUALIZA";
constexpr std::string_view MSG_FORM_NOT_MADE = "\xC9 necess\xE1rio usar o comando FORM CRIA antes";
constexpr std::string_view MSG_FORM_TOO_MANY_FIELDS = "N\xFAmero excessivo de campos no formul\xE1rio";
constexpr std::string_view MSG_FORM_EXPECTED_LABEL = "Esperava o nome do campo";
// The label follows.
constexpr std::string_view MSG_FORM_BAD_SIZE = "Tamanho inv\xE1lido para o campo ";
constexpr std::string_view MSG_FORM_EXPECTED_OPTIONS = "Esperava uma lista de op\xE7\xF5"
                                                       "es";
// Where there is no console to draw on (a program embedding the
// interpreter without one).
constexpr std::string_view MSG_SCREEN_NEEDS_CONSOLE = "Este comando precisa de uma tela de console";

// "Opção inválida para o comando PopupMenu: \"WORD\""
inline std::string PopupBadOption(std::string_view word)
{
    return Join("Op\xE7\xE3o inv\xE1lida para o comando PopupMenu: \"", word, "\"");
}

// "O modificador WORD não é aceito pelo comando FORM"
inline std::string FormBadOption(std::string_view word)
{
    return Join("O modificador ", word, " n\xE3o \xE9 aceito pelo comando FORM");
}

} // namespace palavrino::msg
