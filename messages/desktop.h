// What the desktop commands (ESPERA, DIGITA, ACIONA, CLICA, MOUSE,
// TRANSFERE, JANELA, CAPTURA, EXECUTA, CMD) tell the user.
// Windows-1252 bytes, like every text inside the program.
#pragma once

#include "messages/interp.h"

#include <string_view>

namespace palavrino::msg {

constexpr std::string_view MSG_DESKTOP_EXPECTED_SECONDS = "Esperava o n\xFAmero de segundos";
constexpr std::string_view MSG_DESKTOP_EXPECTED_WINDOW = "Esperava o nome da janela";
constexpr std::string_view MSG_DESKTOP_NO_DISPLAY
    = "N\xE3o encontrei o ambiente gr\xE1"
      "fico X11: a vari\xE1vel DISPLAY n\xE3o est\xE1 definida ou o servidor n\xE3o responde";
constexpr std::string_view MSG_DESKTOP_X11_FAILED = "O ambiente gr\xE1"
                                                    "fico recusou o pedido";
constexpr std::string_view MSG_DESKTOP_EXPECTED_CAPTURA_OPTION
    = "Esperava uma op\xE7\xE3o para o comando CAPTURA";
constexpr std::string_view MSG_DESKTOP_BAD_CAPTURA_OPTION
    = "Op\xE7\xE3o inv\xE1lida para o comando CAPTURA: ";
constexpr std::string_view MSG_DESKTOP_EXPECTED_VARIABLE = MSG_EXPECTED_VARIABLE;
constexpr std::string_view MSG_DESKTOP_EXPECTED_JANELA_OPTION
    = "Esperava a op\xE7\xE3o para o comando JANELA";
constexpr std::string_view MSG_DESKTOP_EXPECTED_JANELA_TITLE
    = "Esperava uma cadeia com o t\xEDtulo da janela";
constexpr std::string_view MSG_DESKTOP_BAD_JANELA_OPTION = "Op\xE7\xE3o inv\xE1lida para o comando JANELA: ";
constexpr std::string_view MSG_DESKTOP_EXPECTED_COMMAND = "Esperava um comando";
constexpr std::string_view MSG_DESKTOP_PROGRAM_NOT_STARTED = "N\xE3o pude executar o programa ";
constexpr std::string_view MSG_DESKTOP_EXPECTED_CMD_TEXT
    = "Esperava uma cadeia contendo o comando a executar";
constexpr std::string_view MSG_DESKTOP_EXPECTED_TEXT = "Esperava uma cadeia";
constexpr std::string_view MSG_DESKTOP_EXPECTED_KEY_NAME = "Esperava o nome de uma tecla";
constexpr std::string_view MSG_DESKTOP_BAD_KEY_NAME = "Nome de tecla inv\xE1lido: ";
constexpr std::string_view MSG_DESKTOP_EXPECTED_COORDINATES = "Esperava express\xF5"
                                                              "es num\xE9ricas para as coordenadas X e Y";
constexpr std::string_view MSG_DESKTOP_EXPECTED_INTEGER = "Esperava um valor inteiro";
constexpr std::string_view MSG_DESKTOP_EXPECTED_TRANSFER_OPTION
    = "Esperava DE ou PARA como op\xE7\xE3o para o comando TRANSFERE";
constexpr std::string_view MSG_DESKTOP_EXPECTED_TRANSFER_TEXT = "Esperava uma cadeia como texto a TRANSFERIR";
constexpr std::string_view MSG_DESKTOP_TRANSFER_TOO_LONG = "Tamanho excessivo: ";
constexpr std::string_view MSG_DESKTOP_TRANSFER_BYTES = " bytes";
constexpr std::string_view MSG_DESKTOP_CLIPBOARD_REFUSED
    = "N\xE3o pude copiar para a \xE1rea de transfer\xEAncia do Windows";
constexpr std::string_view MSG_DESKTOP_CMD_TOO_DEEP = "Comandos CMD encadeados em excesso";

} // namespace palavrino::msg
