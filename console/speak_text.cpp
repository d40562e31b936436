// The built-in voice's text walk, and Portuguese number words with their
// recorded files.
#include "console/speak_text.h"

#include <array>

namespace palavrino::console {

namespace {

    // Numbers longer than this are read digit by digit: a long run of
    // digits is a code or a telephone number more often than a quantity.
    constexpr std::size_t MAX_NUMBER_DIGITS = 6;
    // From this many of the same character in a row on, each further one
    // is only a tick (a ruler of dashes is not read out dash by dash).
    constexpr int REPEAT_TICK_FROM = 5;
    // Number-word files are named by at most this many characters,
    // underscore included.
    constexpr std::size_t WORD_FILE_CHARS = 8;

    constexpr std::array<const char*, 10> UNITS
        = { "zero", "um", "dois", "tres", "quatro", "cinco", "seis", "sete", "oito", "nove" };
    constexpr std::array<const char*, 10> TEENS = { "dez", "onze", "doze", "treze", "quatorze", "quinze",
        "dezesseis", "dezessete", "dezoito", "dezenove" };
    constexpr std::array<const char*, 10> TENS
        = { "", "", "vinte", "trinta", "quarenta", "cinquenta", "sessenta", "setenta", "oitenta", "noventa" };
    constexpr std::array<const char*, 10> HUNDREDS = { "", "cento", "duzentos", "trezentos", "quatrocentos",
        "quinhentos", "seiscentos", "setecentos", "oitocentos", "novecentos" };
    // Scale words of the first four three-digit groups: one, and more.
    constexpr std::array<const char*, 4> SCALE_ONE = { "trilh\xE3o", "bilh\xE3o", "milh\xE3o", "mil" };
    constexpr std::array<const char*, 4> SCALE_MANY = { "trilh\xF5"
                                                        "es",
        "bilh\xF5"
        "es",
        "milh\xF5"
        "es",
        "mil" };

    constexpr std::array<const char*, 7> WEEKDAYS
        = { "Domingo", "Segunda", "Terca", "Quarta", "Quinta", "Sexta", "Sabado" };
    constexpr std::array<const char*, 7> WEEKDAY_TEXTS = { "domingo", "segunda",
        "ter\xE7"
        "a",
        "quarta", "quinta", "sexta",
        "s\xE1"
        "bado" };
    constexpr std::array<const char*, 12> MONTHS = { "Janeiro", "Fevereiro", "Marco", "Abril", "Maio",
        "Junho", "Julho", "Agosto", "Setembro", "Outubro", "Novembro", "Dezembro" };
    constexpr std::size_t MONTH_FILE_LETTERS = 7;

    bool IsDigit(char c)
    {
        return c >= '0' && c <= '9';
    }

    bool IsLetter(char c)
    {
        const auto u = static_cast<std::uint8_t>(c);
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u >= 128;
    }

    char UpperLatin1(char c)
    {
        const auto u = static_cast<std::uint8_t>(c);
        if ((c >= 'a' && c <= 'z') || u > 223)
            return static_cast<char>(u - 32);
        return c;
    }

    void SpellOut(std::string_view text, SpeakTextOutput& out)
    {
        for (char c : text) {
            if (out.StopRequested())
                return;
            out.SpeakChar(static_cast<std::uint8_t>(c));
        }
    }

    // One three-digit group in words, without its scale.
    std::string GroupWords(int group)
    {
        if (group == 100)
            return "cem";
        const int hundreds = group / 100;
        const int tens = group / 10 % 10;
        const int units = group % 10;
        std::string words;
        if (hundreds != 0) {
            words = HUNDREDS[static_cast<std::size_t>(hundreds)];
            if (group % 100 != 0)
                words += " e ";
        }
        if (tens == 1)
            return words + TEENS[static_cast<std::size_t>(units)];
        if (tens != 0) {
            words += TENS[static_cast<std::size_t>(tens)];
            if (units != 0)
                words += " e ";
        }
        if (units != 0)
            words += UNITS[static_cast<std::size_t>(units)];
        return words;
    }

