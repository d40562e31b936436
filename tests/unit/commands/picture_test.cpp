// IMAGEM through an interpreter: BMP files of every accepted bit depth and
// JPEG photos (colour and grey) written by the test, damaged files, the
// arguments and their messages, the quiet "&", and what the user hears
// where pictures cannot be seen.
#include "commands/picture/cmd_picture.h"
#include "commands/standard.h"
#include "console/bmp_image.h"
#include "console/screen_model.h"
#include "interp/runtime.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>

namespace {

using palavrino::fakes::TempDir;

struct Session {
    palavrino::testing::MemoryHostIo io;
    palavrino::interp::Runtime rt { io, palavrino::commands::StandardCommands() };
    TempDir dir;

    Session()
    {
        io.accept_picture
            = [](std::string_view bmp) { return palavrino::console::ParseBmp(bmp).has_value(); };
        io.shows_pictures = true;
    }
    std::string Q(const std::string& name) const { return "\"" + (dir.Path() / name).string() + "\""; }
    // What a failing line wrote, or "" when it succeeded.
    std::string Failure(const std::string& line)
    {
        io.written.clear();
        if (rt.RunInteractiveLine(line))
            return "";
        return io.written.empty() ? "<sem mensagem>" : io.written;
    }
    std::vector<std::uint8_t> Shown() const
    {
        const auto picture = palavrino::console::ParseBmp(io.picture);
        return picture ? picture->rgb : std::vector<std::uint8_t> {};
    }
};

std::string Le(std::uint32_t value, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return s;
}

// A 2 x 1 BMP of the given depth whose two pixels are red and blue.
std::string TwoPixels(int bits)
{
    std::string palette;
    std::string row;
    if (bits <= 8) {
        palette = std::string("\0\0\xFF\0", 4) + std::string("\xFF\0\0\0", 4); // red, blue
        row = bits == 1 ? std::string("\x40\0\0\0", 4)
            : bits == 4 ? std::string("\x01\0\0\0", 4)
                        : std::string("\0\x01\0\0", 4);
    } else if (bits == 16) {
        row = std::string("\x00\x7C\x1F\x00", 4);
    } else if (bits == 24) {
        row = std::string("\0\0\xFF\xFF\0\0\0\0", 8);
    } else {
        row = std::string("\0\0\xFF\0\xFF\0\0\0", 8);
    }
    const std::uint32_t colours = bits <= 8 ? 2 : 0;
    const std::string info = Le(40, 4) + Le(2, 4) + Le(1, 4) + Le(1, 2)
        + Le(static_cast<std::uint32_t>(bits), 2) + Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(0, 4) + Le(colours, 4)
        + Le(0, 4);
    const auto offset = static_cast<std::uint32_t>(14 + info.size() + palette.size());
    return "BM" + Le(offset + static_cast<std::uint32_t>(row.size()), 4) + Le(0, 4) + Le(offset, 4) + info
        + palette + row;
}

// Writes a JPEG of one flat colour (or grey level) with libjpeg.
bool WriteJpeg(
    const std::string& path, int width, int height, bool grey, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    jpeg_compress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, f);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row;
    for (int x = 0; x < width; ++x) {
        if (grey)
            row.push_back(r);
        else
            row.insert(row.end(), { r, g, b });
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&info, &p, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(f);
    return true;
}

bool Close(std::uint8_t a, std::uint8_t b)
{
    return (a > b ? a - b : b - a) <= 4;
}

} // namespace

TEST(Imagem, ShowsBmpFilesOfEveryAcceptedDepthAtItsPlace)
{
    Session s;
    const std::vector<std::uint8_t> red_blue { 255, 0, 0, 0, 0, 255 };
    for (const int bits : { 1, 4, 8, 16, 24, 32 }) {
        SCOPED_TRACE(bits);
        const std::string name = "p" + std::to_string(bits) + ".bmp";
        s.dir.Write(name, TwoPixels(bits));
        EXPECT_EQ(s.Failure("IMAGEM " + s.Q(name) + " 10, 20"), "");
        EXPECT_EQ(s.Shown(), red_blue);
        EXPECT_EQ(s.io.picture_x, 10);
        EXPECT_EQ(s.io.picture_y, 20);
    }
    EXPECT_EQ(s.Failure("IMAGEM " + s.Q("p8.bmp")), ""); // without a place: the corner
    EXPECT_EQ(s.io.picture_x, 0);
    EXPECT_EQ(s.io.picture_y, 0);
    const int removed = s.io.pictures_removed;
    EXPECT_EQ(s.Failure("IMAGEM"), "");
    EXPECT_EQ(s.io.pictures_removed, removed + 1);
    EXPECT_TRUE(s.io.picture.empty());
    EXPECT_TRUE(s.io.spoken.empty());
}

