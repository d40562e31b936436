// The texts of the screen family (COR, FUNDO, CURSOR, TELA, SINTSOM) and of
// pictures (IMAGEM) as Windows-1252 bytes; see messages/core.h for the layout.
#pragma once

#include "messages/compose.h"

namespace palavrino::msg {

constexpr std::string_view MSG_EXPECTED_COLOUR = "Esperava o n\xFAmero da COR";
constexpr std::string_view MSG_EXPECTED_BACK_COLOUR = "Esperava o n\xFAmero da COR DE FUNDO";
constexpr std::string_view MSG_EXPECTED_XY = "Esperava valores inteiros para x e y";
constexpr std::string_view MSG_EXPECTED_TWO_VARIABLES = "Esperava duas vari\xE1veis";
constexpr std::string_view MSG_BAD_TELA = "Modificadores inv\xE1lidos para o comando TELA";

// "Esperava um valor numérico para a coordenada X no comando TELA"
inline std::string ExpectedTelaCoordinate(std::string_view axis)
{
    return Join("Esperava um valor num\xE9rico para a coordenada ", axis, " no comando TELA");
}

// IMAGEM
constexpr std::string_view MSG_EXPECTED_FILE_NAME = "Esperava nome de arquivo";
constexpr std::string_view MSG_EXPECTED_PICTURE_XY = "Esperava express\xF5"
                                                     "es num\xE9ricas para as coordenadas X e Y";
constexpr std::string_view MSG_BAD_PICTURE = "Imagem inv\xE1lida ou n\xE3o encontrada";
constexpr std::string_view MSG_PICTURES_NEED_WINDOW
    = "Imagens s\xF3 aparecem na janela do Palavrino: abra-o com a op\xE7\xE3o --janela";

} // namespace palavrino::msg
