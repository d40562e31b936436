// Decoding JPEG photos (through libjpeg-turbo), for pictures shown in the
// console window. The result is plain pixels; turning them into the
// console's picture is the caller's business.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace palavrino::platform {

struct DecodedJpeg {
    int width { 0 };
    int height { 0 };
    bool grey { false }; // one byte per pixel; otherwise red, green, blue
    std::vector<std::uint8_t> pixels; // top row first
};

enum class JpegStatus : std::uint8_t {
    Ok = 0,
    Unreadable = 1, // the file cannot be opened
    Invalid = 2, // not a JPEG, damaged, or too large to show
};

[[nodiscard]] JpegStatus DecodeJpegFile(const std::string& path, DecodedJpeg& out);

} // namespace palavrino::platform
