// How long the user waits for speech to start: from Speak to the first
// buffer of espeak-ng's samples reaching the sound output, measured with a
// sink that only notes when its first block arrives; and what starting the
// speech layer costs, eager or deferred to the first spoken text.
#include "console/config.h"
#include "console/keyboard.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "platform/terminal.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

class FirstBlockSink final : public palavrino::platform::AudioSink {
public:
    palavrino::platform::AudioStatus Play(
        const palavrino::platform::PcmFormat&, std::span<const std::uint8_t>) override
    {
        if (!m_first)
            m_first = Clock::now();
        return palavrino::platform::AudioStatus::Ok;
    }
    bool IsPlaying() override { return false; }
    void Stop() override { }
    void Reset() { m_first.reset(); }
    std::optional<Clock::time_point> First() const { return m_first; }

private:
    std::optional<Clock::time_point> m_first;
};

// No keys, nothing shown.
class QuietTerminal final : public palavrino::platform::Terminal {
public:
    void TextWritten(std::string_view) override { }
    void CellsChanged(int, int, int) override { }
    void RegionScrolled(int, int, int, int) override { }
    void TitleChanged(std::string_view) override { }
    void Bell() override { }
    void Refresh(const palavrino::platform::CellView&) override { }
    bool KeyWaiting() override { return false; }
    bool WaitForKey(int) override { return false; }
    std::uint8_t ReadKeyByte() override { return 27; }
    bool InputEnded() override { return false; }
    bool IsLive() const override { return true; }
};

void SpeakToFirstBuffer(benchmark::State& state)
{
    using namespace palavrino;
    QuietTerminal terminal;
    console::Keyboard keyboard(terminal);
    console::ScreenModel screen;
    FirstBlockSink sink;
    console::Speech speech(screen, keyboard, sink);
    console::ConfigFile config; // no built-in voice data: espeak-ng speaks
    speech.SpeechInit(config, "");
    if (!speech.EngineActive()) {
        state.SkipWithError("espeak-ng or its voice data is not installed");
        return;
    }
    const std::string text = "Bom dia. Este \xE9 um teste de lat\xEAncia da fala em portugu\xEAs.";
    for (auto _ : state) {
        sink.Reset();
        const auto start = Clock::now();
        speech.Speak(text);
        const auto first = sink.First().value_or(Clock::now());
        state.SetIterationTime(std::chrono::duration<double>(first - start).count());
    }
}
BENCHMARK(SpeakToFirstBuffer)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

// Starting the speech layer as the program does before a script's first
// line: eager (the engine and its voice list at once) or deferred to the
// first spoken text, which a script that never speaks does not pay for.
void StartSpeechLayer(benchmark::State& state)
{
    using namespace palavrino;
    const bool deferred = state.range(0) != 0;
    QuietTerminal terminal;
    console::Keyboard keyboard(terminal);
    console::ScreenModel screen;
    FirstBlockSink sink;
    console::ConfigFile config;
    for (auto _ : state) {
        console::Speech speech(screen, keyboard, sink);
        if (deferred)
            speech.DeferStart([] { return std::string(); });
        speech.SpeechInit(config, "");
        speech.SpeechEnd();
    }
    state.SetLabel(deferred ? "deferred" : "eager");
}
BENCHMARK(StartSpeechLayer)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
