// Text normalisation of the Orvan voice: numbers, ordinals, symbols,
// consonant-only words and abbreviations become words a reader would say.
#include "voice/normalise.h"

#include "messages/voice.h"
#include "voice/chars.h"

#include <array>

namespace palavrino::voice {

namespace {

    constexpr std::array<std::string_view, 95> ASCII_NAMES = {
        "espa\xE7o",
        "exclama\xE7\xE3o",
        "aspas",
        "sustenido",
        "cifr\xE3o",
        "porcento",
        "\xE9 comercial",
        "ap\xF3strofo",
        "abre par\xEAnteses",
        "fecha par\xEAnteses",
        "asterisco",
        "mais",
        "v\xEDrgula",
        "tra\xE7o",
        "ponto",
        "barra",
        "z\xE9ro",
        "um",
        "dois",
        "tr\xEAs",
        "quatro",
        "cinco",
        "seis",
        "s\xE9te",
        "oito",
        "n\xF3ve",
        "dois pontos",
        "ponto e v\xEDrgula",
        "menor que",
        "igual",
        "maior que",
        "interroga\xE7\xE3o",
        "arr\xF4"
        "ba",
        "a",
        "b\xEA",
        " s\xEA",
        " d\xEA",
        "\xE9",
        "\xE9"
        "fe",
        "j\xEA",
        "ag\xE1",
        "i",
        "j\xF3ta",
        "c\xE1",
        "\xE9le",
        "\xEAme",
        "\xEAne",
        "\xF3",
        "p\xEA",
        "qu\xEA",
        "\xE9rre",
        "\xE9sse",
        "t\xEA",
        "u",
        "v\xEA",
        "d\xE1"
        "bliu",
        "xis",
        "\xEDpsilon",
        "z\xEA",
        "abre colchete",
        "raiz",
        "fecha colchete",
        "circunflexo",
        "sublinhado",
        "crase",
        "a",
        "b\xEA",
        " s\xEA",
        " d\xEA",
        "\xE9",
        "\xE9"
        "fe",
        "j\xEA",
        "ag\xE1",
        "i",
        "jota",
        "c\xE1",
        "\xE9le",
        "\xEAme",
        "ene",
        "\xF3",
        "p\xEA",
        "qu\xEA",
        "\xE9rre",
        "\xE9sse",
        "t\xEA",
        "u",
        "v\xEA",
        "d\xE1"
        "bliu",
        "xis",
        "\xEDpsilon",
        "z\xEA",
        "abre chave",
        "barra vertical",
        "fecha chave",
        "til",
    };
    constexpr std::array<std::string_view, 31> SIGN_NAMES = {
        "exclama\xE7\xE3o reversa",
        "centavos de d\xF3lar",
        "libras",
        "s\xEDmbolo de moeda",
        "iene",
        "barra interrompida",
        "par\xE1grafo",
        "trema",
        "copyright",
        "ordinal feminino",
        "Aspas esquerdas",
        "nega\xE7\xE3o",
        "h\xED"
        "fen",
        "Marca registrada",
        "m\xE1"
        "cron",
        "grau",
        "mais ou menos",
        "elevado ao quadrado",
        "elevado ao cubo",
        "acento agudo",
        "mi",
        "pi",
        "ponto no meio",
        "cedilha",
        "expoente um",
        "ordinal masculino",
        "aspas direitas",
        "um quarto",
        "um meio",
        "tr\xEAs quartos",
        "interroga\xE7\xE3o reversa",
    };
    constexpr std::array<std::string_view, 29> ACCENTED_NAMES = {
        "A grave",
        "A agudo",
        "A circunflexo",
        "A com til",
        "A com trema",
        "A bola",
        "A \xC9",
        "C\xEA cedilha",
        "\xC9 grave",
        "\xC9 agudo",
        "\xC9 circunflexo",
        "\xC9 com trema",
        "I grave",
        "I agudo",
        "I circunflexo",
        "I com trema",
        "D\xEA cortado",
        "N com til",
        "\xD3 grave",
        "\xD3 agudo",
        "\xD3 circunflexo",
        "\xD3 com til",
        "\xD3 tremado",
        "vezes",
        "\xD3 cortado",
        "U grave",
        "U agudo",
        "U circunflexo",
        "U com trema",
    };
    constexpr std::array<std::string_view, 10> UNITS = {
        "zero",
        "um",
        "dois",
        "tr\xEAs",
        "quatro",
        "cinco",
        "seis",
        "sete",
        "oito",
        "nove",
    };
    constexpr std::array<std::string_view, 10> TEENS = {
        "dez",
        "onze",
        "doze",
        "treze",
        "quatorze",
        "quinze",
        "dezesseis",
        "dezessete",
        "dezoito",
        "dezenove",
    };
    constexpr std::array<std::string_view, 10> TENS = {
        "",
        "",
        "vinte",
        "trinta",
        "quarenta",
        "cinq\xFC"
        "enta",
        "sessenta",
        "setenta",
        "oitenta",
        "noventa",
    };
    constexpr std::array<std::string_view, 10> HUNDREDS = {
        "",
        "cento",
        "duzentos",
        "trezentos",
        "quatrocentos",
        "quinhentos",
        "seiscentos",
        "setecentos",
        "oitocentos",
        "novecentos",
    };
    constexpr std::array<std::string_view, 4> SCALE_ONE = {
        "trilh\xE3o ",
        "bilh\xE3o ",
        "milh\xE3o ",
        "mil ",
    };
    constexpr std::array<std::string_view, 4> SCALE_MANY = {
        "trilh\xF5"
        "es ",
        "bilh\xF5"
        "es ",
        "milh\xF5"
        "es ",
        "mil ",
    };
    constexpr std::array<std::string_view, 10> ORDINAL_UNITS = {
        "",
        "primeiro",
        "segundo",
        "terceiro",
        "quarto",
        "quinto",
        "sexto",
        "s\xE9timo",
        "oitavo",
        "nono",
    };
    constexpr std::array<std::string_view, 10> ORDINAL_TENS = {
        "",
        "d\xE9"
        "cimo",
        "vig\xE9simo",
        "trig\xE9simo",
        "quadrag\xE9simo",
        "quinquag\xE9simo",
        "sexag\xE9simo",
        "septuag\xE9simo",
        "octag\xE9simo",
        "nonag\xE9simo",
    };
    constexpr std::array<std::string_view, 10> ORDINAL_HUNDREDS = {
        "",
        "cent\xE9simo",
        "ducent\xE9simo",
        "tricent\xE9simo",
        "quadrigent\xE9simo",
        "quingent\xE9simo",
        "seiscent\xE9simo",
        "septigent\xE9simo",
        "octigent\xE9simo",
        "nongent\xE9simo",
    };
    constexpr std::string_view WORD_VIRGULA = "v\xEDrgula ";
    constexpr std::string_view WORD_TRACO = "tra\xE7o";
    constexpr std::string_view WORD_MILESIMO = "mil\xE9simo";
    constexpr std::string_view WORD_DIVIDED = "dividido por";

