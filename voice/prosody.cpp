// Prosody of the Orvan voice: reading the prosody and diphone files, token
// classes and intonation patterns, and the MBROLA lines with durations,
// pitch points and diphone bridges.
#include "voice/prosody.h"

#include "messages/voice.h"
#include "voice/chars.h"
#include "voice/letter_to_sound.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace palavrino::voice {

namespace {

    // Halves away from zero, as std::lround, which would bring in the maths
    // library for this alone (loading it costs every start). The values are
    // pitches and durations, far inside the range where a double's
    // fraction is exact.
    long RoundToLong(double x)
    {
        constexpr double LIMIT = 4503599627370496.0; // 2^52: whole numbers from here
        if (!(x > -LIMIT && x < LIMIT))
            return x > 0 ? static_cast<long>(LIMIT) : -static_cast<long>(LIMIT);
        long whole = static_cast<long>(x);
        const double rest = x - static_cast<double>(whole);
        if (rest >= 0.5)
            ++whole;
        else if (rest <= -0.5)
            --whole;
        return whole;
    }

    constexpr std::string_view DURATION_SECTION = "[DURA\xC7\xC3O]";
    constexpr std::string_view KEYWORD_SECTION = "[CHAVES]";
    constexpr std::string_view PATTERN_SECTION = "[PROS\xD3"
                                                 "DIA]";
    constexpr std::string_view BOUNDARY_TOKEN = "[--]";
    constexpr std::string_view ELLIPSIS_TOKEN = "[.-].";
    constexpr std::string_view UNKNOWN_CLASS = "XX";
    constexpr int PERCENT = 100;
    // Long words are said faster before their stress, as speakers do.
    constexpr std::size_t LONG_WORD_CHARS = 13, MEDIUM_WORD_CHARS = 9;
    constexpr int LONG_WORD_PERCENT = 80, MEDIUM_WORD_PERCENT = 90;
    constexpr int WORD_START_POINT_PERCENT = 50, STRESS_POINT_PERCENT = 80, UTTERANCE_END_POINT_PERCENT = 50;
    constexpr std::size_t PITCH_DIGITS = 10;

    // The lines of one section, without comments and blank lines; nothing
    // when the section is absent.
    std::optional<std::vector<std::string_view>> Section(std::string_view text, std::string_view name)
    {
        std::optional<std::vector<std::string_view>> lines;
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            const std::string_view line = TrimBlanks(text.substr(0, end));
            text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
            if (line.empty() || line.front() == '*' || line.front() == ';')
                continue;
            if (line.front() == '[') {
                if (lines)
                    return lines;
                if (UpperText(line) == name)
                    lines.emplace();
                continue;
            }
            if (lines)
                lines->push_back(line);
        }
        return lines;
    }

    std::optional<int> ParseInt(std::string_view text)
    {
        text = TrimBlanks(text);
        bool negative = false;
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
            negative = text.front() == '-';
            text.remove_prefix(1);
        }
        if (text.empty() || text.size() > 9)
            return std::nullopt;
        int value = 0;
        for (char c : text) {
            if (!IsDigit(c))
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        return negative ? -value : value;
    }

    std::string TableFull(std::string_view table, std::size_t limit)
    {
        return std::string(msg::MSG_VOICE_TABLE_FULL) + std::string(table)
            + std::string(msg::MSG_VOICE_TABLE_LIMIT) + std::to_string(limit);
    }

    bool ValidIntonation(std::string_view value)
    {
        return value.size() == 3 && (IsDigit(value[0]) || value[0] == '?') && IsDigit(value[1])
            && IsDigit(value[2]);
    }

    std::string CodeOf(std::string_view token)
    {
        const std::size_t close = token.find(']');
        return close == std::string_view::npos ? std::string {} : std::string(token.substr(1, close - 1));
    }

    std::string TextOf(std::string_view token)
    {
        const std::size_t close = token.find(']');
        return close == std::string_view::npos ? std::string(token) : std::string(token.substr(close + 1));
    }

    std::string StripMarks(std::string_view phoneme, bool& stressed, bool& stretch_end)
    {
        stressed = !phoneme.empty() && phoneme.front() == STRESS_MARK;
        if (stressed)
            phoneme.remove_prefix(1);
        stretch_end = !phoneme.empty() && phoneme.front() == STRETCH_END_MARK;
        if (stretch_end)
            phoneme.remove_prefix(1);
        return std::string(phoneme);
    }

} // namespace

