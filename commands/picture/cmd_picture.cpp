// IMAGEM [file [x y]] [&]. The picture is checked and kept by the console
// whatever the front end, so a script behaves the same everywhere; only the
// window can show it, and elsewhere the user is told so and the script
// goes on.
#include "commands/picture/cmd_picture.h"

#include "console/bmp_image.h"
#include "core/char_tables.h"
#include "encoding/encoding.h"
#include "interp/command_helpers.h"
#include "messages/screen.h"
#include "platform/jpeg.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace palavrino::interp {

namespace {

    // A BMP this large holds more pixels than the console ever draws; it
    // is refused before it is read.
    constexpr std::uintmax_t MAX_BMP_FILE_BYTES = 300u * 1024 * 1024;

    bool EndsWithNoCase(const std::string& text, std::string_view suffix)
    {
        if (text.size() < suffix.size())
            return false;
        for (std::size_t i = 0; i < suffix.size(); ++i) {
            char c = text[text.size() - suffix.size() + i];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            if (c != suffix[i])
                return false;
        }
        return true;
    }

    std::optional<std::string> ReadWholeFile(const std::string& path)
    {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (error || size > MAX_BMP_FILE_BYTES)
            return std::nullopt;
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return std::nullopt;
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad())
            return std::nullopt;
        return bytes;
    }

    std::optional<int32_t> Coordinate(Runtime& rt)
    {
        if (rt.lexer.AtEnd() || rt.lexer.Is(core::TokenKind::Ampersand))
            return std::nullopt;
        Value v;
        rt.ParseExpressionAs(v, ValueKind::Integer);
        if (!v.is(ValueKind::Integer))
            return std::nullopt;
        return v.AsInt();
    }

} // namespace

std::optional<std::string> PictureAsBmp(const std::string& path)
{
    if (!EndsWithNoCase(path, ".JPG") && !EndsWithNoCase(path, ".JPEG"))
        return ReadWholeFile(path);
    platform::DecodedJpeg photo;
    if (platform::DecodeJpegFile(path, photo) != platform::JpegStatus::Ok)
        return std::nullopt;
    std::string bmp = console::EncodeBmp(photo.width, photo.height, photo.grey, photo.pixels);
    if (bmp.empty())
        return std::nullopt;
    return bmp;
}

bool CmdImagem(Runtime& rt)
{
    if (rt.lexer.AtEnd()) {
        rt.io.RemovePicture();
        return true;
    }
    Value file;
    rt.ParseExpression(file);
    if (!file.is(ValueKind::String) || file.Text().empty())
        return Fail(rt, msg::MSG_EXPECTED_FILE_NAME);
    int32_t x = 0;
    int32_t y = 0;
    if (!rt.lexer.AtEnd() && !rt.lexer.Is(core::TokenKind::Ampersand)) {
        const std::optional<int32_t> px = Coordinate(rt);
        if (px && rt.lexer.Is(core::TokenKind::Comma))
            rt.lexer.NextToken();
        const std::optional<int32_t> py = px ? Coordinate(rt) : std::nullopt;
        if (!px || !py)
            return Fail(rt, msg::MSG_EXPECTED_PICTURE_XY);
        x = *px;
        y = *py;
    }
    const bool quiet = rt.lexer.Is(core::TokenKind::Ampersand);
    if (quiet)
        rt.lexer.NextToken();

    rt.io.RemovePicture();
    const std::optional<std::string> bmp = PictureAsBmp(encoding::Cp1252ToUtf8(file.Text()));
    if (!bmp || !rt.io.ShowPicture(*bmp, x, y)) {
        if (quiet)
            return true;
        return Fail(rt, msg::MSG_BAD_PICTURE);
    }
    if (!quiet && !rt.io.ShowsPictures())
        rt.WriteLineAndSpeak(msg::MSG_PICTURES_NEED_WINDOW);
    return true;
}

} // namespace palavrino::interp
