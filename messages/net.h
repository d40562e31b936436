// What the network, download and serial-port commands say, as
// Windows-1252 bytes. Messages built from pieces keep their fixed pieces
// here; the commands join the variable parts.
#pragma once

#include <string_view>

namespace palavrino::msg {

// CONECTA, SERVE, ACEITA
constexpr std::string_view MSG_EXPECTED_SERVER = "Esperava cadeia com endere\xE7o do servidor";
constexpr std::string_view MSG_EXPECTED_PORT = "Esperava n\xFAmero da porta";
constexpr std::string_view MSG_CONNECT_FAILED = "Erro ao tentar conex\xE3o TCP";
constexpr std::string_view MSG_SERVE_FAILED = "Erro ao servir a porta ";
constexpr std::string_view MSG_ACCEPT_FAILED = "Erro ao aceitar conex\xE3o";

// BAIXA
constexpr std::string_view MSG_EXPECTED_URL_AND_FILE = "Esperava duas cadeias: a URL e o arquivo";
constexpr std::string_view MSG_NO_CONNECTION = "N\xE3o foi poss\xEDvel estabelecer conex\xE3o";
constexpr std::string_view MSG_DOWNLOAD_CREATE_FAILED = "Erro na cria\xE7\xE3o do arquivo ";
constexpr std::string_view MSG_DOWNLOAD_WRITE_FAILED = "Erro de escrita no arquivo";
constexpr std::string_view MSG_SIZE_EXPECTED = "Tamanho previsto = ";
constexpr std::string_view MSG_SIZE_RECEIVED = "; tamanho baixado = ";
constexpr std::string_view MSG_DOWNLOADING = "Baixando ";
constexpr std::string_view MSG_DOWNLOADING_TYPE = " bytes, conte\xFA"
                                                  "do = ";
constexpr std::string_view MSG_DOWNLOADED = "Conte\xFA"
                                            "do baixado e guardado em ";
// Failures the download reports in words of its own.
constexpr std::string_view MSG_TOO_MANY_REDIRECTS = "Redirecionamentos demais: o limite \xE9 20";
constexpr std::string_view MSG_NO_RESPONSE = "O servidor n\xE3o enviou resposta";
constexpr std::string_view MSG_TRANSFER_CUT = "A transfer\xEA"
                                              "ncia terminou antes do fim do conte\xFA"
                                              "do";
constexpr std::string_view MSG_TRANSFER_STALLED = "O servidor parou de enviar o conte\xFA"
                                                  "do";

// SERIAL
constexpr std::string_view MSG_EXPECTED_SERIAL_PORT = "Esperava n\xFAmero da porta serial";
constexpr std::string_view MSG_EXPECTED_SERIAL_SETTINGS
    = "Esperava quatro inteiros: velocidade, n\xFAmero de bits, n\xFAmero de bits de parada e paridade";

} // namespace palavrino::msg
