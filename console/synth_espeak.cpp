// espeak-ng as the external engine. The library runs in synchronous mode
// on a thread of the engine's own: Speak hands the text over and returns at
// once, however long the text, and each short piece of samples goes to the
// sound output as it is made, so speech starts after the first piece. The
// output is kept at most a minute ahead of what is heard. Stop (a key
// press, seen by the speech layer) drops what is waiting and cuts the text
// being made within a piece.
//
// The library is one per process; engines share it, and the voice settings
// are put back whenever another engine spoke in between.
#include "console/synthesizer.h"
#include "encoding/encoding.h"
#include "platform/dynamic_library.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <espeak-ng/speak_lib.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace palavrino::console {

namespace {

    // Each callback carries this much audio: short, so that speech starts
    // soon and stops promptly.
    constexpr int CHUNK_MS = 50;
    constexpr int NORMAL_RATE_WPM = 175;
    constexpr int FASTEST_RATE_WPM = 450; // espeak-ng's fast mode at its top
    constexpr int RATE_STEP_DOWN_WPM = 9; // rate -10: 85 words per minute
    // The pitch raise of a capital letter, in Hz, when capitals are marked
    // by pitch.
    constexpr int CAPITAL_PITCH_RAISE_HZ = 20;
    constexpr int NORMAL_PITCH = 50;
    constexpr int PITCH_STEP = 5; // pitch 0-100 for -10..10
    constexpr int SETTING_LIMIT = 10;
    // How far synthesis may run ahead of what is heard: a minute of
    // CHUNK_MS pieces. Beyond it the engine's thread waits for the device.
    constexpr std::size_t MAX_BLOCKS_AHEAD = 1200;
    constexpr auto DEVICE_POLL = std::chrono::milliseconds(10);
    // A device that plays nothing for this long is given up on: the text
    // being made is dropped rather than held for ever.
    constexpr auto STUCK_DEVICE = std::chrono::seconds(2);

    // The library's functions, bound when the first engine starts: a
    // script that never speaks through espeak-ng does not load it.
    struct EspeakApi {
        decltype(&::espeak_Initialize) espeak_Initialize { nullptr };
        decltype(&::espeak_SetSynthCallback) espeak_SetSynthCallback { nullptr };
        decltype(&::espeak_SetVoiceByName) espeak_SetVoiceByName { nullptr };
        decltype(&::espeak_Synth) espeak_Synth { nullptr };
        decltype(&::espeak_Char) espeak_Char { nullptr };
        decltype(&::espeak_SetParameter) espeak_SetParameter { nullptr };
        decltype(&::espeak_SetPunctuationList) espeak_SetPunctuationList { nullptr };
        decltype(&::espeak_ListVoices) espeak_ListVoices { nullptr };
    };

    // Null when libespeak-ng cannot be loaded: the engine then fails to
    // start, and the speech layer says no voice could be started.
    const EspeakApi* Api()
    {
        static const EspeakApi* const api = []() -> const EspeakApi* {
            static EspeakApi table;
            void* library = platform::OpenLibrary("libespeak-ng.so.1");
            bool ok = library != nullptr;
            ok = ok && PL_BIND(library, table, espeak_Initialize);
            ok = ok && PL_BIND(library, table, espeak_SetSynthCallback);
            ok = ok && PL_BIND(library, table, espeak_SetVoiceByName);
            ok = ok && PL_BIND(library, table, espeak_Synth);
            ok = ok && PL_BIND(library, table, espeak_Char);
            ok = ok && PL_BIND(library, table, espeak_SetParameter);
            ok = ok && PL_BIND(library, table, espeak_SetPunctuationList);
            ok = ok && PL_BIND(library, table, espeak_ListVoices);
            return ok ? &table : nullptr;
        }();
        return api;
    }

    class EspeakSynthesizer;

