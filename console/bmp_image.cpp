// Decoding and writing BMP pixel rows.
#include "console/bmp_image.h"

#include <cstddef>
#include <cstdlib>

namespace palavrino::console {

namespace {

    constexpr std::size_t INFO_SIZE = 40;

    std::size_t RowBytes(int width, int bit_count)
    {
        return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bit_count) + 31) / 32) * 4;
    }

    void PutLe(std::string& out, std::size_t at, std::uint32_t value, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }

    // Stretches a 5-bit channel to 8 bits, so that full intensity is 255.
    std::uint8_t Expand5(unsigned v)
    {
        return static_cast<std::uint8_t>((v << 3) | (v >> 2));
    }

} // namespace

std::vector<std::uint8_t> DecodeBmpPixels(const BackgroundPicture& picture)
{
    const int width = picture.width;
    const int rows = std::abs(picture.height);
    const bool bottom_up = picture.height > 0;
    const int bits = picture.bit_count;
    const std::size_t stride = RowBytes(width, bits);
    const std::size_t colours
        = picture.header.size() > INFO_SIZE ? (picture.header.size() - INFO_SIZE) / 4 : 0;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows) * 3);
    if (width <= 0 || rows <= 0 || picture.pixels.size() < stride * static_cast<std::size_t>(rows))
        return rgb;

    auto put_palette = [&](std::uint8_t* out, std::size_t index) {
        if (index >= colours)
            return; // stays black
        const std::uint8_t* entry = picture.header.data() + INFO_SIZE + 4 * index; // blue, green, red, unused
        out[0] = entry[2];
        out[1] = entry[1];
        out[2] = entry[0];
    };
    for (int r = 0; r < rows; ++r) {
        const int source_row = bottom_up ? rows - 1 - r : r;
        const std::uint8_t* in = picture.pixels.data() + stride * static_cast<std::size_t>(source_row);
        std::uint8_t* out = rgb.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width) * 3;
        for (int x = 0; x < width; ++x, out += 3) {
            const auto ux = static_cast<std::size_t>(x);
            switch (bits) {
            case 1:
                put_palette(out, (in[ux / 8] >> (7 - ux % 8)) & 1u);
                break;
            case 4:
                put_palette(out, (in[ux / 2] >> (ux % 2 == 0 ? 4 : 0)) & 0xFu);
                break;
            case 8:
                put_palette(out, in[ux]);
                break;
            case 16: {
                // Five bits each of red, green and blue, the top bit unused.
                const unsigned v = in[2 * ux] | (in[2 * ux + 1] << 8);
                out[0] = Expand5((v >> 10) & 0x1F);
                out[1] = Expand5((v >> 5) & 0x1F);
                out[2] = Expand5(v & 0x1F);
                break;
            }
            case 24:
            case 32: {
                const std::size_t at = ux * static_cast<std::size_t>(bits / 8);
                out[0] = in[at + 2];
                out[1] = in[at + 1];
                out[2] = in[at];
                break;
            }
            default:
                break;
            }
        }
    }
    return rgb;
}

std::string EncodeBmp(int width, int height, bool grey, const std::vector<std::uint8_t>& pixels)
{
    constexpr std::size_t FILE_HEADER = 14;
    const int bits = grey ? 8 : 24;
    const std::size_t palette = grey ? 256 * 4 : 0;
    const std::size_t stride = RowBytes(width, bits);
    const std::size_t offset = FILE_HEADER + INFO_SIZE + palette;
    const std::size_t image = stride * static_cast<std::size_t>(height);
    std::string out(offset + image, '\0');
    out[0] = 'B';
    out[1] = 'M';
    PutLe(out, 2, static_cast<std::uint32_t>(out.size()), 4);
    PutLe(out, 10, static_cast<std::uint32_t>(offset), 4);
    PutLe(out, 14, INFO_SIZE, 4);
    PutLe(out, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(out, 22, static_cast<std::uint32_t>(height), 4);
    PutLe(out, 26, 1, 2); // planes
    PutLe(out, 28, static_cast<std::uint32_t>(bits), 2);
    PutLe(out, 34, static_cast<std::uint32_t>(image), 4);
    if (grey) {
        PutLe(out, 46, 256, 4);
        for (std::size_t i = 0; i < 256; ++i)
            for (std::size_t c = 0; c < 3; ++c)
                out[FILE_HEADER + INFO_SIZE + 4 * i + c] = static_cast<char>(i);
    }
    const std::size_t per_pixel = grey ? 1 : 3;
    const std::size_t in_stride = static_cast<std::size_t>(width) * per_pixel;
    if (pixels.size() < in_stride * static_cast<std::size_t>(height))
        return {};
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* in = pixels.data() + in_stride * static_cast<std::size_t>(r);
        char* row = out.data() + offset + stride * static_cast<std::size_t>(height - 1 - r);
        for (int x = 0; x < width; ++x) {
            const auto ux = static_cast<std::size_t>(x);
            if (grey) {
                row[ux] = static_cast<char>(in[ux]);
            } else {
                row[3 * ux] = static_cast<char>(in[3 * ux + 2]);
                row[3 * ux + 1] = static_cast<char>(in[3 * ux + 1]);
                row[3 * ux + 2] = static_cast<char>(in[3 * ux]);
            }
        }
    }
    return out;
}

} // namespace palavrino::console
