// Splitting a command line into words the way scripts write them: blanks
// and tabs separate words, double quotes group a word that holds blanks
// (the quotes themselves are dropped, "" is an empty word). Used for the
// programs EXECUTA starts and for the media requests of MCI.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace palavrino::core {

inline std::vector<std::string> SplitQuotedWords(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (in_word)
                words.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word)
        words.push_back(std::move(word));
    return words;
}

} // namespace palavrino::core
