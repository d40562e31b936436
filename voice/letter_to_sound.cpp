// Letter-to-sound of the Orvan voice: exception lookup, the stress finder,
// the context rules and liaison. Pronunciations live in the data files;
// this file only knows how rules and exceptions are read and applied.
#include "voice/letter_to_sound.h"

#include "messages/voice.h"
#include "voice/chars.h"

#include <algorithm>

namespace palavrino::voice {

namespace {

    constexpr std::string_view STRESS_ACCENTS = "\xE0\xE1\xE2\xE3\xE9\xEA\xED\xF3\xF4\xF5\xFA";
    constexpr std::string_view STRESS_VOWELS = "aeiouwy\xFC";
    constexpr std::array<std::string_view, 6> UNSTRESSED_WORDS
        = { "POR", "DAS", "DOS", "COM", "N\xC3O", "SIM" };
    constexpr std::size_t SHORTEST_STRESSED_WORD = 3;
    constexpr std::string_view PAUSE_CHARACTERS = ",.;:()!?";

    bool In(std::string_view set, char c)
    {
        return set.find(c) != std::string_view::npos;
    }

    enum class StressState : std::uint8_t {
        Start = 0,
        AfterFinalVowel = 1,
        PenultSearch = 2,
        PenultGlide = 3,
        AfterU = 4,
        PenultU = 5,
        AfterFinalU = 6,
        AfterFinalI = 7,
        AfterIU = 8,
        AfterFinalConsonant = 9,
        AfterFinalM = 10,
        Stop = 11,
    };

    // One step of the stress finder's scan, from the end of the word: the
    // letter at pos (1-based) moves the state and may mark the stress.
    StressState StressStep(StressState state, char c, std::size_t pos, std::size_t& mark)
    {
        using S = StressState;
        const bool aeo = In("aeo", c);
        const bool vowel = In("aeiou", c);
        switch (state) {
        case S::Start:
            if (aeo || c == 'i' || c == 'u')
                mark = pos;
            return aeo     ? S::AfterFinalVowel
                : c == 'i' ? S::AfterFinalI
                : c == 'u' ? S::AfterFinalU
                : c == 'm' ? S::AfterFinalM
                : c == 's' ? S::Start
                           : S::AfterFinalConsonant;
        case S::AfterFinalVowel:
            if (c == 'u')
                return S::AfterU;
            if (vowel) {
                mark = pos;
                return S::Stop;
            }
            return S::PenultSearch;
        case S::PenultSearch:
            if (vowel)
                mark = pos;
            return aeo ? S::Stop : vowel ? S::PenultGlide : S::PenultSearch;
        case S::PenultGlide:
            if (aeo)
                mark = pos;
            return c == 'u' ? S::PenultU : aeo ? S::Stop : S::Stop;
        case S::AfterU:
            mark = c == 'g' || c == 'q' ? pos + 2 : pos + 1;
            return c == 'g' || c == 'q' ? S::PenultSearch : S::Stop;
        case S::PenultU:
        case S::AfterIU:
            mark = c == 'g' || c == 'q' ? pos + 2 : pos + 1;
            return S::Stop;
        case S::AfterFinalU:
            if (In("aeio", c))
                mark = pos;
            return S::Stop;
        case S::AfterFinalI:
            if (aeo) {
                mark = pos;
                return S::AfterFinalI;
            }
            return c == 'u' ? S::AfterIU : S::Stop;
        case S::AfterFinalConsonant:
            if (vowel)
                mark = pos;
            return vowel ? S::Stop : S::AfterFinalConsonant;
        case S::AfterFinalM:
            if (vowel)
                mark = pos;
            return In("ae", c) ? S::AfterFinalVowel : vowel ? S::Stop : S::Start;
        case S::Stop:
            return S::Stop;
        }
        return S::Stop;
    }

    std::string_view NextLine(std::string_view& text)
    {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        return line;
    }

    std::string LineError(std::string_view file, std::size_t line_number, std::string_view line)
    {
        return std::string(msg::MSG_VOICE_RULES) + " (" + std::string(file) + ", linha "
            + std::to_string(line_number) + "): " + std::string(line);
    }

    // "left(focus)right=phonemes|"
    bool ParseRule(std::string_view line, Rule& rule)
    {
        const std::size_t open = line.find('(');
        const std::size_t close = open == std::string_view::npos ? open : line.find(')', open + 1);
        const std::size_t equals = close == std::string_view::npos ? close : line.find('=', close + 1);
        if (equals == std::string_view::npos || close == open + 1)
            return false;
        std::string_view phonemes = line.substr(equals + 1);
        phonemes = phonemes.substr(0, phonemes.find('|'));
        rule.left = UpperText(TrimBlanks(line.substr(0, open)));
        rule.focus = UpperText(line.substr(open + 1, close - open - 1));
        rule.right = UpperText(TrimBlanks(line.substr(close + 1, equals - close - 1)));
        rule.phonemes = TrimBlanks(phonemes);
        return rule.left.size() <= MAX_RULE_FIELD && rule.focus.size() <= MAX_RULE_FIELD
            && rule.right.size() <= MAX_RULE_FIELD && rule.phonemes.size() <= MAX_RULE_PHONEMES;
    }