    // The process-wide library: initialized by the first engine that starts
    // and kept for the rest of the run. It is never terminated: this
    // espeak-ng, once terminated, hangs when initialized and terminated
    // again, and a restart of the speech layer must not pay for a reload.
    struct EspeakLibrary {
        std::mutex mutex;
        bool initialized { false };
        int sample_rate_hz { 0 };
        const EspeakSynthesizer* configured_for { nullptr };
        // The engine synthesizing right now: the samples' destination.
        EspeakSynthesizer* speaking { nullptr };
    };

    EspeakLibrary& Library()
    {
        // The library itself is global state; this mirrors it, nothing more.
        static EspeakLibrary library;
        return library;
    }

    int OnSamples(short* samples, int count, espeak_EVENT* events);

    class EspeakSynthesizer final : public Synthesizer {
    public:
        EspeakSynthesizer(SynthAudio& audio, EspeakOptions options)
            : m_audio(audio)
            , m_options(options)
        {
        }
        ~EspeakSynthesizer() override
        {
            End();
            {
                std::lock_guard lock(m_jobs_mutex);
                m_quit = true;
            }
            m_jobs_changed.notify_all();
            if (m_worker.joinable())
                m_worker.join();
        }

        bool Start(int voice, int rate, int pitch) override
        {
            End();
            EspeakLibrary& library = Library();
            std::lock_guard lock(library.mutex);
            if (!Api())
                return false;
            if (!library.initialized) {
                const int rate_hz = Api()->espeak_Initialize(
                    AUDIO_OUTPUT_SYNCHRONOUS, CHUNK_MS, nullptr, espeakINITIALIZE_DONT_EXIT);
                if (rate_hz <= 0)
                    return false;
                library.sample_rate_hz = rate_hz;
                library.initialized = true;
                Api()->espeak_SetSynthCallback(OnSamples);
            }
            m_voice_name = ChooseVoice(voice);
            // The library starts without its voice data; a voice that does
            // not load means nothing can be said.
            if (Api()->espeak_SetVoiceByName(m_voice_name.c_str()) != EE_OK)
                return false;
            m_started = true;
            rate = std::clamp(rate, -SETTING_LIMIT, SETTING_LIMIT);
            m_rate_wpm = EspeakRateWpm(rate);
            m_pitch = NORMAL_PITCH + std::clamp(pitch, -SETTING_LIMIT, SETTING_LIMIT) * PITCH_STEP;
            if (!Configure(library)) {
                Release(library);
                return false;
            }
            return true;
        }

        void Speak(std::string_view text) override
        {
            if (m_started)
                Queue(Job { encoding::Cp1252ToUtf8(text), 0 });
        }

        void SpeakCharacter(std::uint8_t c) override
        {
            if (!m_started)
                return;
            // The character's Unicode value, which espeak-ng names ("ponto").
            const std::string utf8 = encoding::Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
            const auto decoded = encoding::DecodeUtf8Char(utf8);
            if (decoded)
                Queue(Job { {}, static_cast<wchar_t>(decoded->code_point) });
        }

        // Texts waiting or being made; what is already queued at the sound
        // output is the speech layer's to wait for.
        bool IsSpeaking() override
        {
            std::lock_guard lock(m_jobs_mutex);
            return m_busy || !m_jobs.empty();
        }

        // Drops the waiting texts and returns once the one being made has
        // been abandoned, so that nothing of it reaches the output later.
        void Stop() override
        {
            std::unique_lock lock(m_jobs_mutex);
            ++m_generation;
            m_jobs.clear();
            m_idle.wait(lock, [this] { return !m_busy; });
        }

        void End() override
        {
            if (!m_started)
                return;
            Stop();
            EspeakLibrary& library = Library();
            std::lock_guard lock(library.mutex);
            Release(library);
        }