bool Prosody::LoadProsody(std::string_view text, std::string& error, std::vector<std::string>& warnings)
{
    m_durations_ms.clear();
    m_keywords.clear();
    m_patterns.clear();
    m_base_hz = DEFAULT_BASE_HZ;
    return LoadDurations(text, error, warnings) && LoadKeywords(text, error) && LoadPatterns(text, error);
}

bool Prosody::LoadDurations(std::string_view text, std::string& error, std::vector<std::string>& warnings)
{
    const auto lines = Section(text, DURATION_SECTION);
    if (!lines) {
        error = msg::MSG_PROSODY_NO_DURATIONS;
        return false;
    }
    for (std::string_view line : *lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || TrimBlanks(line.substr(0, equals)).empty()) {
            error = std::string(msg::MSG_PROSODY_BAD_PHONEME) + std::string(line);
            return false;
        }
        auto duration = ParseInt(line.substr(equals + 1));
        if (!duration || *duration < 0 || *duration > MAX_DURATION_MS) {
            warnings.push_back(std::string(msg::MSG_PROSODY_BAD_PHONEME) + std::string(line));
            duration = DEFAULT_DURATION_MS;
        }
        m_durations_ms.emplace_back(std::string(TrimBlanks(line.substr(0, equals))), *duration);
    }
    std::stable_sort(m_durations_ms.begin(), m_durations_ms.end(),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

bool Prosody::LoadKeywords(std::string_view text, std::string& error)
{
    const auto lines = Section(text, KEYWORD_SECTION);
    if (!lines) {
        error = msg::MSG_PROSODY_NO_KEYWORDS;
        return false;
    }
    for (std::string_view line : *lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            error = std::string(msg::MSG_PROSODY_BAD_KEY) + std::string(line);
            return false;
        }
        if (m_keywords.size() == MAX_KEYWORDS) {
            error = TableFull("[CHAVES]", MAX_KEYWORDS);
            return false;
        }
        m_keywords.emplace_back(UpperText(TrimBlanks(line.substr(0, equals))),
            UpperText(TrimBlanks(line.substr(equals + 1))).substr(0, CLASS_CODE_CHARS));
    }
    std::stable_sort(
        m_keywords.begin(), m_keywords.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return true;
}

bool Prosody::LoadPatterns(std::string_view text, std::string& error)
{
    const auto lines = Section(text, PATTERN_SECTION);
    if (!lines) {
        error = msg::MSG_PROSODY_NO_PATTERNS;
        return false;
    }
    for (std::string_view raw : *lines) {
        const std::string line = UpperText(raw);
        const std::size_t equals = line.find('=');
        const std::string bad_line = std::string(msg::MSG_PROSODY_BAD_KEY) + std::string(raw);
        if (equals == std::string::npos) {
            error = bad_line;
            return false;
        }
        const std::string_view key = TrimBlanks(std::string_view(line).substr(0, equals));
        const std::string_view value = TrimBlanks(std::string_view(line).substr(equals + 1));
        if (key == "HERTZ") {
            const auto hz = ParseInt(value);
            if (!hz || *hz <= 0 || *hz > MAX_DURATION_MS) {
                error = bad_line;
                return false;
            }
            m_base_hz = *hz;
            continue;
        }
        if (key == "TABHERTZ") {
            std::size_t digit = 0;
            std::string_view rest = value;
            for (; digit < PITCH_DIGITS && !rest.empty(); ++digit) {
                const std::size_t comma = rest.find(',');
                const auto percent = ParseInt(rest.substr(0, comma));
                if (!percent || *percent < 0 || *percent > MAX_DURATION_MS)
                    break;
                m_pitch_percent[digit] = *percent;
                rest = comma == std::string_view::npos ? std::string_view {} : rest.substr(comma + 1);
            }
            if (digit != PITCH_DIGITS || !rest.empty()) {
                error = bad_line;
                return false;
            }
            continue;
        }
        IntonationPattern pattern;
        std::array<std::string*, 3> fields = { &pattern.previous, &pattern.current, &pattern.next };
        std::string_view rest = key;
        for (std::string* field : fields) {
            const std::size_t bar = rest.find('|');
            *field = std::string(TrimBlanks(rest.substr(0, bar))).substr(0, PATTERN_FIELD_CHARS);
            rest = bar == std::string_view::npos ? std::string_view {} : rest.substr(bar + 1);
        }
        pattern.value = value;
        // A value that is not three digits would index past the pitch table.
        if (!ValidIntonation(pattern.value)) {
            error = bad_line;
            return false;
        }
        if (m_patterns.size() == MAX_PATTERNS) {
            error = TableFull("[PROS\xD3"
                              "DIA]",
                MAX_PATTERNS);
            return false;
        }
        m_patterns.push_back(std::move(pattern));
    }
    return true;
}

void Prosody::LoadDiphones(std::string_view text)
{
    m_diphones.clear();
    auto phoneme_char
        = [](char c) { return c == '2' || c == '_' || (UpperChar(c) >= '@' && UpperChar(c) <= 'Z'); };
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = TrimBlanks(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        if (line.empty() || line.front() == '!' || line.front() == '*' || line.front() == ';')
            continue;
        std::array<std::string, 2> names;
        std::size_t at = 0;
        for (std::string& name : names) {
            while (at < line.size() && !phoneme_char(line[at]))
                ++at;
            while (at < line.size() && phoneme_char(line[at]))
                name += UpperChar(line[at++]);
        }
        if (!names[0].empty() && !names[1].empty())
            m_diphones.push_back(names[0] + "-" + names[1]);
    }
    std::sort(m_diphones.begin(), m_diphones.end());
}

bool Prosody::HasDiphone(std::string_view first, std::string_view second) const
{
    const std::string key = UpperText(first) + "-" + UpperText(second);
    return std::binary_search(m_diphones.begin(), m_diphones.end(), key);
}

int Prosody::DurationMs(std::string_view phoneme, int fallback) const
{
    const auto found = std::lower_bound(m_durations_ms.begin(), m_durations_ms.end(), phoneme,
        [](const auto& entry, std::string_view name) { return entry.first < name; });
    return found != m_durations_ms.end() && found->first == phoneme ? found->second : fallback;
}

std::string Prosody::ClassOf(std::string_view word) const
{
    const std::string upper = UpperText(word);
    const auto found = std::lower_bound(m_keywords.begin(), m_keywords.end(), upper,
        [](const auto& entry, const std::string& name) { return entry.first < name; });
    return found != m_keywords.end() && found->first == upper ? found->second : std::string(UNKNOWN_CLASS);
}

std::vector<std::string> Prosody::Tokenise(std::string_view text) const
{
    std::vector<std::string> tokens { std::string(BOUNDARY_TOKEN) };
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++pos;
            continue;
        }
        std::string token;
        if (c == '.' && pos + 1 < text.size() && text[pos + 1] == '.') {
            while (pos < text.size() && text[pos] == '.')
                ++pos;
            token = ELLIPSIS_TOKEN;
        } else if (IsLetter(c)) {
            const std::size_t start = pos;
            // A hyphen between letters keeps a compound together.
            while (pos < text.size()
                && (IsLetter(text[pos])
                    || (text[pos] == '-' && pos + 1 < text.size() && IsLetter(text[pos + 1]))))
                ++pos;
            const std::string_view word = text.substr(start, pos - start);
            token = "[" + ClassOf(word) + "]" + std::string(word);
        } else {
            token = std::string("[") + c + c + "]" + c;
            ++pos;
        }
        const char first = TextOf(token).front();
        tokens.push_back(std::move(token));
        if (first == '!' || first == '.' || first == '?')
            tokens.emplace_back(BOUNDARY_TOKEN);
    }
    return tokens;
}