    bool IsBackVowel(char c)
    {
        return In("AO\xC1\xC2\xD3\xD4", UpperChar(c));
    }
    bool IsFrontVowel(char c)
    {
        return In("EI\xC9\xCD", UpperChar(c));
    }
    bool IsLiquid(char c)
    {
        return In("LR", UpperChar(c));
    }

    bool LeftMatches(std::string_view context, std::string_view word, std::size_t pos)
    {
        // pos is the focus's first index; the context is read leftwards.
        std::size_t at = pos; // letters left of at remain
        for (std::size_t k = context.size(); k-- > 0;) {
            const char symbol = context[k];
            const bool have = at > 0;
            const char c = have ? UpperChar(word[at - 1]) : '\0';
            if (symbol == '%') {
                if (have)
                    return false;
                continue;
            }
            if (symbol == '_' && !have)
                continue;
            if (!have)
                return false;
            const bool ok = symbol == '#' || symbol == '_' ? IsVowel(c)
                : symbol == ']'                            ? IsBackVowel(c)
                : symbol == '|'                            ? In("NRS", c)
                                                           : c == symbol;
            if (!ok)
                return false;
            --at;
        }
        return true;
    }

    bool RightMatches(std::string_view context, std::string_view word, std::size_t at)
    {
        for (char symbol : context) {
            const bool have = at < word.size();
            const char c = have ? UpperChar(word[at]) : '\0';
            switch (symbol) {
            case '%':
                if (have)
                    return false;
                continue;
            case '\\':
                at += have && c == 'S' ? 1 : 0;
                continue;
            case '[':
                if (have && (!IsConsonant(c) || c == 'H'))
                    return false;
                continue;
            case '*':
                if (!have || !IsConsonant(c) || IsLiquid(c))
                    return false;
                continue;
            default:
                break;
            }
            if (!have)
                return false;
            const bool ok = symbol == '#' ? IsVowel(c)
                : symbol == '+'           ? IsFrontVowel(c)
                : symbol == '&'           ? In("LMNRZ", c)
                                          : c == symbol;
            if (!ok)
                return false;
            ++at;
        }
        return true;
    }

