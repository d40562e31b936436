// BMP pictures: the pixels of every bit depth the console accepts, in both
// row orders, the headers it refuses (without reading past the data), BMP
// files written for decoded photos, and the picture handed to the front end.
#include "console/bmp_image.h"
#include "console/screen_model.h"

#include <climits>
#include <gtest/gtest.h>
#include <optional>

namespace palavrino::console {
namespace {

    std::string Le(std::uint32_t value, int bytes)
    {
        std::string s;
        for (int i = 0; i < bytes; ++i)
            s.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        return s;
    }

    struct BmpSpec {
        BmpSpec(int bits_, std::int32_t width_, std::int32_t height_, std::uint32_t compression_,
            std::uint32_t colours_used_, std::string palette_, std::string pixels_,
            std::optional<std::uint32_t> offset_ = std::nullopt)
            : bits(bits_)
            , width(width_)
            , height(height_)
            , compression(compression_)
            , colours_used(colours_used_)
            , palette(std::move(palette_))
            , pixels(std::move(pixels_))
            , offset(offset_)
        {
        }
        int bits;
        std::int32_t width;
        std::int32_t height;
        std::uint32_t compression;
        std::uint32_t colours_used;
        std::string palette;
        std::string pixels;
        std::optional<std::uint32_t> offset; // default: right after the palette
    };

    std::string Bmp(const BmpSpec& b)
    {
        const std::string info = Le(40, 4) + Le(static_cast<std::uint32_t>(b.width), 4)
            + Le(static_cast<std::uint32_t>(b.height), 4) + Le(1, 2)
            + Le(static_cast<std::uint32_t>(b.bits), 2) + Le(b.compression, 4) + Le(0, 4) + Le(0, 4)
            + Le(0, 4) + Le(b.colours_used, 4) + Le(0, 4);
        const auto offset
            = b.offset.value_or(static_cast<std::uint32_t>(14 + info.size() + b.palette.size()));
        return "BM" + Le(static_cast<std::uint32_t>(14 + info.size() + b.palette.size() + b.pixels.size()), 4)
            + Le(0, 4) + Le(offset, 4) + info + b.palette + b.pixels;
    }

    // Palette entries are blue, green, red, unused.
    std::string Entry(std::uint8_t r, std::uint8_t g, std::uint8_t b)
    {
        return std::string { static_cast<char>(b), static_cast<char>(g), static_cast<char>(r), '\0' };
    }

    using Pixels = std::vector<std::uint8_t>;

    Pixels Decode(const BmpSpec& spec)
    {
        const auto picture = ParseBmp(Bmp(spec));
        if (!picture)
            return {};
        EXPECT_EQ(picture->rgb, DecodeBmpPixels(*picture));
        return picture->rgb;
    }

    TEST(BmpPixels, EveryAcceptedBitDepthDecodesToRgbTopRowFirst)
    {
        const std::string red_green = Entry(255, 0, 0) + Entry(0, 255, 0);
        struct Case {
            const char* what;
            BmpSpec spec;
            Pixels expected;
        };
        const Case cases[] = {
            // Bottom-up files store the bottom row first.
            { "1 bit", { 1, 3, 2, 0, 2, red_green, std::string("\x40\0\0\0\xA0\0\0\0", 8) },
                { 0, 255, 0, 255, 0, 0, 0, 255, 0, /**/ 255, 0, 0, 0, 255, 0, 255, 0, 0 } },
            { "4 bits", { 4, 3, 1, 0, 2, red_green, std::string("\x01\x00\0\0", 4) },
                { 255, 0, 0, 0, 255, 0, 255, 0, 0 } },
            { "8 bits, index past the palette is black",
                { 8, 3, 1, 0, 2, red_green, std::string("\x01\x00\x07\0", 4) },
                { 0, 255, 0, 255, 0, 0, 0, 0, 0 } },
            { "16 bits, five per channel", { 16, 2, 1, 0, 0, "", std::string("\x00\x7C\x1F\x00", 4) },
                { 255, 0, 0, 0, 0, 255 } },
            { "24 bits, padded rows", { 24, 1, 2, 0, 0, "", std::string("\x01\x02\x03\0\x04\x05\x06\0", 8) },
                { 6, 5, 4, 3, 2, 1 } },
            { "32 bits", { 32, 1, 1, 0, 0, "", std::string("\x10\x20\x30\xFF", 4) }, { 0x30, 0x20, 0x10 } },
            { "top-down (negative height)",
                { 24, 1, -2, 0, 0, "", std::string("\x01\x02\x03\0\x04\x05\x06\0", 8) },
                { 3, 2, 1, 6, 5, 4 } },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_EQ(Decode(c.spec), c.expected);
        }
    }

