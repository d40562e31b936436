// What the accessibility and sensor commands (MSAA, SENSOR) tell the user.
// Windows-1252 bytes, like every text inside the program.
#pragma once

#include "messages/compose.h"
#include "messages/interp.h"

#include <string>
#include <string_view>

namespace palavrino::msg {

constexpr std::string_view MSG_ACCESS_EXPECTED_MODIFIER = "Esperava um modificador";
// "Modificador inválido: \"word\" para o comando MSAA"
inline std::string AccessBadModifier(std::string_view word)
{
    return Join("Modificador inv\xE1lido: \"", word, "\" para o comando MSAA");
}
constexpr std::string_view MSG_ACCESS_EXPECTED_VARIABLE = MSG_EXPECTED_VARIABLE;
constexpr std::string_view MSG_ACCESS_EXPECTED_AREA_VARIABLES
    = "Esperava quatro vari\xE1veis: esquerda, topo, largura e altura";
constexpr std::string_view MSG_ACCESS_EXPECTED_POINT = "Esperava as coordenadas x e y de um ponto da tela";
constexpr std::string_view MSG_ACCESS_NO_BUS
    = "O barramento de acessibilidade n\xE3o est\xE1 dispon\xEDvel: o comando MSAA precisa de uma sess\xE3o "
      "gr\xE1"
      "fica com a acessibilidade ligada";

constexpr std::string_view MSG_ACCESS_STATE_UNAVAILABLE = "indispon\xEDvel";
constexpr std::string_view MSG_ACCESS_STATE_CHECKED = "marcado";

constexpr std::string_view MSG_SENSOR_NO_DEVICE = "n\xE3o existe";
constexpr std::string_view MSG_SENSOR_NO_PERMISSION = "sem permiss\xE3o de acesso";
constexpr std::string_view MSG_SENSOR_NOT_A_PORT = "n\xE3o \xE9 uma porta paralela";
constexpr std::string_view MSG_SENSOR_BUSY = "em uso por outro programa";
constexpr std::string_view MSG_SENSOR_FAILED = "a porta informou um erro";
// "Porta paralela \"/dev/parport0\" não disponível: sem permissão de acesso"
inline std::string SensorPortUnavailable(std::string_view device, std::string_view reason)
{
    return Join("Porta paralela \"", device, "\" n\xE3o dispon\xEDvel: ", reason);
}

} // namespace palavrino::msg