std::string Prosody::PatternValue(
    std::string_view previous, std::string_view current, std::string_view next) const
{
    for (const IntonationPattern& pattern : m_patterns) {
        if ((pattern.previous.empty() || pattern.previous == previous)
            && (pattern.current.empty() || pattern.current == current)
            && (pattern.next.empty() || pattern.next == next))
            return pattern.value;
    }
    return std::string(NEUTRAL_INTONATION);
}

std::vector<std::string> Prosody::Intonate(const std::vector<std::string>& tokens) const
{
    std::vector<std::string> result;
    result.reserve(tokens.size());
    char previous_end = NEUTRAL_INTONATION[2];
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string previous = i > 0 ? CodeOf(tokens[i - 1]) : std::string {};
        const std::string next = i + 1 < tokens.size() ? CodeOf(tokens[i + 1]) : std::string {};
        std::string value = PatternValue(previous, CodeOf(tokens[i]), next);
        // "?" continues from where the previous token ended.
        if (value.front() == '?')
            value.front() = previous_end;
        previous_end = value[2];
        const bool boundary = tokens[i] == BOUNDARY_TOKEN;
        result.push_back(value + "|" + (boundary ? std::string {} : TextOf(tokens[i])));
    }
    return result;
}

std::string Prosody::PitchPoint(int position_percent, char digit, double pitch_ratio) const
{
    if (!IsDigit(digit))
        return {};
    const int percent = m_pitch_percent[static_cast<std::size_t>(digit - '0')];
    if (percent == 0)
        return {};
    const long hz = RoundToLong(percent * pitch_ratio * m_base_hz) / PERCENT;
    return " " + std::to_string(position_percent) + " " + std::to_string(hz);
}

