// Messages of the console, keyboard and speech layer, as Windows-1252 bytes.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

// Standard output refused what the program wrote (a full disk, a closed
// pipe): the run ends, as with any run-time error.
constexpr std::string_view MSG_OUTPUT_WRITE_ERROR = "Erro de escrita na sa\xED"
                                                    "da padr\xE3o";

// No voice could start (no built-in voice data, and the speech engine did
// not start): written, since it cannot be heard.
constexpr std::string_view MSG_NO_VOICE
    = "Nenhuma voz p\xF4"
      "de ser iniciada: instale o espeak-ng e os dados de voz (espeak-ng-data)";
// The speech log file named in the settings cannot be written; the file
// name follows.
constexpr std::string_view MSG_SPEECH_LOG_UNWRITABLE = "N\xE3o foi poss\xEDvel gravar o registro de fala em ";
// The sound output could not be opened; the device or file follows.
constexpr std::string_view MSG_SOUND_OUTPUT_UNAVAILABLE = "N\xE3o foi poss\xEDvel abrir a sa\xED"
                                                          "da de som ";
// Named for the default sound device in the message above.
constexpr std::string_view MSG_DEFAULT_SOUND_DEVICE = "padr\xE3o";

// Screen review: the prompts before a search text and before a position.
constexpr std::string_view MSG_ASK_SEARCH_TEXT = "Qual texto";
constexpr std::string_view MSG_ASK_LINE_AND_COLUMN = "Entre linha e coluna";
// The screen transcript; the file name follows each.
constexpr std::string_view MSG_SCREEN_SAVED_IN = "Tela Gravada em: ";
constexpr std::string_view MSG_RECORDING_SCREEN_IN = "Gravando tela em ";
// The transcript could not be written whole; the earlier file, named after
// this, is kept as it was.
constexpr std::string_view MSG_SCREEN_NOT_SAVED_IN = "Erro ao gravar a tela em ";
// The window title once the script has ended.
constexpr std::string_view MSG_TITLE_PROGRAM_ENDED = "Programa terminado";
// The graphical window was asked for (--janela, or JANELA=S in [VIDEO]) and
// the program goes on in the terminal instead.
constexpr std::string_view MSG_WINDOW_NO_DISPLAY = "N\xE3o h\xE1 tela gr\xE1"
                                                   "fica dispon\xEDvel: o Palavrino continua no terminal";
constexpr std::string_view MSG_WINDOW_NOT_BUILT = "Esta vers\xE3o do Palavrino n\xE3o tem a janela gr\xE1"
                                                  "fica: ele continua no terminal";

} // namespace palavrino::msg