    std::string_view WithoutMarks(std::string_view phoneme)
    {
        while (!phoneme.empty() && (phoneme.front() == STRESS_MARK || phoneme.front() == STRETCH_END_MARK))
            phoneme.remove_prefix(1);
        return phoneme;
    }

} // namespace

std::size_t FindStress(std::string_view word)
{
    const std::string lower = LowerText(word);
    std::size_t letters = 0;
    for (char c : lower)
        letters += IsLetter(c) ? 1 : 0;
    const std::string upper = UpperText(word);
    if (letters < SHORTEST_STRESSED_WORD
        || std::find(UNSTRESSED_WORDS.begin(), UNSTRESSED_WORDS.end(), upper) != UNSTRESSED_WORDS.end())
        return 0;
    for (std::size_t i = lower.size(); i-- > 0;) {
        if (In(STRESS_ACCENTS, lower[i]))
            return i + 1;
    }
    if (std::none_of(lower.begin(), lower.end(), [](char c) { return In(STRESS_VOWELS, c); }))
        return 0;
    std::size_t mark = 0;
    StressState state = StressState::Start;
    for (std::size_t i = lower.size(); i-- > 0 && state != StressState::Stop;) {
        // "-ens" and "-ins" are plurals of "-em" and "-im": stressed alike
        // (HOmens, JOvens, jarDINS).
        const bool plural_n
            = state == StressState::Start && lower[i] == 'n' && i + 1 < lower.size() && lower[i + 1] == 's';
        state = plural_n ? StressState::AfterFinalM : StressStep(state, lower[i], i + 1, mark);
    }
    return std::min(mark, lower.size());
}

bool LetterToSound::load_rules(
    std::string_view rules_text, std::string_view exceptions_text, std::string& error)
{
    for (auto& group : m_groups)
        group.clear();
    m_exceptions.clear();
    std::size_t line_number = 0;
    while (!rules_text.empty()) {
        const std::string_view raw = NextLine(rules_text);
        ++line_number;
        const std::string_view line = TrimBlanks(raw);
        if (line.empty() || line.front() == ';')
            continue;
        Rule rule;
        if (!ParseRule(line, rule)) {
            error = LineError("regras", line_number, line);
            return false;
        }
        m_groups[Byte(rule.focus.front())].push_back(std::move(rule));
    }
    line_number = 0;
    while (!exceptions_text.empty()) {
        const std::string line = UpperText(TrimBlanks(NextLine(exceptions_text)));
        ++line_number;
        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == ';')
            continue;
        if (equals == std::string::npos || equals == 0) {
            error = LineError("exce\xE7\xF5"
                              "es",
                line_number, line);
            return false;
        }
        if (m_exceptions.size() == MAX_EXCEPTIONS) {
            error = std::string(msg::MSG_VOICE_TABLE_FULL)
                + "exce\xE7\xF5"
                  "es"
                + std::string(msg::MSG_VOICE_TABLE_LIMIT) + std::to_string(MAX_EXCEPTIONS);
            return false;
        }
        std::string respelling = line.substr(equals + 1);
        respelling = std::string(TrimBlanks(respelling.substr(0, respelling.find('|'))));
        m_exceptions.emplace_back(std::string(TrimBlanks(line.substr(0, equals))), std::move(respelling));
    }
    // A word listed twice keeps its first respelling.
    std::stable_sort(m_exceptions.begin(), m_exceptions.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

std::size_t LetterToSound::RuleCount() const
{
    std::size_t count = 0;
    for (const auto& group : m_groups)
        count += group.size();
    return count;
}

std::string LetterToSound::ApplyExceptions(std::string_view upper_word) const
{
    std::string stem(upper_word);
    std::string removed;
    auto less = [](const auto& entry, const std::string& word) { return entry.first < word; };
    while (!stem.empty()) {
        const auto found = std::lower_bound(m_exceptions.begin(), m_exceptions.end(), stem, less);
        if (found != m_exceptions.end() && found->first == stem)
            return found->second + removed;
        // Plurals and verb forms: "TÁXIS" is "TÁXI" plus "S".
        const char last = stem.back();
        if (stem.size() < 2 || (last != 'S' && last != 'M'))
            break;
        removed.insert(removed.begin(), last);
        stem.pop_back();
    }
    return std::string(upper_word);
}

bool LetterToSound::RuleFires(const Rule& rule, std::string_view word, std::size_t pos) const
{
    if (pos + rule.focus.size() > word.size())
        return false;
    for (std::size_t k = 0; k < rule.focus.size(); ++k) {
        if (UpperChar(word[pos + k]) != rule.focus[k])
            return false;
    }
    return LeftMatches(rule.left, word, pos) && RightMatches(rule.right, word, pos + rule.focus.size());
}

std::vector<std::string> LetterToSound::ApplyRules(std::string_view word, std::size_t stressed) const
{
    std::vector<std::string> lines;
    bool marked = stressed == 0;
    std::size_t pos = 0;
    while (pos < word.size()) {
        const std::uint8_t first = Byte(UpperChar(word[pos]));
        const Rule* fired = nullptr;
        if (first >= ' ') {
            for (const Rule& rule : m_groups[first]) {
                if (RuleFires(rule, word, pos)) {
                    fired = &rule;
                    break;
                }
            }
        }
        if (fired == nullptr) {
            ++pos;
            continue;
        }
        bool line_open = false;
        for (char c : fired->phonemes) {
            if (c == '&') {
                line_open = false;
                continue;
            }
            if (!line_open)
                lines.emplace_back();
            line_open = true;
            if (!marked && pos + 1 >= stressed) {
                lines.back() += STRESS_MARK;
                marked = true;
            }
            lines.back() += c;
        }
        pos += fired->focus.size();
    }
    return lines;
}

std::vector<std::string> LetterToSound::WordPhonemes(std::string_view word) const
{
    const std::string spelled = ApplyExceptions(UpperText(word));
    return ApplyRules(spelled, FindStress(spelled));
}

std::vector<std::string> LetterToSound::phonetise(const std::vector<std::string>& tokens) const
{
    std::vector<std::string> lines;
    for (const std::string& token : tokens) {
        lines.push_back(";" + token);
        const std::size_t bar = token.find('|');
        const std::string_view word
            = bar == std::string::npos ? std::string_view {} : std::string_view(token).substr(bar + 1);
        if (word.empty()) {
            lines.emplace_back(LONG_PAUSE);
            lines.emplace_back();
        } else if (In(PAUSE_CHARACTERS, word.front())) {
            lines.push_back(std::string("_") + word.front());
        } else {
            for (std::string& phoneme : WordPhonemes(word))
                lines.push_back(std::move(phoneme));
        }
    }
    lines.emplace_back(LONG_PAUSE);
    ApplyLiaison(lines);
    return lines;
}

void ApplyLiaison(std::vector<std::string>& lines)
{
    for (std::size_t k = 1; k + 1 < lines.size(); ++k) {
        std::string& before = lines[k - 1];
        const std::string_view next = WithoutMarks(lines[k + 1]);
        if (!lines[k].starts_with(';') || before.empty() || before.starts_with(';') || next.empty()
            || lines[k + 1].starts_with(';') || !In("aeiouwy", next.front()))
            continue;
        const std::size_t marks = before.size() - WithoutMarks(before).size();
        const std::string_view name = std::string_view(before).substr(marks);
        if (name == "r2")
            before = before.substr(0, marks) + "r";
        else if (name == "s2")
            before = before.substr(0, marks) + "z";
    }
}

} // namespace palavrino::voice