std::vector<std::string> Prosody::BuildLines(
    const std::vector<std::string>& phonetised, double pitch_ratio, double duration_ratio) const
{
    std::vector<std::string> out;
    int factor = NORMAL_FACTOR_PERCENT;
    int pitch_step = 0;
    std::string intonation(NEUTRAL_INTONATION);
    std::size_t word_chars = 0;
    std::string previous = "_";
    for (std::size_t i = 0; i < phonetised.size(); ++i) {
        const std::string& line = phonetised[i];
        if (line.starts_with(';')) {
            const std::size_t bar = line.find('|');
            if (bar != std::string::npos && bar == 4)
                intonation = line.substr(1, 3);
            out.push_back(";" + (bar == std::string::npos ? line.substr(1) : line.substr(bar + 1)));
            pitch_step = 0;
            word_chars = out.back().size();
            continue;
        }
        if (line.empty()) {
            factor = NORMAL_FACTOR_PERCENT;
            out.emplace_back();
            continue;
        }
        bool stressed = false, stretch_end = false;
        std::string name = StripMarks(line, stressed, stretch_end);
        if (stressed) {
            factor = STRESSED_FACTOR_PERCENT;
            pitch_step = 2;
        } else if (stretch_end) {
            factor = NORMAL_FACTOR_PERCENT;
        }
        int base_ms = DEFAULT_DURATION_MS;
        if (name.starts_with('_')) {
            if (name.size() > 2 && name[1] == ' ')
                base_ms = ParseInt(name.substr(2)).value_or(DEFAULT_DURATION_MS);
            else if (name != "_")
                base_ms = DurationMs(name, DEFAULT_DURATION_MS);
            name = "_";
        } else {
            base_ms = DurationMs(name, DEFAULT_DURATION_MS);
            if (pitch_step < 2 && word_chars > LONG_WORD_CHARS)
                base_ms = base_ms * LONG_WORD_PERCENT / PERCENT;
            else if (pitch_step < 2 && word_chars > MEDIUM_WORD_CHARS)
                base_ms = base_ms * MEDIUM_WORD_PERCENT / PERCENT;
        }
        base_ms = std::clamp(base_ms, 0, MAX_DURATION_MS);
        const long duration_ms = RoundToLong(base_ms * factor * duration_ratio) / PERCENT;
        std::string points;
        const bool ends = i + 1 == phonetised.size() || phonetised[i + 1].empty();
        if (pitch_step == 0) {
            points = PitchPoint(WORD_START_POINT_PERCENT, intonation[0], pitch_ratio);
            pitch_step = 1;
        } else if (pitch_step == 2) {
            points = PitchPoint(STRESS_POINT_PERCENT, intonation[1], pitch_ratio);
            pitch_step = 3;
        } else if (pitch_step == 3 && ends) {
            points = PitchPoint(UTTERANCE_END_POINT_PERCENT, intonation[2], pitch_ratio);
        }
        if (!HasDiphone(previous, name)) {
            if (previous == "r2" && HasDiphone("r2", "_"))
                out.push_back("_ " + std::to_string(BRIDGE_MS));
            else
                out.push_back((HasDiphone(previous, "y") ? "y " : "_ ") + std::to_string(BRIDGE_MS));
        }
        out.push_back(name + " " + std::to_string(duration_ms) + points);
        previous = name;
    }
    return out;
}

} // namespace palavrino::voice