    // Above this a run of digits is no amount anybody says as one number
    // (an account or card number): it is read digit by digit instead.
    constexpr std::uint64_t MAX_SPOKEN_NUMBER = 999999999999999;
    constexpr std::size_t GROUPS = 5; // trillions, billions, millions, thousands, units
    constexpr std::uint64_t ORDINAL_LIMIT = 2000;
    constexpr char MASCULINE_ORDINAL = '\xBA';
    constexpr char FEMININE_ORDINAL = '\xAA';
    constexpr std::string_view PAUSE_SET = " !(),.:;?";

    // One group of three digits: "cem", "cento e um", "vinte e dois".
    std::string ReadGroup(unsigned group)
    {
        if (group == 100)
            return "cem";
        const unsigned hundreds = group / 100, tens = group / 10 % 10, units = group % 10;
        std::string words(HUNDREDS[hundreds]);
        if (hundreds != 0 && (tens != 0 || units != 0))
            words += " e ";
        if (tens == 1)
            return words + std::string(TEENS[units]);
        words += TENS[tens];
        if (tens != 0 && units != 0)
            words += " e ";
        if (units != 0)
            words += UNITS[units];
        return words;
    }

    std::string FeminineWord(std::string word)
    {
        if (!word.empty())
            word.back() = 'a';
        return word;
    }

