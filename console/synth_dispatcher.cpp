// speech-dispatcher as the external engine: the desktop's own speech
// service, with the user's chosen module and audio. Texts go over its
// socket; whether it is still speaking comes from its begin/end
// notifications, which libspeechd delivers on a thread of its own.
//
// Without a running daemon (and no way to start one) Start fails at once,
// before libspeechd is asked to connect.
#include "console/synthesizer.h"
#include "encoding/encoding.h"
#include "platform/dynamic_library.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <speech-dispatcher/libspeechd.h>
#include <string>

namespace palavrino::console {

namespace {

    constexpr int SETTING_LIMIT = 10;
    // The daemon's rate and pitch run from -100 to 100.
    constexpr int DISPATCHER_STEP = 10;

    // libspeechd's functions, bound when the engine is first chosen.
    struct DispatcherApi {
        decltype(&::free_spd_voices) free_spd_voices { nullptr };
        decltype(&::spd_cancel) spd_cancel { nullptr };
        decltype(&::spd_char) spd_char { nullptr };
        decltype(&::spd_close) spd_close { nullptr };
        decltype(&::spd_list_synthesis_voices) spd_list_synthesis_voices { nullptr };
        decltype(&::spd_open2) spd_open2 { nullptr };
        decltype(&::spd_say) spd_say { nullptr };
        decltype(&::spd_set_data_mode) spd_set_data_mode { nullptr };
        decltype(&::spd_set_language) spd_set_language { nullptr };
        decltype(&::spd_set_notification_on) spd_set_notification_on { nullptr };
        decltype(&::spd_set_synthesis_voice) spd_set_synthesis_voice { nullptr };
        decltype(&::spd_set_voice_pitch) spd_set_voice_pitch { nullptr };
        decltype(&::spd_set_voice_rate) spd_set_voice_rate { nullptr };
    };

    // Null when libspeechd cannot be loaded: the engine fails to start and
    // espeak-ng speaks instead.
    const DispatcherApi* Api()
    {
        static const DispatcherApi* const api = []() -> const DispatcherApi* {
            static DispatcherApi table;
            void* library = platform::OpenLibrary("libspeechd.so.2");
            bool ok = library != nullptr;
            ok = ok && PL_BIND(library, table, free_spd_voices);
            ok = ok && PL_BIND(library, table, spd_cancel);
            ok = ok && PL_BIND(library, table, spd_char);
            ok = ok && PL_BIND(library, table, spd_close);
            ok = ok && PL_BIND(library, table, spd_list_synthesis_voices);
            ok = ok && PL_BIND(library, table, spd_open2);
            ok = ok && PL_BIND(library, table, spd_say);
            ok = ok && PL_BIND(library, table, spd_set_data_mode);
            ok = ok && PL_BIND(library, table, spd_set_language);
            ok = ok && PL_BIND(library, table, spd_set_notification_on);
            ok = ok && PL_BIND(library, table, spd_set_synthesis_voice);
            ok = ok && PL_BIND(library, table, spd_set_voice_pitch);
            ok = ok && PL_BIND(library, table, spd_set_voice_rate);
            return ok ? &table : nullptr;
        }();
        return api;
    }

    class DispatcherSynthesizer;

    // libspeechd's notification callbacks carry only a message number; this
    // maps the numbers of messages in flight to the engine that sent them.
    // A short message can end before spd_say has even returned its number:
    // such ends are kept (the last few) for Track to find.
    struct MessageOwners {
        std::mutex mutex;
        std::map<int, DispatcherSynthesizer*> owners;
        std::deque<int> ended_early;
    };
    constexpr std::size_t MAX_EARLY_ENDS = 64;

    MessageOwners& Owners()
    {
        static MessageOwners owners;
        return owners;
    }

    bool DaemonReachable()
    {
        if (const char* address = std::getenv("SPEECHD_ADDRESS"); address != nullptr && *address != '\0') {
            // A Unix socket that is not there has no daemon behind it; asking
            // libspeechd anyway costs a failed connection (and leaks in it).
            const std::string_view given(address);
            constexpr std::string_view UNIX_PREFIX = "unix_socket:";
            if (given.starts_with(UNIX_PREFIX)) {
                std::error_code error;
                return std::filesystem::exists(
                    std::filesystem::path(given.substr(UNIX_PREFIX.size())), error);
            }
            return true;
        }
        std::error_code error;
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
            if (std::filesystem::exists(
                    std::filesystem::path(runtime) / "speech-dispatcher" / "speechd.sock", error))
                return true;
        }
        // Otherwise libspeechd starts the daemon itself, when it is installed.
        const char* path = std::getenv("PATH");
        std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
        std::size_t at = 0;
        while (at <= dirs.size()) {
            std::size_t end = dirs.find(':', at);
            if (end == std::string::npos)
                end = dirs.size();
            const std::string dir = dirs.substr(at, end - at);
            if (!dir.empty()
                && std::filesystem::exists(std::filesystem::path(dir) / "speech-dispatcher", error))
                return true;
            at = end + 1;
        }
        return false;
    }