    // The text a recorded word stands for, when it must be synthesized.
    std::string SpokenForm(const std::string& word)
    {
        if (word == "tres")
            return "tr\xEAs";
        return word;
    }

    void AppendNumber(std::vector<RecordedWord>& out, std::uint64_t number, bool feminine)
    {
        for (auto& word : NumberWordFiles(NumberToWords(number), feminine))
            out.push_back(std::move(word));
    }

    // A number: a run of digits and hyphens that starts with 1-9.
    void SpeakNumber(std::string_view run, SpeakTextOutput& out)
    {
        if (run.find('-') != std::string_view::npos || run.size() > MAX_NUMBER_DIGITS) {
            SpellOut(run, out);
            return;
        }
        std::uint64_t value = 0;
        for (char c : run)
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        out.SpeakNumberWords(NumberToWords(value), false);
    }

    void Punctuation(std::string_view text, const PunctuationPauses& pauses, SpeakTextOutput& out)
    {
        const char c = text[0];
        const bool blank_follows = text.size() > 1 && text[1] == ' ';
        out.WaitSpeech();
        out.SpeakChar(static_cast<std::uint8_t>(c));
        int pause_ms = 0;
        if (c == '(' || c == ')' || c == ':' || c == ';')
            pause_ms = pauses.colon_ms;
        else if ((c == ',' || c == '-') && blank_follows)
            pause_ms = pauses.comma_ms;
        else if (c == '.' && blank_follows)
            pause_ms = pauses.full_stop_ms;
        if (pause_ms > 0)
            out.PauseMs(pause_ms);
    }

} // namespace

void SpeakTextWalk(std::string_view input, const PunctuationPauses& pauses, SpeakTextOutput& out)
{
    const std::string padded = std::string(input) + ' ';
    std::string_view text = padded;
    char repeated = 0;
    int repeat_count = 0;
    while (!text.empty()) {
        if (out.StopRequested())
            return;
        const char c = text[0];
        if (!IsDigit(c) && !IsLetter(c)) {
            repeat_count = c == repeated ? repeat_count + 1 : 1;
            repeated = c;
        } else {
            repeat_count = 0;
            repeated = 0;
        }

        if (c == '0') {
            out.PlayNamed("_zero");
            text.remove_prefix(1);
        } else if (IsDigit(c)) {
            std::size_t end = 1;
            while (end < text.size() && (IsDigit(text[end]) || text[end] == '-'))
                ++end;
            SpeakNumber(text.substr(0, end), out);
            text.remove_prefix(end);
        } else if (IsLetter(c)) {
            std::size_t end = 1;
            while (end < text.size() && IsLetter(text[end]))
                ++end;
            const std::string_view word = text.substr(0, end);
            std::string upper;
            for (char w : word)
                upper.push_back(UpperLatin1(w));
            if (upper == "WWW")
                SpellOut(word, out);
            else
                out.SpeakWord(word);
            text.remove_prefix(end);
            // Hyphenated words run on without the hyphen's sound.
            if (text.size() > 1 && text[0] == '-' && IsLetter(text[1]))
                text.remove_prefix(1);
        } else if (repeat_count >= REPEAT_TICK_FROM) {
            out.Tick();
            text.remove_prefix(1);
        } else if (c == '-') {
            const char next = text.size() > 1 ? text[1] : ' ';
            if (next == ' ' || next == '-')
                Punctuation(text, pauses, out);
            else if (IsDigit(next))
                out.PlayNamed("_MENOS");
            else
                out.SpeakChar(static_cast<std::uint8_t>(c));
            text.remove_prefix(1);
        } else if (c == ':' && text.substr(1, 2) == "//") {
            SpellOut(text.substr(0, 3), out);
            text.remove_prefix(3);
        } else if (c == '\t' || c == '\n' || c == '\r' || c == ' ') {
            text.remove_prefix(1);
        } else if (c == '(' || c == ')' || c == ',' || c == '.' || c == ':' || c == ';') {
            Punctuation(text, pauses, out);
            text.remove_prefix(1);
        } else {
            out.SpeakChar(static_cast<std::uint8_t>(c));
            text.remove_prefix(1);
        }
    }
}

std::string NumberToWords(std::uint64_t number)
{
    if (number == 0)
        return "zero";
    constexpr std::size_t GROUPS = 5;
    std::array<int, GROUPS> groups {};
    for (std::size_t i = GROUPS; i-- > 0;) {
        groups[i] = static_cast<int>(number % 1000);
        number /= 1000;
    }
    std::size_t last_group = 0;
    for (std::size_t i = 0; i < GROUPS; ++i) {
        if (groups[i] != 0)
            last_group = i;
    }
    std::string text;
    for (std::size_t i = 0; i < GROUPS; ++i) {
        if (groups[i] == 0)
            continue;
        if (i == last_group && !text.empty())
            text += "e ";
        text += GroupWords(groups[i]);
        if (i + 1 < GROUPS)
            text += std::string(" ") + (groups[i] == 1 ? SCALE_ONE[i] : SCALE_MANY[i]) + " ";
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.starts_with("um mil") && !text.starts_with("um milh"))
        text.erase(0, 3);
    return text;
}

std::vector<RecordedWord> NumberWordFiles(std::string_view words, bool feminine)
{
    std::vector<RecordedWord> out;
    std::size_t at = 0;
    while (at < words.size()) {
        while (at < words.size() && words[at] == ' ')
            ++at;
        std::size_t end = at;
        while (end < words.size() && words[end] != ' ')
            ++end;
        if (end == at)
            break;
        std::string word(words.substr(at, end - at));
        const std::string spoken = SpokenForm(word);
        for (char& c : word) {
            if (c == '\xE3')
                c = 'a';
            else if (c == '\xF5')
                c = 'o';
        }
        if (word == "dezessete")
            word = "dezeset";
        std::string file = "_" + word;
        if (file.size() > WORD_FILE_CHARS)
            file.resize(WORD_FILE_CHARS);
        out.push_back(RecordedWord { file, spoken });
        at = end;
    }
    if (feminine && !out.empty()) {
        RecordedWord& last = out.back();
        if (last.file == "_um")
            last = RecordedWord { "_uma", "uma" };
        else if (last.file == "_dois")
            last = RecordedWord { "_duas", "duas" };
    }
    return out;
}

std::vector<RecordedWord> TimeWords(int hour, int minute)
{
    std::vector<RecordedWord> out;
    AppendNumber(out, static_cast<std::uint64_t>(hour < 0 ? 0 : hour), true);
    out.push_back(hour <= 1 ? RecordedWord { "_hora", "hora" } : RecordedWord { "_horas", "horas" });
    if (minute > 0) {
        AppendNumber(out, static_cast<std::uint64_t>(minute), false);
        out.push_back(
            minute == 1 ? RecordedWord { "_minuto", "minuto" } : RecordedWord { "_minutos", "minutos" });
    }
    return out;
}

std::vector<RecordedWord> DateWords(int weekday, int day, int month, int year)
{
    std::vector<RecordedWord> out;
    if (weekday >= 0 && weekday < 7) {
        const auto w = static_cast<std::size_t>(weekday);
        out.push_back(RecordedWord { std::string("_") + WEEKDAYS[w], WEEKDAY_TEXTS[w] });
    }
    if (day == 1)
        out.push_back(RecordedWord { "_primeir", "primeiro" });
    else
        AppendNumber(out, static_cast<std::uint64_t>(day < 0 ? 0 : day), false);
    out.push_back(RecordedWord { "_de", "de" });
    if (month >= 1 && month <= 12) {
        const std::string name = MONTHS[static_cast<std::size_t>(month - 1)];
        std::string spoken = name;
        spoken[0] = static_cast<char>(spoken[0] - 'A' + 'a');
        if (spoken == "marco")
            spoken = "mar\xE7o";
        out.push_back(RecordedWord { "_" + name.substr(0, MONTH_FILE_LETTERS), spoken });
    }
    out.push_back(RecordedWord { "_de", "de" });
    // The year as one number: the same words as "two thousand and" the last
    // two digits for 2001-2099, and still right beyond them.
    AppendNumber(out, static_cast<std::uint64_t>(year < 0 ? 0 : year), false);
    return out;
}

} // namespace palavrino::console
