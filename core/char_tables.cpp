// Builds the class table once, from readable rules rather than a literal
// array of 256 numbers.
#include "core/char_tables.h"

namespace palavrino::core {

namespace {

std::array<char, 256> BuildTable() {
    std::array<char, 256> t {};
    for (int c = 0; c < 256; ++c)
        t[c] = INVALID_CLASS;
    for (int c = 32; c <= 96; ++c)
        t[c] = static_cast<char>(c);
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = static_cast<char>(c - 'a' + 'A');
    for (int c : { '{', '|', '}', '~' })
        t[c] = static_cast<char>(c);
    t['\t'] = ' ';
    t['\r'] = ' ';
    t['\n'] = '\n';
    // Accented letters lose their accent and become capitals.
    struct Fold {
        unsigned char from;
        unsigned char to;
        char as;
    };
    constexpr Fold folds[] = {
        { 0xC0, 0xC5, 'A' }, { 0xE0, 0xE5, 'A' }, { 0xC7, 0xC7, 'C' }, { 0xE7, 0xE7, 'C' },
        { 0xC8, 0xCB, 'E' }, { 0xE8, 0xEB, 'E' }, { 0xCC, 0xCF, 'I' }, { 0xEC, 0xEF, 'I' },
        { 0xD0, 0xD0, 'D' }, { 0xD1, 0xD1, 'N' }, { 0xF1, 0xF1, 'N' }, { 0xD2, 0xD6, 'O' },
        { 0xF2, 0xF6, 'O' }, { 0xD9, 0xDC, 'U' }, { 0xF9, 0xFC, 'U' }, { 0xDD, 0xDD, 'Y' },
        { 0xFD, 0xFD, 'Y' }, { 0xFF, 0xFF, 'Y' }, { 0xDE, 0xDE, 'P' }, { 0xFE, 0xFE, 'P' },
        { 0xDF, 0xDF, 'S' },
    };
    for (const Fold& f : folds)
        for (int c = f.from; c <= f.to; ++c)
            t[c] = f.as;
    // Æ æ × ÷ Ø ø ð stay invalid (0xC6, 0xE6, 0xD7, 0xF7, 0xD8, 0xF8, 0xF0).
    return t;
}

}  // namespace

const std::array<char, 256>& CharClassTable() {
    static const std::array<char, 256> table = BuildTable();
    return table;
}

std::string FoldName(std::string_view text) {
    std::string out(text.size(), '\0');
    const auto& t = CharClassTable();
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = t[static_cast<unsigned char>(text[i])];
    return out;
}

}  // namespace palavrino::core
