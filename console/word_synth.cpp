// The built-in word synthesizer: text preparation, exceptions, stress,
// letter-to-sound rules, and joining recorded diphones.
#include "console/word_synth.h"

#include "console/wave_player.h"
#include "core/rounding.h"

#include <algorithm>
#include <cmath>

namespace palavrino::console {

namespace {

    constexpr std::size_t MAX_RULE_CONTEXT = 5;
    constexpr std::size_t MAX_RULE_FOCUS = 5;
    constexpr std::size_t MAX_RULE_OUTPUT = 11;
    constexpr std::size_t MAX_EXCEPTIONS = 15000;
    constexpr std::size_t INDEX_RECORD_BYTES = 15;
    constexpr std::size_t MAX_DIPHONE_NAME = 8;
    constexpr std::size_t MAX_PIECE = 12;
    // A unit this long ends at the next separator, so that units stay short
    // enough to name a recording.
    constexpr std::size_t LONG_UNIT = 9;
    // The output buffer, the first 44 bytes of which a wave header takes.
    constexpr std::size_t OUTPUT_BYTES = 64000;
    constexpr std::size_t WAVE_HEADER_BYTES = 44;
    constexpr std::size_t NOISE_SAMPLES = 300;
    constexpr int NOISE_LOW = 88, NOISE_HIGH = 167;
    constexpr std::uint8_t SILENCE = 128;
    // Duration factors of the joins: a diphone before a glide or a final
    // "s" is shortened, and so is each step of a fallback.
    constexpr double GLIDE_FACTOR = 0.6;
    constexpr double PLURAL_FACTOR = 0.7;
    constexpr double FALLBACK_FACTOR = 0.9;
    constexpr int RULE_FIRST_CHAR = 32, RULE_LAST_CHAR = 95;