    void OnNotification(size_t message, size_t, SPDNotificationType type);

    class DispatcherSynthesizer final : public Synthesizer {
    public:
        DispatcherSynthesizer(bool rate_given, bool pitch_given)
            : m_rate_given(rate_given)
            , m_pitch_given(pitch_given)
        {
        }
        ~DispatcherSynthesizer() override { End(); }

        bool Start(int voice, int rate, int pitch) override
        {
            End();
            if (!DaemonReachable() || !Api())
                return false;
            char* error = nullptr;
            m_connection
                = Api()->spd_open2("palavrino", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
            std::free(error);
            if (m_connection == nullptr)
                return false;
            m_connection->callback_begin = OnNotification;
            m_connection->callback_end = OnNotification;
            m_connection->callback_cancel = OnNotification;
            Api()->spd_set_notification_on(m_connection, SPD_BEGIN);
            Api()->spd_set_notification_on(m_connection, SPD_END);
            Api()->spd_set_notification_on(m_connection, SPD_CANCEL);
            Api()->spd_set_data_mode(m_connection, SPD_DATA_TEXT);
            Api()->spd_set_language(m_connection, "pt-BR");
            // Only what the settings file names is changed: the rest stays as
            // the user set up the desktop's speech.
            if (m_rate_given)
                Api()->spd_set_voice_rate(
                    m_connection, std::clamp(rate, -SETTING_LIMIT, SETTING_LIMIT) * DISPATCHER_STEP);
            if (m_pitch_given)
                Api()->spd_set_voice_pitch(
                    m_connection, std::clamp(pitch, -SETTING_LIMIT, SETTING_LIMIT) * DISPATCHER_STEP);
            if (voice > 0)
                ChooseVoice(voice);
            return true;
        }

        void Speak(std::string_view text) override
        {
            if (m_connection == nullptr)
                return;
            const std::string utf8 = encoding::Cp1252ToUtf8(text.empty() ? std::string_view(" ") : text);
            Track(Api()->spd_say(m_connection, SPD_TEXT, utf8.c_str()));
        }

        void SpeakCharacter(std::uint8_t c) override
        {
            if (m_connection == nullptr)
                return;
            const std::string utf8 = encoding::Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
            // A character gets no message number, so it is not waited for.
            (void)Api()->spd_char(m_connection, SPD_TEXT, utf8.c_str());
        }

        bool IsSpeaking() override { return m_in_flight.load() > 0; }

        void Stop() override
        {
            if (m_connection != nullptr)
                Api()->spd_cancel(m_connection);
            Forget();
        }

        void End() override
        {
            if (m_connection == nullptr)
                return;
            Api()->spd_cancel(m_connection);
            Api()->spd_close(m_connection);
            m_connection = nullptr;
            Forget();
        }

        void Finished() { m_in_flight.store(std::max(0, m_in_flight.load() - 1)); }

    private:
        bool m_rate_given;
        bool m_pitch_given;

        void Track(int message)
        {
            if (message <= 0)
                return;
            MessageOwners& owners = Owners();
            std::lock_guard lock(owners.mutex);
            if (std::erase(owners.ended_early, message) > 0)
                return;
            owners.owners[message] = this;
            m_in_flight.fetch_add(1);
        }

        void Forget()
        {
            MessageOwners& owners = Owners();
            std::lock_guard lock(owners.mutex);
            std::erase_if(owners.owners, [this](const auto& entry) { return entry.second == this; });
            m_in_flight.store(0);
        }

        void ChooseVoice(int number)
        {
            SPDVoice** voices = Api()->spd_list_synthesis_voices(m_connection);
            int seen = 0;
            for (int i = 0; voices != nullptr && voices[i] != nullptr; ++i) {
                const char* language = voices[i]->language;
                if (language == nullptr || std::string_view(language).substr(0, 2) != "pt")
                    continue;
                if (++seen == number) {
                    Api()->spd_set_synthesis_voice(m_connection, voices[i]->name);
                    break;
                }
            }
            Api()->free_spd_voices(voices);
        }

        SPDConnection* m_connection { nullptr };
        std::atomic<int> m_in_flight { 0 };
    };

    // On libspeechd's own thread.
    void OnNotification(size_t message, size_t, SPDNotificationType type)
    {
        if (type != SPD_EVENT_END && type != SPD_EVENT_CANCEL)
            return;
        MessageOwners& owners = Owners();
        std::lock_guard lock(owners.mutex);
        auto it = owners.owners.find(static_cast<int>(message));
        if (it == owners.owners.end()) {
            owners.ended_early.push_back(static_cast<int>(message));
            if (owners.ended_early.size() > MAX_EARLY_ENDS)
                owners.ended_early.pop_front();
            return;
        }
        it->second->Finished();
        owners.owners.erase(it);
    }

} // namespace

std::unique_ptr<Synthesizer> MakeDispatcherSynthesizer(bool rate_given, bool pitch_given)
{
    return std::make_unique<DispatcherSynthesizer>(rate_given, pitch_given);
}

} // namespace palavrino::console
