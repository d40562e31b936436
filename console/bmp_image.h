// The pixels of BMP pictures: decoding the rows of a parsed BMP (1, 4, 8,
// 16, 24 and 32 bits per pixel, bottom-up or top-down) into plain RGB, and
// writing a picture back as a BMP file, which is how decoded JPEG photos
// reach the console. Parsing and checking the headers is ParseBmp's
// (console/screen_model.h).
#pragma once

#include "console/screen_model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace palavrino::console {

// Red, green, blue for every pixel, top row first. The picture must come
// from ParseBmp (its sizes agree with its data); a palette index past the
// palette draws black.
std::vector<std::uint8_t> DecodeBmpPixels(const BackgroundPicture& picture);

// A bottom-up BMP file with a 40-byte info header: 8 bits per pixel with a
// grey palette when `grey` (one byte per pixel given), else 24 bits (red,
// green, blue given). Rows are top first in `pixels`.
std::string EncodeBmp(int width, int height, bool grey, const std::vector<std::uint8_t>& pixels);

} // namespace palavrino::console