        // Called by the library, on the engine's thread, for each piece of
        // samples; false stops it.
        bool Deliver(const short* samples, int count)
        {
            if (Abandoned())
                return false;
            if (samples == nullptr || count <= 0)
                return true;
            std::size_t queued = m_audio.QueuedBlocks();
            auto still_since = std::chrono::steady_clock::now();
            while (queued >= MAX_BLOCKS_AHEAD) {
                if (Abandoned())
                    return false;
                std::this_thread::sleep_for(DEVICE_POLL);
                const std::size_t now = m_audio.QueuedBlocks();
                if (now != queued)
                    still_since = std::chrono::steady_clock::now();
                else if (std::chrono::steady_clock::now() - still_since >= STUCK_DEVICE)
                    return false;
                queued = now;
            }
            const platform::PcmFormat format { Library().sample_rate_hz, 16, 1 };
            const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(samples),
                static_cast<std::size_t>(count) * sizeof(short));
            return m_audio.QueuePcm(format, bytes) && !Abandoned();
        }

    private:
        // A text to say, or one character (when the text is empty).
        struct Job {
            std::string utf8;
            wchar_t character;
            unsigned generation { 0 };
        };

        void Queue(Job job)
        {
            {
                std::lock_guard lock(m_jobs_mutex);
                job.generation = m_generation;
                m_jobs.push_back(std::move(job));
                if (!m_worker.joinable())
                    m_worker = std::thread([this] { Work(); });
            }
            m_jobs_changed.notify_one();
        }

        void Work()
        {
            std::unique_lock lock(m_jobs_mutex);
            for (;;) {
                m_jobs_changed.wait(lock, [this] { return m_quit || !m_jobs.empty(); });
                if (m_quit)
                    return;
                Job job = std::move(m_jobs.front());
                m_jobs.pop_front();
                m_busy = true;
                m_current_generation = job.generation;
                lock.unlock();
                Synthesize(job);
                lock.lock();
                m_busy = false;
                m_idle.notify_all();
            }
        }

        bool Abandoned() const { return m_current_generation != m_generation.load(); }

        void Synthesize(const Job& job)
        {
            if (Abandoned())
                return;
            EspeakLibrary& library = Library();
            std::lock_guard lock(library.mutex);
            if (!Configure(library))
                return;
            library.speaking = this;
            if (job.utf8.empty())
                Api()->espeak_Char(job.character);
            else
                Api()->espeak_Synth(job.utf8.c_str(), job.utf8.size() + 1, 0, POS_CHARACTER, 0,
                    espeakCHARS_UTF8, nullptr, nullptr);
            library.speaking = nullptr;
        }

        bool Configure(EspeakLibrary& library)
        {
            if (library.configured_for == this)
                return true;
            if (Api()->espeak_SetVoiceByName(m_voice_name.c_str()) != EE_OK)
                return false;
            Api()->espeak_SetParameter(espeakRATE, m_rate_wpm, 0);
            Api()->espeak_SetParameter(espeakPITCH, m_pitch, 0);
            using P = EspeakOptions::Punctuation;
            Api()->espeak_SetParameter(espeakPUNCTUATION,
                m_options.punctuation == P::All        ? espeakPUNCT_ALL
                    : m_options.punctuation == P::Some ? espeakPUNCT_SOME
                                                       : espeakPUNCT_NONE,
                0);
            if (m_options.punctuation == P::Some) {
                static const wchar_t SOME[] = L".,;:?!";
                Api()->espeak_SetPunctuationList(SOME);
            }
            using C = EspeakOptions::Capitals;
            // espeak-ng's capitals parameter: 0 none, 1 a sound, 2 the word,
            // 3 and above a pitch raise of that many Hz.
            Api()->espeak_SetParameter(espeakCAPITALS,
                m_options.capitals == C::Pitch        ? CAPITAL_PITCH_RAISE_HZ
                    : m_options.capitals == C::Sound  ? 1
                    : m_options.capitals == C::Spoken ? 2
                                                      : 0,
                0);
            library.configured_for = this;
            return true;
        }

