// A screen, keyboard, speech layer, line editor and screen review over a
// scripted front end, with one ordered log of everything the user would
// hear: texts spoken, spelled and single characters (from a recording
// engine), beeps and ticks, and recorded sounds by name (each test sound
// file holds its own name, so the played samples say which one it was).
#pragma once

#include "console/config.h"
#include "console/keyboard.h"
#include "console/line_editor.h"
#include "console/review.h"
#include "console/screen_model.h"
#include "console/speech.h"
#include "console/synthesizer.h"
#include "tests/fakes/temp_dir.h"
#include "tests/unit/console/audio_fixtures.h"

#include <memory>
#include <string>
#include <vector>

namespace palavrino::console::testing {

using Heard = std::vector<std::string>;

// Classifies what reaches the sound card.
class HearingSink final : public platform::AudioSink {
public:
    explicit HearingSink(Heard& heard)
        : m_heard(heard)
    {
    }
    platform::AudioStatus Play(const platform::PcmFormat&, std::span<const std::uint8_t> samples) override
    {
        const std::string bytes(samples.begin(), samples.end());
        if (bytes.starts_with("SOM:")) {
            m_heard.push_back("som " + bytes.substr(4, bytes.find('|') - 4));
        } else if (samples.size() == 512 && samples[1] == 112 && samples[2] == 96) {
            m_heard.push_back("bipe");
        } else if (samples.size() == 256 && samples[200] == 128 && samples[0] >= 128 && samples[0] <= 187) {
            m_heard.push_back("tique");
        } else {
            m_heard.push_back("audio");
        }
        return platform::AudioStatus::Ok;
    }
    bool IsPlaying() override { return false; }
    std::size_t QueuedBlocks() override { return 0; }
    void Stop() override { }

private:
    Heard& m_heard;
};

// Keys with the modifiers held when they were typed; what the program wrote.
// The person types each key only when the program waits for one, so no key
// is ever "waiting" to cut speech short or to be flushed. When the script
// runs out every read gives Escape.
class ScriptedTerminal final : public platform::Terminal {
public:
    ScriptedTerminal(std::string keys, bool live)
        : m_live(live)
    {
        Type(keys);
    }
    void Type(std::string_view bytes, std::uint8_t modifiers = 0)
    {
        for (char c : bytes)
            m_keys.push_back({ static_cast<std::uint8_t>(c), modifiers });
    }
    void Press(ExtendedKey key, std::uint8_t modifiers = 0)
    {
        m_keys.push_back({ 0, modifiers });
        m_keys.push_back({ static_cast<std::uint8_t>(key), modifiers });
    }
    const std::string& Written() const { return m_written; }

    void TextWritten(std::string_view text) override { m_written += text; }
    void CellsChanged(int, int, int) override { }
    void RegionScrolled(int, int, int, int) override { }
    void TitleChanged(std::string_view) override { }
    void Bell() override { }
    void Refresh(const platform::CellView&) override { }
    bool KeyWaiting() override { return false; }
    bool WaitForKey(int) override { return false; }
    std::uint8_t ReadKeyByte() override
    {
        if (m_next >= m_keys.size()) {
            m_modifiers = 0;
            return KEY_ESCAPE;
        }
        m_modifiers = m_keys[m_next].second;
        return m_keys[m_next++].first;
    }
    bool InputEnded() override { return m_next >= m_keys.size(); }
    bool IsLive() const override { return m_live; }
    std::uint8_t LastKeyModifiers() const override { return m_modifiers; }

private:
    std::vector<std::pair<std::uint8_t, std::uint8_t>> m_keys;
    std::size_t m_next { 0 };
    std::uint8_t m_modifiers { 0 };
    bool m_live;
    std::string m_written;
};

class HearingSynth final : public Synthesizer {
public:
    explicit HearingSynth(Heard& heard)
        : m_heard(heard)
    {
    }
    bool Start(int, int, int) override { return true; }
    void Speak(std::string_view text) override { m_heard.push_back("fala " + std::string(text)); }
    bool IsSpeaking() override { return false; }
    void Stop() override { }
    void End() override { }
    bool TakesSpelling() const override { return true; }
    void SpellText(std::string_view text) override { m_heard.push_back("soletra " + std::string(text)); }
    void SpeakCharacter(std::uint8_t c) override
    {
        m_heard.push_back("letra " + std::string(1, static_cast<char>(c)));
    }

private:
    Heard& m_heard;
};

struct ConsoleRig {
    explicit ConsoleRig(std::string keys = {}, bool live = true)
        : terminal(std::move(keys), live)
        , audio(heard)
        , keyboard(terminal)
        , speech(screen, keyboard, audio)
        , editor(screen, keyboard, speech)
        , review(screen, keyboard, speech, clipboard)
    {
        screen.SetListener(&terminal);
        // Sound files that name themselves, in the letters directory.
        for (const char* name : { "_DEL", "_APFCPO", "_APICPO", "_CPOAPA", "_FALACI", "_FALDLG", "_VELOC",
                 "_FON", "dtmf_1", "dtmf_X", "dtmf_#" })
            dir.Write(std::string("letras/") + name + ".wav",
                fakes::WaveFile(std::string("SOM:") + name + "|" + std::string(40, 'z')));
        config = ConfigFile::FromFile(dir.Write("Talira.ini",
                                          "[TRADUTOR]\nDIRLETRAS=" + (dir.Path() / "letras").string()
                                              + "\n[TALIRA]\nPROG.HTM=navegador\nPROG.TXT=editor\n"),
            "/prog");
        speech.SpeechInit(config, "");
        speech.SetSynthesizer(std::make_unique<HearingSynth>(heard));
        EditorServices services;
        services.clipboard = &clipboard;
        services.screen_review = [this] {
            heard.push_back("revisao");
            review.Run();
        };
        services.change_speed = [this](int speed) { heard.push_back("velocidade " + std::to_string(speed)); };
        services.speak_time = [this] { heard.push_back("hora"); };
        services.speak_date = [this] { heard.push_back("data"); };
        services.speak_battery = [this] { heard.push_back("bateria"); };
        services.read_config = [this](std::string_view section, std::string_view key) {
            return config.ReadConfig(section, key);
        };
        services.start_program = [this](const std::string& program, const std::string& parameter) {
            heard.push_back("abre " + program + " " + parameter);
            return true;
        };
        services.pause_ms = [this](int ms) { heard.push_back("pausa " + std::to_string(ms)); };
        editor.SetServices(std::move(services));
        heard.clear();
    }

    // What was heard, as one line per event joined by "; ".
    std::string Said() const
    {
        std::string out;
        for (const std::string& h : heard)
            out += (out.empty() ? "" : "; ") + h;
        return out;
    }

    Heard heard;
    fakes::TempDir dir;
    ScriptedTerminal terminal;
    HearingSink audio;
    ScreenModel screen;
    Keyboard keyboard;
    Speech speech;
    Clipboard clipboard;
    LineEditor editor;
    ScreenReview review;
    ConfigFile config;
};

inline std::string Ext(ExtendedKey key)
{
    return std::string(1, '\0') + static_cast<char>(key);
}

} // namespace palavrino::console::testing
