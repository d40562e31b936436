// The Orvan voice's pipeline: normalise, tokenise and intonate, phonetise,
// then durations and pitch.
#include "voice/orvan_voice.h"

#include "messages/voice.h"

#include <algorithm>
#include <cmath>

namespace palavrino::voice {

bool OrvanVoice::open_voice(const VoiceFiles& files, std::string& error)
{
    m_open = false;
    m_warnings.clear();
    std::string detail;
    if (!m_rules.load_rules(files.rules, files.exceptions, detail)) {
        error = detail;
        return false;
    }
    if (!m_normaliser.load_abbreviations(files.abbreviations, detail)) {
        error = std::string(msg::MSG_VOICE_ABBREVIATIONS) + ": " + detail;
        return false;
    }
    if (!m_prosody.LoadProsody(files.prosody, detail, m_warnings)) {
        error = std::string(msg::MSG_VOICE_PROSODY) + ": " + detail;
        return false;
    }
    m_prosody.LoadDiphones(files.diphones);
    m_open = true;
    return true;
}

void OrvanVoice::set_voice_ratios(double pitch_ratio, double duration_ratio)
{
    // NaN fails every comparison: it falls back to the normal ratio.
    auto sane = [](double ratio) {
        return ratio >= MIN_RATIO ? std::min(ratio, MAX_RATIO) : ratio < MIN_RATIO ? MIN_RATIO : 1.0;
    };
    m_pitch_ratio = sane(pitch_ratio);
    m_duration_ratio = sane(duration_ratio);
}

Utterance OrvanVoice::Analyse(std::string_view text) const
{
    Utterance utterance;
    const bool blank = std::all_of(
        text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    if (!m_open || blank)
        return utterance;
    utterance.normalised = m_normaliser.normalise_text(text);
    utterance.tokens = m_prosody.Tokenise(utterance.normalised);
    utterance.intonated = m_prosody.Intonate(utterance.tokens);
    utterance.phonemes = m_rules.phonetise(utterance.intonated);
    utterance.lines = m_prosody.BuildLines(utterance.phonemes, m_pitch_ratio, m_duration_ratio);
    return utterance;
}

long OrvanVoice::TotalMs(const std::vector<std::string>& lines)
{
    long total = 0;
    for (const std::string& line : lines) {
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        const std::size_t blank = line.find(' ');
        if (blank == std::string::npos)
            continue;
        long ms = 0;
        for (std::size_t i = blank + 1; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
            ms = ms * 10 + (line[i] - '0');
        total += ms;
    }
    return total;
}

} // namespace palavrino::voice
