// Reading and safely replacing whole text files; see text_files.h.
#include "console/text_files.h"

#include "encoding/encoding.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace palavrino::console {

namespace {

    std::filesystem::path PathOf(std::string_view name)
    {
        return std::filesystem::path(encoding::Cp1252ToUtf8(name));
    }

} // namespace

std::optional<std::vector<std::string>> ReadTextLines(std::string_view name)
{
    std::ifstream in(PathOf(name), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(encoding::DecodeTextLine(line));
    }
    if (in.bad())
        return std::nullopt;
    return lines;
}

bool WriteTextLines(std::string_view name, const std::vector<std::string>& lines)
{
    namespace fs = std::filesystem;
    const fs::path target = PathOf(name);
    if (target.filename().empty())
        return false;
    fs::path temp = target;
    temp += ".tmp" + std::to_string(std::random_device {}() % 1000000);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        for (const std::string& line : lines)
            out << encoding::Cp1252ToUtf8(line) << '\n';
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    std::error_code error;
    fs::rename(temp, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

} // namespace palavrino::console