TEST(Imagem, JpegPhotosAreDecodedColourAndGrey)
{
    Session s;
    ASSERT_TRUE(WriteJpeg((s.dir.Path() / "foto.JPG").string(), 16, 8, false, 200, 40, 90));
    EXPECT_EQ(s.Failure("IMAGEM " + s.Q("foto.JPG")), "");
    auto picture = palavrino::console::ParseBmp(s.io.picture);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->bit_count, 24);
    EXPECT_EQ(picture->width, 16);
    EXPECT_EQ(picture->height, 8);
    EXPECT_TRUE(Close(picture->rgb[0], 200) && Close(picture->rgb[1], 40) && Close(picture->rgb[2], 90));

    ASSERT_TRUE(WriteJpeg((s.dir.Path() / "cinza.jpeg").string(), 8, 8, true, 77, 0, 0));
    EXPECT_EQ(s.Failure("IMAGEM " + s.Q("cinza.jpeg")), "");
    picture = palavrino::console::ParseBmp(s.io.picture);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->bit_count, 8); // grey photos keep one byte a pixel
    EXPECT_TRUE(Close(picture->rgb[0], 77) && Close(picture->rgb[1], 77));
}

TEST(Imagem, BadFilesAndArguments)
{
    Session s;
    const std::string bad = "Imagem inv\xE1lida ou n\xE3o encontrada";
    s.dir.Write("ok.bmp", TwoPixels(24));
    s.dir.Write("rle.bmp", [] {
        std::string b = TwoPixels(8);
        b[30] = 1; // run-length compressed
        return b;
    }());
    s.dir.Write("cut.bmp", TwoPixels(24).substr(0, 60));
    s.dir.Write("fake.jpg", "not a photo at all");
    s.dir.Write("cut.jpg", "\xFF\xD8\xFF\xE0");
    ASSERT_EQ(s.Failure("IMAGEM " + s.Q("ok.bmp") + " 3 4"), "");
    for (const char* name : { "none.bmp", "rle.bmp", "cut.bmp", "fake.jpg", "cut.jpg", "none.jpg" }) {
        SCOPED_TRACE(name);
        EXPECT_NE(s.Failure("IMAGEM " + s.Q(name)).find(bad), std::string::npos);
        // With "&" the script goes on, without a word.
        EXPECT_EQ(s.Failure("IMAGEM " + s.Q(name) + " 5 6 &"), "");
        EXPECT_EQ(s.Failure("IMAGEM " + s.Q(name) + " &"), "");
        EXPECT_TRUE(s.io.written.empty());
    }
    EXPECT_NE(s.Failure("IMAGEM 12").find("Esperava nome de arquivo"), std::string::npos);
    EXPECT_NE(s.Failure("IMAGEM \"\"").find("Esperava nome de arquivo"), std::string::npos);
    const std::string xy = "Esperava express\xF5"
                           "es num\xE9ricas para as coordenadas X e Y";
    EXPECT_NE(s.Failure("IMAGEM " + s.Q("ok.bmp") + " 5").find(xy), std::string::npos);
    EXPECT_NE(s.Failure("IMAGEM " + s.Q("ok.bmp") + " \"a\" 5").find(xy), std::string::npos);
}

TEST(Imagem, WithoutTheWindowTheUserIsToldAndTheScriptGoesOn)
{
    Session s;
    s.io.shows_pictures = false;
    s.dir.Write("ok.bmp", TwoPixels(24));
    EXPECT_EQ(s.Failure("IMAGEM " + s.Q("ok.bmp")), "");
    ASSERT_EQ(s.io.spoken.size(), 1u);
    EXPECT_NE(s.io.spoken[0].find("--janela"), std::string::npos);
    EXPECT_NE(s.io.written.find("--janela"), std::string::npos);
    EXPECT_EQ(s.Failure("IMAGEM " + s.Q("ok.bmp") + " &"), ""); // quiet
    EXPECT_EQ(s.io.spoken.size(), 1u);
}
