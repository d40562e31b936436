// IMAGEM: a BMP or JPEG picture shown in the console window.
#pragma once

#include "interp/runtime.h"

#include <optional>
#include <string>

namespace palavrino::interp {

[[nodiscard]] bool CmdImagem(Runtime& rt);

// The bytes of a BMP file for a picture file: a BMP as it is, a JPEG
// (".JPG", ".JPEG", any case) decoded and written as a BMP (8 bits per
// pixel for a grey photo, 24 otherwise). Nothing when the file cannot be
// read or decoded. `path` is a native path.
std::optional<std::string> PictureAsBmp(const std::string& path);

} // namespace palavrino::interp