    std::string JoinNames(std::string_view text, std::string_view between)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (i != 0)
                out += between;
            out += character_name(Byte(text[i]));
        }
        return out;
    }

} // namespace

std::string_view character_name(std::uint8_t code)
{
    if (code >= 32 && code <= 126)
        return ASCII_NAMES[code - 32];
    if (code >= 161 && code <= 191)
        return SIGN_NAMES[code - 161];
    if (code >= 192 && code <= 220)
        return ACCENTED_NAMES[code - 192];
    // The small a with grave accent is named like its capital, as every other
    // small accented letter is; the division sign is not a multiplication.
    if (code == 224)
        return ACCENTED_NAMES[0];
    if (code == 247)
        return WORD_DIVIDED;
    if (code >= 225)
        return character_name(static_cast<std::uint8_t>(code - 32));
    return {};
}

std::string read_cardinal(std::uint64_t value)
{
    if (value == 0)
        return std::string(UNITS[0]);
    if (value > MAX_SPOKEN_NUMBER) {
        std::string words;
        for (char c : std::to_string(value))
            words += std::string(words.empty() ? "" : " ")
                + std::string(UNITS[static_cast<std::size_t>(c - '0')]);
        return words;
    }
    std::array<unsigned, GROUPS> groups {};
    for (std::size_t i = GROUPS; i-- > 0; value /= 1000)
        groups[i] = static_cast<unsigned>(value % 1000);
    std::size_t last = 0;
    for (std::size_t i = 0; i < GROUPS; ++i) {
        if (groups[i] != 0)
            last = i;
    }
    std::string words;
    for (std::size_t i = 0; i < GROUPS; ++i) {
        if (groups[i] == 0)
            continue;
        // Portuguese joins the last group with "e" only when it is a round
        // hundred or below a hundred: "mil e cem", "mil e dez", but "mil
        // duzentos e trinta".
        if (i == last && !words.empty() && (groups[i] < 100 || groups[i] % 100 == 0))
            words += "e ";
        words += ReadGroup(groups[i]);
        if (i + 1 < GROUPS) {
            words += ' ';
            words += groups[i] == 1 ? SCALE_ONE[i] : SCALE_MANY[i];
        }
    }
    if (words.starts_with("um mil") && !words.starts_with("um milh"))
        words.erase(0, 3);
    return words;
}

std::string read_ordinal(char gender, std::uint64_t value)
{
    if (value == 0)
        return std::string(UNITS[0]);
    if (value >= ORDINAL_LIMIT)
        return read_cardinal(value);
    const std::array<std::string_view, 4> parts = {
        value >= 1000 ? WORD_MILESIMO : std::string_view {},
        ORDINAL_HUNDREDS[value / 100 % 10],
        ORDINAL_TENS[value / 10 % 10],
        ORDINAL_UNITS[value % 10],
    };
    std::string words;
    for (std::string_view part : parts) {
        if (part.empty())
            continue;
        if (!words.empty())
            words += ' ';
        words += gender == 'f' ? FeminineWord(std::string(part)) : std::string(part);
    }
    return words;
}

bool Normaliser::load_abbreviations(std::string_view text, std::string& error)
{
    m_abbreviations.clear();
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view {} : text.substr(end + 1);
        line = TrimBlanks(line);
        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == ';' || equals == std::string_view::npos)
            continue;
        if (m_abbreviations.size() == MAX_ABBREVIATIONS) {
            error = std::string(msg::MSG_VOICE_TABLE_FULL) + "abreviaturas"
                + std::string(msg::MSG_VOICE_TABLE_LIMIT) + std::to_string(MAX_ABBREVIATIONS);
            return false;
        }
        m_abbreviations.emplace_back(
            UpperText(TrimBlanks(line.substr(0, equals))), std::string(TrimBlanks(line.substr(equals + 1))));
    }
    return true;
}

const std::string* Normaliser::FindAbbreviation(std::string_view word) const
{
    const std::string upper = UpperText(word);
    for (const auto& [abbreviation, expansion] : m_abbreviations) {
        if (abbreviation == upper)
            return &expansion;
    }
    return nullptr;
}

namespace {