    TEST(BmpPixels, MalformedHeadersAreRefused)
    {
        const std::string rows(16, '\0');
        struct Case {
            const char* what;
            BmpSpec spec;
        };
        const Case cases[] = {
            { "run-length compressed", { 8, 2, 2, 1, 2, std::string(8, '\0'), rows } },
            { "bit fields", { 32, 2, 2, 3, 0, "", rows } },
            { "bit count 7", { 7, 2, 2, 0, 0, "", rows } },
            { "bit count 0", { 0, 2, 2, 0, 0, "", rows } },
            { "negative width", { 24, -2, 2, 0, 0, "", rows } },
            { "zero height", { 24, 2, 0, 0, 0, "", rows } },
            { "smallest height", { 24, 2, INT32_MIN, 0, 0, "", rows } },
            { "huge dimensions", { 24, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0, "", rows } },
            { "more than 256 colours", { 8, 2, 2, 0, 300, std::string(1200, '\0'), rows } },
            { "palette cut short", { 8, 2, 2, 0, 256, std::string(16, '\0'), "" } },
            { "pixels start inside the header", { 24, 2, 2, 0, 0, "", rows, 20u } },
            { "pixels start past the end", { 24, 2, 2, 0, 0, "", rows, 0xFFFFFFF0u } },
            { "rows cut short", { 24, 2, 2, 0, 0, "", rows.substr(0, 15) } },
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            EXPECT_FALSE(ParseBmp(Bmp(c.spec)));
        }
    }

    TEST(BmpPixels, WrittenFilesReadBackAsTheSamePixels)
    {
        const Pixels rgb { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18 }; // 3 x 2
        const auto colour = ParseBmp(EncodeBmp(3, 2, false, rgb));
        ASSERT_TRUE(colour);
        EXPECT_EQ(colour->bit_count, 24);
        EXPECT_EQ(colour->rgb, rgb);

        const Pixels grey { 0, 128, 255, 7, 9, 11 };
        const auto g = ParseBmp(EncodeBmp(3, 2, true, grey));
        ASSERT_TRUE(g);
        EXPECT_EQ(g->bit_count, 8);
        const Pixels expected { 0, 0, 0, 128, 128, 128, 255, 255, 255, 7, 7, 7, 9, 9, 9, 11, 11, 11 };
        EXPECT_EQ(g->rgb, expected);

        EXPECT_EQ(EncodeBmp(3, 2, false, Pixels(5)), ""); // too few pixels given
    }

    class PictureListener final : public platform::ScreenListener {
    public:
        void TextWritten(std::string_view) override { }
        void CellsChanged(int, int, int) override { }
        void RegionScrolled(int, int, int, int) override { }
        void TitleChanged(std::string_view) override { }
        void Bell() override { }
        void Refresh(const platform::CellView&) override { }
        void BackgroundChanged(const platform::PictureView* p) override
        {
            ++calls;
            shown = p != nullptr;
            if (p) {
                width = p->width;
                height = p->height;
                x = p->x;
                y = p->y;
                rgb.assign(p->rgb, p->rgb + static_cast<std::size_t>(p->width * p->height * 3));
            }
        }
        int calls { 0 };
        bool shown { false };
        int width { 0 };
        int height { 0 };
        int x { 0 };
        int y { 0 };
        Pixels rgb;
    };

    TEST(BmpPixels, TheFrontEndGetsTheDecodedPictureAndItsPlace)
    {
        ScreenModel screen;
        PictureListener listener;
        screen.SetListener(&listener);
        const Pixels rgb { 10, 20, 30, 40, 50, 60 }; // 1 x 2
        EXPECT_FALSE(screen.LoadBackgroundPictureBytes("not a picture"));
        EXPECT_EQ(listener.calls, 0);
        ASSERT_TRUE(screen.LoadBackgroundPictureBytes(EncodeBmp(1, 2, false, rgb)));
        screen.DrawBackgroundPicture(30, 40);
        EXPECT_TRUE(listener.shown);
        EXPECT_EQ(listener.width, 1);
        EXPECT_EQ(listener.height, 2);
        EXPECT_EQ(listener.x, 30);
        EXPECT_EQ(listener.y, 40);
        EXPECT_EQ(listener.rgb, rgb);
        screen.RemoveBackgroundPicture();
        EXPECT_FALSE(listener.shown);
        screen.SetListener(nullptr);
    }

} // namespace
} // namespace palavrino::console
