// JPEG decoding with libjpeg(-turbo). The library reports fatal errors
// through a callback that must not return; it jumps back here instead, so
// no C++ object with a destructor lives between setjmp and the library
// calls.
#include "platform/jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace palavrino::platform {

namespace {

    // Photos larger than this are refused before their pixels are
    // allocated: no console window shows them, and a damaged header must
    // not exhaust memory.
    constexpr std::uint64_t MAX_PIXELS = 64u * 1024 * 1024;

    struct ErrorJump {
        jpeg_error_mgr manager {};
        std::jmp_buf jump {};
    };

    [[noreturn]] void JumpOnError(j_common_ptr info)
    {
        auto* error = reinterpret_cast<ErrorJump*>(info->err);
        std::longjmp(error->jump, 1);
    }

    void Quiet(j_common_ptr) { }

    struct File {
        std::FILE* f { nullptr };
        ~File()
        {
            if (f)
                std::fclose(f);
        }
    };

    // The decoding proper; false on any error the library reports.
    bool Decode(std::FILE* f, jpeg_decompress_struct& info, ErrorJump& error, DecodedJpeg& out)
    {
        info.err = jpeg_std_error(&error.manager);
        error.manager.error_exit = JumpOnError;
        error.manager.output_message = Quiet;
        if (setjmp(error.jump) != 0)
            return false;
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, f);
        if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
            return false;
        out.grey = info.jpeg_color_space == JCS_GRAYSCALE;
        info.out_color_space = out.grey ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_start_decompress(&info);
        const std::uint64_t pixels = static_cast<std::uint64_t>(info.output_width) * info.output_height;
        const auto channels = static_cast<std::size_t>(info.output_components);
        if (info.output_width == 0 || info.output_height == 0 || pixels > MAX_PIXELS
            || channels != (out.grey ? 1u : 3u))
            return false;
        out.width = static_cast<int>(info.output_width);
        out.height = static_cast<int>(info.output_height);
        const std::size_t stride = static_cast<std::size_t>(info.output_width) * channels;
        out.pixels.resize(stride * info.output_height);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = out.pixels.data() + stride * info.output_scanline;
            if (jpeg_read_scanlines(&info, &row, 1) != 1)
                return false;
        }
        jpeg_finish_decompress(&info);
        return true;
    }

} // namespace

JpegStatus DecodeJpegFile(const std::string& path, DecodedJpeg& out)
{
    File file { std::fopen(path.c_str(), "rb") };
    if (!file.f)
        return JpegStatus::Unreadable;
    jpeg_decompress_struct info {};
    ErrorJump error;
    out = DecodedJpeg {};
    const bool ok = Decode(file.f, info, error, out);
    jpeg_destroy_decompress(&info);
    if (!ok) {
        out = DecodedJpeg {};
        return JpegStatus::Invalid;
    }
    return JpegStatus::Ok;
}

} // namespace palavrino::platform