    constexpr std::array<std::string_view, 12> MONTHS = { "janeiro", "fevereiro", "mar\xE7o", "abril", "maio",
        "junho", "julho", "agosto", "setembro", "outubro", "novembro", "dezembro" };
    constexpr std::size_t MAX_NUMBER_DIGITS = 15;
    constexpr unsigned HOURS_PER_DAY = 24, MINUTES_PER_HOUR = 60, DAYS_PER_MONTH = 31, MONTHS_PER_YEAR = 12;

    struct Digits {
        std::string text; // the digits, thousands separators left out
        std::size_t end { 0 };
    };

    // A run of digits from pos; a "." followed by exactly three digits (and
    // no fourth) is a thousands separator and is skipped.
    Digits ReadDigits(std::string_view text, std::size_t pos)
    {
        Digits digits;
        std::size_t p = pos;
        while (p < text.size()) {
            if (IsDigit(text[p])) {
                digits.text += text[p++];
            } else if (text[p] == '.' && !digits.text.empty() && p + 3 < text.size() && IsDigit(text[p + 1])
                && IsDigit(text[p + 2]) && IsDigit(text[p + 3])
                && (p + 4 == text.size() || !IsDigit(text[p + 4]))) {
                ++p;
            } else {
                break;
            }
        }
        digits.end = p;
        return digits;
    }

    std::uint64_t ValueOf(std::string_view digits)
    {
        std::uint64_t value = 0;
        for (char c : digits)
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        return value;
    }

    std::string DigitByDigit(std::string_view digits)
    {
        std::string words;
        for (char c : digits) {
            if (!words.empty())
                words += ' ';
            words += c == '-' ? WORD_TRACO : UNITS[static_cast<std::size_t>(c - '0')];
        }
        return words;
    }

    // Hours are feminine: "uma hora", "vinte e duas horas".
    std::string FeminineCardinal(std::uint64_t value)
    {
        std::string words = read_cardinal(value);
        if (words == "um" || words.ends_with(" um"))
            return words + "a";
        if (words == "dois" || words.ends_with(" dois"))
            return words.substr(0, words.size() - 4) + "duas";
        return words;
    }

    std::string TrimEnd(std::string words)
    {
        while (!words.empty() && words.back() == ' ')
            words.pop_back();
        return words;
    }

    // "10:30", "10h30", "10h": hours and minutes, as a clock is read.
    bool ReadTime(std::string_view text, std::size_t pos, std::string& out, std::size_t& end)
    {
        std::size_t p = pos;
        while (p < text.size() && p - pos < 2 && IsDigit(text[p]))
            ++p;
        if (p == pos || p >= text.size() || (text[p] != ':' && text[p] != 'h'))
            return false;
        const bool letter_form = text[p] == 'h';
        const std::size_t minutes_at = p + 1;
        const bool has_minutes = minutes_at + 1 < text.size() && IsDigit(text[minutes_at])
            && IsDigit(text[minutes_at + 1])
            && (minutes_at + 2 == text.size() || !IsDigit(text[minutes_at + 2]));
        if (!has_minutes && !letter_form)
            return false;
        const std::size_t after = has_minutes ? minutes_at + 2 : minutes_at;
        if (after < text.size() && (IsLetter(text[after]) || IsDigit(text[after]) || text[after] == ':'))
            return false;
        const unsigned hours = static_cast<unsigned>(ValueOf(text.substr(pos, p - pos)));
        const unsigned minutes = has_minutes ? static_cast<unsigned>(ValueOf(text.substr(minutes_at, 2))) : 0;
        if (hours >= HOURS_PER_DAY || minutes >= MINUTES_PER_HOUR)
            return false;
        out += FeminineCardinal(hours) + (hours == 1 ? " hora" : " horas");
        if (minutes != 0)
            out += " e " + read_cardinal(minutes) + (minutes == 1 ? " minuto" : " minutos");
        out += ' ';
        end = after;
        return true;
    }

