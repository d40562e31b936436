// What the Orvan voice tells the user: why it could not open (a data file,
// the mbrola program or its database), and the errors of its prosody file.
// Windows-1252 bytes, like every text inside the program.
#pragma once

#include <string_view>

namespace palavrino::msg {

constexpr std::string_view MSG_VOICE_RULES = "Erro na base de dados de portugu\xEAs";
constexpr std::string_view MSG_VOICE_ABBREVIATIONS = "Erro no arquivo de abreviaturas";
constexpr std::string_view MSG_VOICE_PROSODY = "Erro no arquivo de pros\xF3"
                                               "dia";
constexpr std::string_view MSG_VOICE_OUTPUT_FILE = "Arquivo de sa\xED"
                                                   "da n\xE3o pode ser criado";

constexpr std::string_view MSG_PROSODY_BAD_PHONEME = "Configura\xE7\xE3o da pros\xF3"
                                                     "dia: fonema errado: ";
constexpr std::string_view MSG_PROSODY_BAD_KEY = "Configura\xE7\xE3o da pros\xF3"
                                                 "dia: chave errada: ";
constexpr std::string_view MSG_PROSODY_NO_DURATIONS = "Dura\xE7\xE3o dos difones errada ou ausente";
constexpr std::string_view MSG_PROSODY_NO_KEYWORDS = "Pros\xF3"
                                                     "dia: palavras chaves ausentes";
constexpr std::string_view MSG_PROSODY_NO_PATTERNS = "Pros\xF3"
                                                     "dia: especifica\xE7\xF5"
                                                     "es ausentes";
constexpr std::string_view MSG_PROSODY_NOT_FOUND = "Configura\xE7\xE3o da pros\xF3"
                                                   "dia n\xE3o foi achada";

// A table of the voice is full: the entry that does not fit is refused, and
// the user is told which file holds too many and how many fit.
constexpr std::string_view MSG_VOICE_TABLE_FULL = "Entradas demais em ";
constexpr std::string_view MSG_VOICE_TABLE_LIMIT = "; o m\xE1ximo \xE9 ";

// Why TIPOSAPI 3 speaks with espeak-ng instead of the Orvan voice.
constexpr std::string_view MSG_ORVAN_UNAVAILABLE = "A voz Orvan n\xE3o est\xE1 dispon\xEDvel: ";
constexpr std::string_view MSG_ORVAN_NO_PROGRAM = "o programa mbrola n\xE3o foi encontrado";
constexpr std::string_view MSG_ORVAN_NO_DATABASE = "a base de voz do mbrola n\xE3o foi encontrada em ";
constexpr std::string_view MSG_ORVAN_NO_FILE = "o arquivo da voz n\xE3o p\xF4"
                                               "de ser lido: ";
constexpr std::string_view MSG_ORVAN_FAILED = "A voz Orvan falhou: ";
constexpr std::string_view MSG_ORVAN_FALLBACK = ". Usando o espeak-ng.";

} // namespace palavrino::msg
