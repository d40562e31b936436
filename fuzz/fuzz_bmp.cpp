// Feeds arbitrary bytes to the console's BMP reader, which must refuse
// whatever it cannot draw without reading outside the bytes, and decodes
// whatever it accepts.
#include "console/bmp_image.h"
#include "console/screen_model.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace palavrino::console;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto picture = ParseBmp(bytes);
    if (!picture)
        return 0;
    const auto rows = static_cast<std::size_t>(std::abs(picture->height));
    if (picture->rgb.size() != static_cast<std::size_t>(picture->width) * rows * 3)
        std::abort();
    // What is read back is written again and read the same.
    const std::string copy = EncodeBmp(picture->width, static_cast<int>(rows), false, picture->rgb);
    const auto again = ParseBmp(copy);
    if (!again || again->rgb != picture->rgb)
        std::abort();
    return 0;
}