    // "25/12/2024" or "1/5": the day, "de" and the month's name, then the year.
    bool ReadDate(std::string_view text, std::size_t pos, std::string& out, std::size_t& end)
    {
        auto field = [&](std::size_t from, std::size_t max_digits, std::size_t& to) {
            to = from;
            while (to < text.size() && to - from < max_digits && IsDigit(text[to]))
                ++to;
            return to > from && (to == text.size() || !IsDigit(text[to]));
        };
        std::size_t day_end = 0, month_end = 0, year_end = 0;
        if (!field(pos, 2, day_end) || day_end >= text.size() || text[day_end] != '/'
            || !field(day_end + 1, 2, month_end))
            return false;
        const unsigned day = static_cast<unsigned>(ValueOf(text.substr(pos, day_end - pos)));
        const unsigned month
            = static_cast<unsigned>(ValueOf(text.substr(day_end + 1, month_end - day_end - 1)));
        if (day == 0 || day > DAYS_PER_MONTH || month == 0 || month > MONTHS_PER_YEAR)
            return false;
        const bool has_year = month_end + 1 < text.size() && text[month_end] == '/'
            && field(month_end + 1, 4, year_end) && year_end - month_end - 1 >= 2;
        // Without a year only "dd/mm" is a date: "1/2" is a fraction.
        if (!has_year && (day_end - pos != 2 || month_end - day_end != 3))
            return false;
        end = has_year ? year_end : month_end;
        if (end < text.size() && (text[end] == '/' || IsLetter(text[end])))
            return false;
        out += day == 1 ? ORDINAL_UNITS[1] : read_cardinal(day);
        out += " de ";
        out += MONTHS[month - 1];
        if (has_year)
            out += " de "
                + TrimEnd(read_cardinal(ValueOf(text.substr(month_end + 1, year_end - month_end - 1))));
        out += ' ';
        return true;
    }

    // "R$ 10,50": reais and centavos, as money is read aloud.
    bool ReadMoney(std::string_view text, std::size_t pos, std::string& out, std::size_t& end)
    {
        std::size_t p = pos + 2; // past "R$"
        while (p < text.size() && text[p] == ' ')
            ++p;
        if (p >= text.size() || !IsDigit(text[p]))
            return false;
        const Digits whole = ReadDigits(text, p);
        if (whole.text.size() > MAX_NUMBER_DIGITS)
            return false;
        std::uint64_t cents = 0;
        end = whole.end;
        if (end + 2 < text.size() && text[end] == ',' && IsDigit(text[end + 1]) && IsDigit(text[end + 2])
            && (end + 3 == text.size() || !IsDigit(text[end + 3]))) {
            cents = ValueOf(text.substr(end + 1, 2));
            end += 3;
        }
        const std::uint64_t reais = ValueOf(whole.text);
        std::string words;
        if (reais != 0 || cents == 0) {
            words = TrimEnd(read_cardinal(reais));
            // "um milhão de reais": a scale word takes "de" before the noun.
            if (words.ends_with("\xE3o")
                || words.ends_with("\xF5"
                                   "es"))
                words += " de";
            words += reais == 1 ? " real" : " reais";
        }
        if (cents != 0) {
            if (!words.empty())
                words += " e ";
            words += read_cardinal(cents) + (cents == 1 ? " centavo" : " centavos");
        }
        out += words + ' ';
        return true;
    }

} // namespace

std::size_t Normaliser::AppendNumber(std::string_view text, std::size_t pos, std::string& out) const
{
    std::size_t end = pos;
    if (ReadDate(text, pos, out, end) || ReadTime(text, pos, out, end))
        return end;
    // A run of digits joined by hyphens (a telephone number) is read digit
    // by digit.
    bool hyphen = false;
    while (end < text.size()
        && (IsDigit(text[end])
            || (text[end] == '-' && end > pos && end + 1 < text.size() && IsDigit(text[end + 1])))) {
        hyphen = hyphen || text[end] == '-';
        ++end;
    }
    if (hyphen) {
        out += DigitByDigit(text.substr(pos, end - pos)) + ' ';
        return end;
    }
    while (pos + 1 < text.size() && text[pos] == '0' && IsDigit(text[pos + 1])) {
        out += "zero ";
        ++pos;
    }
    const Digits digits = ReadDigits(text, pos);
    end = digits.end;
    if (digits.text.size() > MAX_NUMBER_DIGITS) {
        out += DigitByDigit(digits.text) + ' ';
        return end;
    }
    const std::uint64_t value = ValueOf(digits.text);
    const std::string_view rest = text.substr(end);
    std::string words;
    if (rest.starts_with("os.") || rest.starts_with("as.")) {
        words = read_ordinal(rest[0] == 'a' ? 'f' : 'm', value);
        // Every word of a plural ordinal is plural: "vigésimos primeiros".
        for (std::size_t at = words.find(' '); at != std::string::npos; at = words.find(' ', at + 2))
            words.insert(at, "s");
        words += 's';
        end += 3;
    } else if (rest.starts_with(MASCULINE_ORDINAL) || rest.starts_with("o.")) {
        words = read_ordinal('m', value);
        end += rest[0] == 'o' ? 2 : 1;
    } else if (rest.starts_with(FEMININE_ORDINAL) || rest.starts_with("a.")) {
        words = read_ordinal('f', value);
        end += rest[0] == 'a' ? 2 : 1;
    } else {
        words = read_cardinal(value);
    }
    out += words + ' ';
    return end;
}

