// Name folding over the character class table (built in char_tables.h).
#include "core/char_tables.h"

namespace palavrino::core {

std::string FoldName(std::string_view text)
{
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = CHAR_CLASS_TABLE[static_cast<unsigned char>(text[i])];
    return out;
}

} // namespace palavrino::core
