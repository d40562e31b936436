// The external speech engines behind Speak. Each back end offers the same
// small contract: start with a voice, rate and pitch; speak a text without
// waiting; say whether it is still speaking; stop; end. Engines run on the
// program's thread and are polled. Which one runs is chosen by the speech
// layer from the configuration (section SERVFALA, key TIPOSAPI).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace palavrino::console {

class Synthesizer {
public:
    virtual ~Synthesizer() = default;
    virtual bool Start(int voice, int rate, int pitch) = 0;
    virtual void Speak(std::string_view text) = 0;
    virtual bool IsSpeaking() = 0;
    virtual void Stop() = 0;
    virtual void End() = 0;

    // Spelled text and single characters are normally recorded sounds that
    // the speech layer plays itself. A back end that answers true here takes
    // them instead (the log does, so that they can be checked).
    virtual bool TakesSpelling() const { return false; }
    virtual void SpellText(std::string_view) { }
    virtual void SpeakCharacter(std::uint8_t) { }
};

// Says nothing; used when no engine is configured or the engine failed.
class SilentSynthesizer final : public Synthesizer {
public:
    bool Start(int, int, int) override { return true; }
    void Speak(std::string_view) override { }
    bool IsSpeaking() override { return false; }
    void Stop() override { }
    void End() override { }
};

// Appends every text it is asked to speak to a file, one line per request,
// in UTF-8 with "\n" line ends (see synth_log.cpp for the exact forms).
std::unique_ptr<Synthesizer> MakeLogSynthesizer(std::filesystem::path file);

} // namespace palavrino::console
