// The external speech engines behind Speak. Each back end offers the same
// small contract: start with a voice, rate and pitch; speak a text without
// waiting; say whether it is still speaking; stop; end. Engines are called
// on the program's thread and polled (espeak-ng synthesizes on a thread of
// its own behind that). Which one runs is chosen by the speech
// layer from the configuration (section SERVFALA, key TIPOSAPI).
//
// Engines that make samples themselves (espeak-ng) hand them to the speech
// layer's wave player through SynthAudio, so that stopping speech silences
// them at once; engines with their own audio (speech-dispatcher) do not.
#pragma once

#include "platform/audio_sink.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

namespace palavrino::console {

class Synthesizer {
public:
    virtual ~Synthesizer() = default;
    // voice: 1-based number among the engine's voices (0: its default);
    // rate and pitch: -10 to 10 around the engine's normal.
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
    // Says one character by its name; also used when its recording is
    // missing.
    virtual void SpeakCharacter(std::uint8_t) { }
};

// Where an engine that makes samples puts them.
class SynthAudio {
public:
    virtual ~SynthAudio() = default;
    // Queues samples of speech. False when speech was stopped (a key was
    // pressed): the engine must abandon the rest of the text.
    virtual bool DeliverPcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples) = 0;
    // Whether speech was stopped (a key was pressed), for engines that wait
    // for their samples and must give up at once.
    virtual bool StopRequested() { return false; }

    // For engines that synthesize on a thread of their own: queue samples
    // and say how many blocks wait at the output, both safe to call from
    // that thread (the keyboard is not looked at; the engine's Stop is what
    // ends its speech). False when the output refuses the format.
    virtual bool QueuePcm(const platform::PcmFormat& format, std::span<const std::uint8_t> samples)
    {
        return DeliverPcm(format, samples);
    }
    virtual std::size_t QueuedBlocks() { return 0; }
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

// What espeak-ng says besides the words: how much punctuation it reads
// ("[SERVFALA] PONTUACAO": NENHUMA, ALGUMA or TODA) and how it marks
// capital letters ("MAIUSCULAS": NADA, TOM (a higher pitch), SOM (a click)
// or FALA (the word "maiúscula")). Unknown or empty values keep the
// defaults: no punctuation, no marking.
struct EspeakOptions {
    enum class Punctuation : std::uint8_t { None = 0, Some = 1, All = 2 };
    enum class Capitals : std::uint8_t { None = 0, Pitch = 1, Sound = 2, Spoken = 3 };
    Punctuation punctuation { Punctuation::None };
    Capitals capitals { Capitals::None };
    bool operator==(const EspeakOptions&) const = default;
};
EspeakOptions ParseEspeakOptions(std::string_view punctuation, std::string_view capitals);

// The words per minute of a rate -10..10: 85 at -10, 175 at 0, and 450 (the
// fastest espeak-ng speaks) at 10.
int EspeakRateWpm(int rate);

// espeak-ng with its Brazilian Portuguese voice; samples go to audio.
std::unique_ptr<Synthesizer> MakeEspeakSynthesizer(SynthAudio& audio, EspeakOptions options = {});

// The desktop's speech-dispatcher, with the user's own speech settings:
// the rate and pitch handed to Start are applied only where given (named
// in the settings file). Starting fails, quickly and quietly, when no
// daemon can be reached.
std::unique_ptr<Synthesizer> MakeDispatcherSynthesizer(bool rate_given, bool pitch_given);

} // namespace palavrino::console