std::size_t Normaliser::AppendWord(std::string_view text, std::size_t pos, std::string& out) const
{
    std::size_t end = pos;
    bool consonants_only = true;
    while (end < text.size()
        && (IsLetter(text[end]) || (text[end] == '-' && end + 1 < text.size() && IsLetter(text[end + 1])))) {
        consonants_only = consonants_only && (text[end] == '-' || IsConsonant(text[end]));
        ++end;
    }
    const std::string_view word = text.substr(pos, end - pos);
    // "nº", "nª": the ordinal sign belongs to the abbreviation.
    if (end < text.size() && (text[end] == MASCULINE_ORDINAL || text[end] == FEMININE_ORDINAL)) {
        if (const std::string* expansion = FindAbbreviation(std::string(word) + text[end])) {
            out += *expansion;
            return end + 1;
        }
    }
    const bool point_ends_word = end < text.size() && text[end] == '.'
        && (end + 1 == text.size() || text[end + 1] == ' ' || text[end + 1] == '\n' || text[end + 1] == '\r');
    if (point_ends_word) {
        if (const std::string* expansion = FindAbbreviation(word)) {
            out += *expansion;
            return end + 1;
        }
    }
    out += consonants_only ? JoinNames(word, "") : std::string(word);
    return end;
}

std::string Normaliser::normalise_text(std::string_view original) const
{
    const std::string named
        = original.size() == 1 ? std::string(character_name(Byte(original[0]))) : std::string(original);
    const std::string_view text = named.empty() ? original : std::string_view(named);
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        const bool next_is_blank = pos + 1 < text.size() && text[pos + 1] == ' ';
        if (c == '-' && pos > 0 && text[pos - 1] == ' ' && next_is_blank) {
            out += ',';
            ++pos;
        } else if (c == '-' && pos + 1 < text.size() && IsDigit(text[pos + 1])) {
            out += "menos ";
            ++pos;
        } else if (c == 'R' && pos + 1 < text.size() && text[pos + 1] == '$'
            && (pos == 0 || !IsLetter(text[pos - 1])) && ReadMoney(text, pos, out, pos)) {
        } else if (IsDigit(c)) {
            pos = AppendNumber(text, pos, out);
            // "1,5" and "3.50": the parts of a decimal number.
            while (
                pos + 1 < text.size() && (text[pos] == ',' || text[pos] == '.') && IsDigit(text[pos + 1])) {
                out += text[pos] == ',' ? WORD_VIRGULA : "ponto ";
                pos = AppendNumber(text, pos + 1, out);
            }
        } else if (IsLetter(c)) {
            pos = AppendWord(text, pos, out);
        } else if (text.substr(pos).starts_with("...")) {
            out += "... ";
            pos += 3;
        } else if (c == '.' && pos + 1 < text.size() && text[pos + 1] != ' ' && text[pos + 1] != '\n'
            && text[pos + 1] != '\r' && text[pos + 1] != '\t') {
            out += " ponto ";
            ++pos;
        } else if (PAUSE_SET.find(c) != std::string_view::npos) {
            out += c;
            ++pos;
        } else if (c == '\t' || c == '\n' || c == '\r') {
            // A line break or tab is a blank to the reader.
            out += ' ';
            ++pos;
        } else {
            out += ' ';
            out += character_name(Byte(c));
            out += ' ';
            ++pos;
        }
    }
    return out;
}

} // namespace palavrino::voice