    char Lower(char c)
    {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    char Upper(char c)
    {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    bool In(char c, std::string_view set)
    {
        return set.find(c) != std::string_view::npos;
    }

    // The character classes of the rules.
    bool IsVowel(char c)
    {
        return In(c, "AEIOUaeiou");
    }
    bool IsConsonant(char c)
    {
        return In(Lower(c), "bcdfghjklmnpqrstvwxyz") && c != '\0';
    }
    bool IsLetter(char c)
    {
        return IsVowel(c) || IsConsonant(c);
    }
    bool IsAccent(char c)
    {
        return In(c, "\"'^`~") && c != '\0';
    }
    bool IsUpperVowel(char c)
    {
        return In(c, "AEIOU") && c != '\0';
    }

    // The classes of unit splitting, where a glide counts as a vowel.
    bool IsUnitConsonant(char c)
    {
        return In(c, "bcdfgjklmnpqrstvxz") && c != '\0';
    }
    bool IsUnitVowel(char c)
    {
        return In(c, "aeiouwyAEIOUWY") && c != '\0';
    }

    // Replacements of the codes from 128: Windows-1252 letters, and at
    // 128-154 the letters those codes are in the PC code page, which older
    // texts still carry. Empty: no replacement (a word separator).
    const char* Replacement(std::uint8_t c)
    {
        switch (c) {
        case 128:
        case 135:
        case 0xC7:
        case 0xE7:
            return "ss";
        case 129:
        case 154:
        case 0xDC:
        case 0xFC:
            return "u";
        case 130:
        case 144:
        case 0xC9:
        case 0xE9:
            return "e'";
        case 131:
        case 0xC2:
        case 0xE2:
            return "a^";
        case 132:
        case 142:
        case 0xC3:
        case 0xE3:
        case 0xC4:
        case 0xE4:
            return "a~";
        case 133:
        case 0xC0:
        case 0xE0:
            return "a`";
        case 134:
        case 143:
        case 0xC5:
        case 0xE5:
            return "a";
        case 136:
        case 0xCA:
        case 0xEA:
            return "e^";
        case 137:
        case 0xCB:
        case 0xEB:
            return "e\"";
        case 138:
        case 0xC8:
        case 0xE8:
            return "e`";
        case 139:
        case 0xCF:
        case 0xEF:
            return "i\"";
        case 140:
        case 0xCE:
        case 0xEE:
            return "i^";
        case 141:
        case 0xCC:
        case 0xEC:
            return "i`";
        case 145:
        case 146:
        case 0xC6:
        case 0xE6:
            return "ae";
        case 147:
        case 0xD4:
        case 0xF4:
            return "o^";
        case 148:
        case 149:
        case 153:
        case 0xD2:
        case 0xF2:
        case 0xD6:
        case 0xF6:
            return "o`";
        case 150:
        case 0xDB:
        case 0xFB:
            return "u^";
        case 151:
        case 0xD9:
        case 0xF9:
            return "u`";
        case 0xC1:
        case 0xE1:
            return "a'";
        case 0xCD:
        case 0xED:
            return "i'";
        case 0xD3:
        case 0xF3:
            return "o'";
        case 0xDA:
        case 0xFA:
            return "u'";
        case 0xD5:
        case 0xF5:
            return "o~";
        case 0xD1:
        case 0xF1:
            return "nh";
        case 0xD7:
        case 0xF7:
            return "x";
        case 0xD8:
        case 0xF8:
            return "0";
        default:
            return "";
        }
    }

    struct TakenWord {
        std::string text;
        int vowels { 0 };
        bool accented { false };
    };

    TakenWord Describe(std::string text)
    {
        TakenWord word { std::move(text) };
        for (char c : word.text) {
            if (IsVowel(c))
                ++word.vowels;
            else if (IsAccent(c) && c != '"')
                word.accented = true;
        }
        return word;
    }

    std::vector<std::string> TakeWords(const std::string& prepared)
    {
        std::vector<std::string> words;
        std::size_t at = 0;
        while (at < prepared.size()) {
            if (prepared[at] == ' ') {
                ++at;
                continue;
            }
            if (!IsLetter(prepared[at])) {
                words.emplace_back(1, prepared[at++]);
                continue;
            }
            std::string word;
            while (at < prepared.size() && (IsLetter(prepared[at]) || IsAccent(prepared[at])))
                word.push_back(Lower(prepared[at++]));
            words.push_back(std::move(word));
        }
        return words;
    }

    bool IsLetterWord(const std::string& word)
    {
        return std::all_of(
            word.begin(), word.end(), [](char c) { return IsConsonant(c) || In(c, " !,.:;?"); });
    }

    // Context right of the focus, from position at onwards.
    bool MatchRight(const std::string& w, std::size_t at, std::string_view context)
    {
        const std::size_t n = w.size();
        for (char symbol : context) {
            const char c = at < n ? w[at] : '\0';
            switch (symbol) {
            case '#': {
                const std::size_t start = at;
                while (at < n && (IsVowel(w[at]) || IsAccent(w[at])))
                    ++at;
                if (at == start)
                    return false;
                break;
            }
            case '%':
                if (at != n)
                    return false;
                break;
            case '&':
                if (!In(Lower(c), "lmnrz") || c == '\0')
                    return false;
                ++at;
                break;
            case '*':
                if (!IsConsonant(c) || In(Lower(c), "rl"))
                    return false;
                break;
            case '+':
                if (!In(Lower(c), "ei") || c == '\0')
                    return false;
                ++at;
                if (at < n && IsAccent(w[at]))
                    ++at;
                break;
            case '[':
                if (at != n && (!IsConsonant(c) || Lower(c) == 'h'))
                    return false;
                break;
            case '\\':
                if (Lower(c) == 's')
                    ++at;
                break;
            default:
                if (c == '\0' || Upper(c) != symbol)
                    return false;
                ++at;
            }
        }
        return true;
    }

    // Context left of the focus, read leftwards from position at (which is
    // -1 at the word's start).
    bool MatchLeft(const std::string& w, std::ptrdiff_t at, std::string_view context)
    {
        auto char_at = [&](std::ptrdiff_t i) { return i >= 0 ? w[static_cast<std::size_t>(i)] : '\0'; };
        for (auto s = context.rbegin(); s != context.rend(); ++s) {
            const char c = char_at(at);
            switch (*s) {
            case '#': {
                const std::ptrdiff_t start = at;
                while (at >= 0 && (IsVowel(char_at(at)) || IsAccent(char_at(at))))
                    --at;
                if (at == start)
                    return false;
                break;
            }
            case '%':
                if (at >= 0)
                    return false;
                break;
            case ']':
            case '_': {
                const std::string_view set = *s == ']' ? "ao" : "aeiou";
                if (c != '\0' && In(Lower(c), set))
                    at -= 1;
                else if (IsAccent(c) && char_at(at - 1) != '\0' && In(Lower(char_at(at - 1)), set))
                    at -= 2;
                else
                    return false;
                break;
            }
            case '|':
                if (c == '\0' || !In(Lower(c), "nrs"))
                    return false;
                --at;
                break;
            default:
                if (c == '\0' || Upper(c) != *s)
                    return false;
                --at;
            }
        }
        return true;
    }

    std::string Trim(std::string text)
    {
        while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
            text.pop_back();
        std::size_t start = 0;
        while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
            ++start;
        return text.substr(start);
    }

    std::string Cut(std::string text, std::size_t limit)
    {
        if (text.size() > limit)
            text.resize(limit);
        return text;
    }

    std::uint32_t Le(const std::uint8_t* bytes, int count)
    {
        std::uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = (value << 8) | bytes[i];
        return value;
    }

} // namespace

std::string PrepareVoiceText(std::string_view text)
{
    auto ascii_letter = [&](std::size_t i) { return i < text.size() && IsLetter(text[i]); };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto code = static_cast<std::uint8_t>(c);
        const bool beside_letter = (i > 0 && ascii_letter(i - 1)) || ascii_letter(i + 1);
        if ((c == 'W' || c == 'w') && beside_letter)
            out.push_back('u');
        else if ((c == 'Y' || c == 'y') && beside_letter)
            out.push_back('i');
        else if (c == '\'' && i > 0 && (text[i - 1] == 'D' || text[i - 1] == 'd'))
            continue;
        else if (code >= 128) {
            const std::string_view replacement = Replacement(code);
            out += replacement.empty() ? std::string_view(" ") : replacement;
        } else if (code < 32)
            out.push_back(' ');
        else
            out.push_back(c);
    }
    return out;
}

std::string MarkStress(std::string w)
{
    // The scan runs from the word's end: the ending decides which syllable
    // is stressed (paroxytone by default, oxytone after l, r, z, i, u...).
    int state = 0;
    for (std::size_t pos = w.size(); pos-- > 0;) {
        const char c = w[pos];
        auto at = [&](std::size_t i) { return i < w.size() ? w[i] : '\0'; };
        const char before = pos > 0 ? w[pos - 1] : '\0';
        const char before2 = pos > 1 ? w[pos - 2] : '\0';
        const bool gu_qu_before = before == 'u' && In(before2, "gq") && before2 != '\0';
        int next = state;
        switch (state) {
        case 0:
            if (In(c, "aeo"))
                next = 5;
            else if (In(c, "iu"))
                next = 3;
            else if (In(c, "lnrxz"))
                next = 1;
            else if (c == 'm')
                next = 2;
            else if (c == 's')
                next = 4;
            break;
        case 1:
            if (IsVowel(c))
                next = 6;
            break;
        case 2:
            if (In(c, "ae"))
                next = 5;
            else if (In(c, "iu"))
                next = 3;
            else if (c == 'o')
                next = 6;
            break;
        case 3:
            next = IsConsonant(c) || gu_qu_before ? 7 : 6;
            break;
        case 4:
            if (In(c, "aeo"))
                next = 5;
            else if (In(c, "iu"))
                next = 3;
            break;
        case 5:
            if (In(c, "aeo"))
                next = 6;
            else if (In(c, "iu"))
                next = 8;
            break;
        case 8:
            if (IsConsonant(c))
                next = 7;
            else if (c == 'u' && In(before, "gq") && before != '\0')
                next = 7;
            else if (In(at(pos + 2), "lmnrz") && at(pos + 2) != '\0') {
                const char after = at(pos + 3);
                const bool closed = (at(pos + 2) == 'n' && after == 'h')
                    || (at(pos + 2) == 'r' && after == 'r') || (IsConsonant(after) && after != 'h');
                next = closed ? 7 : 6;
            } else
                next = 6;
            break;
        default:
            break;
        }
        if (next == 6 || next == 7) {
            const std::size_t mark = next == 6 ? pos : pos + 1;
            if (mark < w.size())
                w[mark] = Upper(w[mark]);
            return w;
        }
        state = next;
    }
    return w;
}

WordSynth::WordSynth()
    : m_noise(std::random_device {}())
{
}

int WordSynth::VoiceStart(const std::filesystem::path& letters_dir, const std::filesystem::path& voice_dir,
    std::string_view voice_name)
{
    const std::string key = letters_dir.string() + '\n' + voice_dir.string() + '\n' + std::string(voice_name);
    if (m_started && key == m_loaded_key)
        return VOICE_STARTED;
    VoiceEnd();
    std::error_code error;
    if (voice_name.empty() || !std::filesystem::is_directory(letters_dir, error)
        || !std::filesystem::is_directory(voice_dir, error))
        return VOICE_FILES_MISSING;
    const std::string name(voice_name);
    if (!LoadIndex(voice_dir / (name + ".IND")))
        return VOICE_FILES_MISSING;
    m_samples = std::make_unique<std::ifstream>(voice_dir / (name + ".DIF"), std::ios::binary);
    if (!*m_samples) {
        VoiceEnd();
        return VOICE_FILES_MISSING;
    }
    if (!LoadRules(voice_dir / "regras.rgr") || !LoadExceptions(voice_dir / "portug.exc")) {
        VoiceEnd();
        return VOICE_RULES_MISSING;
    }
    m_letters_dir = letters_dir;
    m_buffer.reserve(OUTPUT_BYTES - WAVE_HEADER_BYTES);
    m_started = true;
    m_loaded_key = key;
    return VOICE_STARTED;
}

void WordSynth::VoiceEnd()
{
    m_started = false;
    m_loaded_key.clear();
    for (auto& list : m_rules)
        list.clear();
    m_exceptions.clear();
    m_index.clear();
    m_samples.reset();
    m_buffer.clear();
}

bool WordSynth::LoadRules(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        // left(focus)right=output|
        const std::size_t open = line.find('(');
        const std::size_t close = open == std::string::npos ? open : line.find(')', open);
        const std::size_t equals = close == std::string::npos ? close : line.find('=', close);
        if (equals == std::string::npos)
            continue; // not a rule
        std::size_t end = line.find('|', equals);
        if (end == std::string::npos)
            end = line.size();
        Rule rule { Cut(line.substr(0, open), MAX_RULE_CONTEXT),
            Cut(line.substr(open + 1, close - open - 1), MAX_RULE_FOCUS),
            Cut(line.substr(close + 1, equals - close - 1), MAX_RULE_CONTEXT),
            Cut(line.substr(equals + 1, end - equals - 1), MAX_RULE_OUTPUT) };
        for (char& c : rule.focus)
            c = Upper(c);
        // A rule without a focus would match without moving on.
        if (rule.focus.empty())
            continue;
        const int first = static_cast<std::uint8_t>(rule.focus[0]);
        if (first < RULE_FIRST_CHAR || first > RULE_LAST_CHAR)
            continue;
        m_rules[static_cast<std::size_t>(first - RULE_FIRST_CHAR)].push_back(std::move(rule));
    }
    return true;
}

bool WordSynth::LoadExceptions(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (m_exceptions.size() < MAX_EXCEPTIONS && std::getline(in, line)) {
        line = Trim(line);
        const std::size_t equals = line.find('=');
        if (line.empty() || equals == std::string::npos || equals == 0)
            continue;
        std::string word = line.substr(0, equals);
        for (char& c : word)
            c = Lower(c);
        m_exceptions.emplace_back(std::move(word), line.substr(equals + 1));
    }
    // The first entry of a word wins, as in the file.
    std::stable_sort(m_exceptions.begin(), m_exceptions.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

bool WordSynth::LoadIndex(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    for (std::size_t at = 0; at + INDEX_RECORD_BYTES <= bytes.size(); at += INDEX_RECORD_BYTES) {
        const std::size_t length = std::min<std::size_t>(bytes[at], MAX_DIPHONE_NAME);
        std::string name(reinterpret_cast<const char*>(bytes.data()) + at + 1, length);
        for (char& c : name)
            c = Upper(c);
        m_index.push_back(Diphone {
            std::move(name), static_cast<std::uint16_t>(Le(&bytes[at + 9], 2)), Le(&bytes[at + 11], 4) });
    }
    std::stable_sort(
        m_index.begin(), m_index.end(), [](const Diphone& a, const Diphone& b) { return a.name < b.name; });
    return true;
}

std::string WordSynth::ApplyExceptions(const std::string& word) const
{
    auto find = [&](const std::string& key) -> const std::string* {
        auto it = std::lower_bound(m_exceptions.begin(), m_exceptions.end(), key,
            [](const auto& entry, const std::string& k) { return entry.first < k; });
        return it != m_exceptions.end() && it->first == key ? &it->second : nullptr;
    };
    // A plural (or a verb in -m) not listed is found through its stem, and
    // keeps its ending after the stem's pronunciation.
    std::string stem = word;
    std::string removed;
    while (true) {
        if (const std::string* found = find(stem))
            return *found + removed;
        if (stem.empty() || (stem.back() != 's' && stem.back() != 'm'))
            return word;
        removed.insert(removed.begin(), stem.back());
        stem.pop_back();
    }
}

std::string WordSynth::ApplyRules(const std::string& w) const
{
    std::string phonetic = "[";
    std::size_t k = 0;
    while (k < w.size()) {
        const char c = Upper(w[k]);
        std::string output;
        std::size_t advance = 1;
        bool matched = false;
        const int code = static_cast<std::uint8_t>(c);
        if (code >= RULE_FIRST_CHAR && code <= RULE_LAST_CHAR) {
            for (const Rule& rule : m_rules[static_cast<std::size_t>(code - RULE_FIRST_CHAR)]) {
                if (k + rule.focus.size() > w.size())
                    continue;
                bool focus = true;
                for (std::size_t i = 0; i < rule.focus.size() && focus; ++i)
                    focus = Upper(w[k + i]) == rule.focus[i];
                if (!focus || !MatchLeft(w, static_cast<std::ptrdiff_t>(k) - 1, rule.left)
                    || !MatchRight(w, k + rule.focus.size(), rule.right))
                    continue;
                output = rule.output;
                advance = rule.focus.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            output = std::string(" /_") + c;
        if (IsUpperVowel(w[k])) {
            auto vowel = std::find_if(output.begin(), output.end(), IsVowel);
            if (vowel != output.end())
                *vowel = Upper(*vowel);
        }
        phonetic += output;
        k += advance;
        if (k < w.size())
            phonetic += '/';
    }
    return phonetic + "]";
}

std::string WordSynth::Phonetic(std::string word) const
{
    word = ApplyExceptions(word);
    if (IsLetterWord(word)) {
        std::string letters;
        for (char c : word)
            letters += std::string("[ /_") + c + "]";
        return letters;
    }
    const TakenWord taken = Describe(word);
    const bool ends_in_l = !word.empty() && word.back() == 'l';
    if (!taken.accented && (taken.vowels >= 2 || (taken.vowels == 1 && ends_in_l)))
        word = MarkStress(word);
    return ApplyRules(word);
}

std::vector<std::string> WordSynth::PhoneticWords(std::string_view text) const
{
    std::vector<std::string> out;
    for (const std::string& word : TakeWords(PrepareVoiceText(text)))
        out.push_back(Phonetic(word));
    return out;
}

void WordSynth::VoiceSpeakWord(std::string_view text, VoiceOutput& out)
{
    SpeakPhonetic(PhoneticWords(text), out);
}

void WordSynth::SpeakPhonetic(const std::vector<std::string>& phonetic_words, VoiceOutput& out)
{
    if (!m_started)
        return;
    m_out = &out;
    m_stopped = false;
    m_buffer.clear();
    for (const std::string& phonetic : phonetic_words) {
        if (m_stopped)
            break;
        Synthesize(phonetic);
    }
    Flush();
    m_out = nullptr;
}

void WordSynth::Synthesize(const std::string& phonetic)
{
    m_mode = 1;
    std::string unit;
    for (std::size_t i = 0; i < phonetic.size() && !m_stopped; ++i) {
        const char c = phonetic[i];
        if (c == '[') {
            m_mode = 1;
        } else if (c == ' ' || c == ']') {
            SplitUnit(unit, 1.0);
            unit.clear();
            if (c == ']') {
                const int gap = std::max(0, m_settings.word_gap_samples) / 100 * 100;
                AppendSilence(static_cast<std::size_t>(gap));
            }
        } else if (c == '/') {
            if (unit.size() >= LONG_UNIT) {
                SplitUnit(unit, 1.0);
                unit.clear();
            }
        } else if (c == '_' && i + 1 < phonetic.size()) {
            unit += '_';
            unit += phonetic[++i];
        } else if (c == '|') {
            unit = "_TRACO";
        } else {
            unit += c;
        }
    }
    SplitUnit(unit, 1.0);
}

void WordSynth::SplitUnit(const std::string& u, double factor)
{
    const std::size_t n = u.size();
    if (n == 0)
        return;
    // A recorded letter or sign is one sound, never split.
    if (n == 1 || u[0] == '_') {
        PlayMarkers(u, factor);
        return;
    }
    const std::string first_two = u.substr(0, 2);
    const char last = u[n - 1];
    if (n > 2 && IsUnitConsonant(u[0]) && IsUnitConsonant(u[1]) && first_two != "dj" && first_two != "nh"
        && first_two != "rr" && first_two != "ks" && u.substr(0, 3) != "tch") {
        PlayMarkers(u.substr(0, 1), 1.0);
        SplitUnit(u.substr(1), factor);
    } else if (u.ends_with("rr")) {
        SplitUnit(u.substr(0, n - 2), factor);
        PlayMarkers("rr", factor);
    } else if (IsUnitConsonant(last) && last != 's') {
        // A final "s" has its own, shortening join below.
        SplitUnit(u.substr(0, n - 1), factor);
        SplitUnit(u.substr(n - 1), factor);
    } else if (n > 2 && In(last, "wy") && IsUnitVowel(u[n - 2])) {
        SplitUnit(u.substr(0, n - 2), GLIDE_FACTOR);
        PlayMarkers(u.substr(n - 2), factor);
    } else if (n >= 3 && (u[n - 2] == '^' || u[n - 2] == '~')) {
        const char marker = u[n - 2];
        if (n > 3)
            SplitUnit(marker == '^' ? u.substr(0, n - 1) : u.substr(0, n - 2) + "^", GLIDE_FACTOR);
        PlayMarkers(std::string { u[n - 3], last, marker }, factor);
    } else if (last == 's') {
        SplitUnit(u.substr(0, n - 1), PLURAL_FACTOR);
        PlayMarkers("s", factor);
    } else {
        PlayMarkers(u, factor);
    }
}

void WordSynth::PlayMarkers(const std::string& unit, double factor)
{
    if (unit.size() == 2 && unit[0] == '_') {
        PlayPiece("_" + std::to_string(static_cast<std::uint8_t>(unit[1])), m_mode, factor);
        return;
    }
    if (unit.size() > 2 && unit[0] == '_') {
        PlayPiece(unit, m_mode, factor);
        return;
    }
    int mode = m_mode;
    bool stressed = false;
    std::string gathered = "$";
    for (char c : unit) {
        if (IsUpperVowel(c)) {
            stressed = true;
            mode = 2;
            gathered += c;
        } else if (c == '^' || c == '~') {
            PlayPiece(gathered + (c == '^' ? "CIRC" : "TIL"), mode, factor);
            gathered = "$";
        } else {
            gathered += c;
        }
    }
    if (gathered.size() > 1)
        PlayPiece(gathered, mode, factor);
    if (stressed)
        m_mode = 0;
}

void WordSynth::PlayPiece(std::string piece, int mode, double factor)
{
    if (m_stopped || piece.empty())
        return;
    if (piece.size() > MAX_PIECE)
        piece.resize(MAX_PIECE);
    if (piece[0] == '_') {
        if (AppendRecording(piece))
            return;
    } else {
        std::string name = piece;
        for (char& c : name)
            c = Upper(c);
        auto it = std::lower_bound(m_index.begin(), m_index.end(), name,
            [](const Diphone& d, const std::string& key) { return d.name < key; });
        if (it != m_index.end() && it->name == name) {
            int length = it->length;
            // Unstressed diphones lose their tail, which makes running speech
            // flow; the floor keeps short ones audible.
            if (mode < 2 && name.size() >= 3)
                length
                    = std::max(length - m_settings.cut_samples, std::min(m_settings.floor_samples, length));
            const auto count = static_cast<std::size_t>(std::max(0L, core::RoundToLong(length * factor)));
            std::vector<std::uint8_t> samples(m_samples ? count : 0);
            if (m_samples) {
                m_samples->clear();
                m_samples->seekg(static_cast<std::streamoff>(it->offset));
                m_samples->read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(count));
                samples.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, m_samples->gcount())));
            }
            AppendSamples(samples);
            return;
        }
    }
    // Not recorded: approximate from shorter pieces, so speech never stops
    // for a gap in the voice.
    const std::size_t n = piece.size();
    const char last = piece[n - 1];
    if (n <= 2) {
        std::uniform_int_distribution<int> noise(NOISE_LOW, NOISE_HIGH);
        std::vector<std::uint8_t> samples(NOISE_SAMPLES);
        for (auto& s : samples)
            s = static_cast<std::uint8_t>(noise(m_noise));
        AppendSamples(samples);
    } else if (IsUnitVowel(last)) {
        PlayPiece(piece.substr(0, n - 1), mode, factor * FALLBACK_FACTOR);
        PlayPiece(std::string("$") + last, mode, factor);
    } else if (n >= 7 && piece.ends_with("CIRC")) {
        PlayPiece(piece.substr(0, n - 5), mode, factor * FALLBACK_FACTOR);
        PlayPiece("$" + piece.substr(n - 5), mode, factor);
    } else if (piece.ends_with("TIL")) {
        const std::string base = piece.substr(0, n - 3);
        const char before = base.empty() ? '\0' : Upper(base.back());
        if (before != 'I' && before != 'U')
            PlayPiece(base + "CIRC", 2, factor * FALLBACK_FACTOR);
        else
            PlayPiece(base, mode, factor * FALLBACK_FACTOR);
        PlayPiece("$nn", 1, FALLBACK_FACTOR);
    }
}

bool WordSynth::AppendRecording(const std::string& name)
{
    std::ifstream in(m_letters_dir / (name + ".wav"), std::ios::binary);
    if (!in)
        return false;
    std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), {});
    WaveInfo info;
    if (!ParseWave(image, info))
        return false;
    const auto data = std::span<const std::uint8_t>(image).subspan(info.data_offset, info.data_bytes);
    if (info.format.bits_per_sample == 8 && info.format.channels == 1) {
        AppendSamples(data);
        return true;
    }
    // Other recordings are brought to the voice's 8-bit mono.
    std::vector<std::uint8_t> mono;
    const auto frame = static_cast<std::size_t>(info.format.FrameBytes());
    for (std::size_t at = 0; at + frame <= data.size(); at += frame) {
        mono.push_back(
            info.format.bits_per_sample == 8 ? data[at] : static_cast<std::uint8_t>(data[at + 1] ^ 0x80));
    }
    AppendSamples(mono);
    return true;
}

void WordSynth::AppendSilence(std::size_t count)
{
    const std::vector<std::uint8_t> silence(count, SILENCE);
    AppendSamples(silence);
}

void WordSynth::AppendSamples(std::span<const std::uint8_t> samples)
{
    constexpr std::size_t CAPACITY = OUTPUT_BYTES - WAVE_HEADER_BYTES;
    while (!samples.empty() && !m_stopped) {
        if (m_buffer.size() + samples.size() < CAPACITY) {
            m_buffer.insert(m_buffer.end(), samples.begin(), samples.end());
            return;
        }
        if (!m_buffer.empty()) {
            Flush();
            continue;
        }
        // Longer than the whole buffer: played in parts, nothing dropped.
        const std::size_t take = CAPACITY - 1;
        m_buffer.insert(m_buffer.end(), samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(take));
        samples = samples.subspan(take);
    }
}

void WordSynth::Flush()
{
    if (m_buffer.empty() || m_stopped || m_out == nullptr) {
        m_buffer.clear();
        return;
    }
    if (!m_out->PlayVoiceBuffer(m_buffer))
        m_stopped = true;
    m_buffer.clear();
}

} // namespace palavrino::console