        void Release(EspeakLibrary& library)
        {
            if (!m_started)
                return;
            m_started = false;
            if (library.configured_for == this)
                library.configured_for = nullptr;
        }

        // The Portuguese voices, Brazilian first; voice n picks the n-th, and
        // a number out of range the first, as with any engine's voice list.
        static std::string ChooseVoice(int number)
        {
            espeak_VOICE wanted {};
            wanted.languages = "pt";
            std::vector<std::string> brazilian, others;
            const espeak_VOICE** voices = Api()->espeak_ListVoices(&wanted);
            for (int i = 0; voices != nullptr && voices[i] != nullptr; ++i) {
                const espeak_VOICE* v = voices[i];
                const std::string id = v->identifier != nullptr ? v->identifier : "";
                if (v->name == nullptr || id.starts_with("mb/")) // MBROLA voices need databases of their own
                    continue;
                const std::string language = v->languages != nullptr ? v->languages + 1 : "";
                (language == "pt-br" ? brazilian : others).emplace_back(v->name);
            }
            brazilian.insert(brazilian.end(), others.begin(), others.end());
            if (brazilian.empty())
                return "pt-br";
            if (number < 1 || number > static_cast<int>(brazilian.size()))
                number = 1;
            return brazilian[static_cast<std::size_t>(number - 1)];
        }

        SynthAudio& m_audio;
        EspeakOptions m_options;
        bool m_started { false };
        // The engine's thread and the texts it has still to say. Stop moves
        // to a new generation; a text of an older one is abandoned.
        std::thread m_worker;
        std::mutex m_jobs_mutex;
        std::condition_variable m_jobs_changed;
        std::condition_variable m_idle;
        std::deque<Job> m_jobs;
        bool m_busy { false };
        bool m_quit { false };
        std::atomic<unsigned> m_generation { 0 };
        unsigned m_current_generation { 0 }; // the engine's thread's own
        std::string m_voice_name;
        int m_rate_wpm { NORMAL_RATE_WPM };
        int m_pitch { NORMAL_PITCH };
    };

    // Runs inside Synthesize, on the engine's thread, with the library locked.
    int OnSamples(short* samples, int count, espeak_EVENT*)
    {
        EspeakSynthesizer* target = Library().speaking;
        if (target == nullptr)
            return 1;
        return target->Deliver(samples, count) ? 0 : 1;
    }

} // namespace

std::unique_ptr<Synthesizer> MakeEspeakSynthesizer(SynthAudio& audio, EspeakOptions options)
{
    return std::make_unique<EspeakSynthesizer>(audio, options);
}

int EspeakRateWpm(int rate)
{
    rate = std::clamp(rate, -SETTING_LIMIT, SETTING_LIMIT);
    if (rate <= 0)
        return NORMAL_RATE_WPM + rate * RATE_STEP_DOWN_WPM;
    return NORMAL_RATE_WPM + (FASTEST_RATE_WPM - NORMAL_RATE_WPM) * rate / SETTING_LIMIT;
}

EspeakOptions ParseEspeakOptions(std::string_view punctuation, std::string_view capitals)
{
    const auto word = [](std::string_view text) {
        std::string upper;
        for (char c : text) {
            if (c != ' ' && c != '\t')
                upper.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
        }
        return upper;
    };
    EspeakOptions options;
    const std::string p = word(punctuation);
    if (p == "ALGUMA")
        options.punctuation = EspeakOptions::Punctuation::Some;
    else if (p == "TODA")
        options.punctuation = EspeakOptions::Punctuation::All;
    const std::string c = word(capitals);
    if (c == "TOM")
        options.capitals = EspeakOptions::Capitals::Pitch;
    else if (c == "SOM")
        options.capitals = EspeakOptions::Capitals::Sound;
    else if (c == "FALA")
        options.capitals = EspeakOptions::Capitals::Spoken;
    return options;
}

} // namespace palavrino::console
