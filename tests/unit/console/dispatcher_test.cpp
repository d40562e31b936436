// The speech-dispatcher engine against a daemon stand-in on a private Unix
// socket: the real libspeechd talks SSIP to it, and the stand-in records
// every command, so the test sees what the desktop's speech service would
// be told — above all, that the user's own rate and pitch are left alone
// unless Talira.ini names them.
#include "console/synthesizer.h"
#include "tests/fakes/temp_dir.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace palavrino::console {
namespace {

    using namespace std::chrono_literals;

    // Answers SSIP as the daemon does, far enough for libspeechd's threaded
    // mode: every command succeeds, a SPEAK is queued under a new message
    // number and reported as begun and ended at once.
    class SsipStandIn {
    public:
        explicit SsipStandIn(const std::string& path)
        {
            m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            path.copy(address.sun_path, sizeof(address.sun_path) - 1);
            if (m_listener < 0
                || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0
                || listen(m_listener, 4) != 0)
                return;
            m_ready = true;
            m_thread = std::thread([this] { Serve(); });
        }
        ~SsipStandIn()
        {
            m_stop = true;
            if (m_thread.joinable())
                m_thread.join();
            if (m_listener >= 0)
                close(m_listener);
        }
        bool Ready() const { return m_ready; }
        std::vector<std::string> Commands()
        {
            std::lock_guard lock(m_mutex);
            return m_commands;
        }
        std::string Spoken()
        {
            std::lock_guard lock(m_mutex);
            return m_spoken;
        }

    private:
        void Serve()
        {
            std::vector<int> clients;
            std::vector<std::string> pending;
            std::vector<bool> in_data;
            while (!m_stop) {
                std::vector<pollfd> fds { { m_listener, POLLIN, 0 } };
                for (int c : clients)
                    fds.push_back({ c, POLLIN, 0 });
                if (poll(fds.data(), fds.size(), 20) <= 0)
                    continue;
                // Only the clients polled have answers in fds.
                const std::size_t polled = clients.size();
                if ((fds[0].revents & POLLIN) != 0) {
                    const int c = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                    if (c >= 0) {
                        clients.push_back(c);
                        pending.emplace_back();
                        in_data.push_back(false);
                    }
                }
                for (std::size_t i = 0; i < polled; ++i) {
                    if ((fds[i + 1].revents & (POLLIN | POLLHUP)) == 0)
                        continue;
                    char buffer[4096];
                    const ssize_t n = read(clients[i], buffer, sizeof(buffer));
                    if (n <= 0) {
                        close(clients[i]);
                        clients[i] = -1;
                        continue;
                    }
                    pending[i].append(buffer, static_cast<std::size_t>(n));
                    std::size_t end;
                    while ((end = pending[i].find("\r\n")) != std::string::npos) {
                        const std::string line = pending[i].substr(0, end);
                        pending[i].erase(0, end + 2);
                        Answer(clients[i], line, in_data[i]);
                    }
                }
                for (std::size_t i = clients.size(); i-- > 0;) {
                    if (clients[i] < 0) {
                        clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
                        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
                        in_data.erase(in_data.begin() + static_cast<std::ptrdiff_t>(i));
                    }
                }
            }
            for (int c : clients)
                close(c);
        }

        void Answer(int client, const std::string& line, std::vector<bool>::reference in_data)
        {
            if (in_data) {
                if (line == ".") {
                    in_data = false;
                    const std::string id = std::to_string(++m_messages);
                    Send(client, "225-" + id + "\r\n225 OK MESSAGE QUEUED\r\n");
                    Send(client, "701-" + id + "\r\n701-1\r\n701 BEGIN\r\n");
                    Send(client, "702-" + id + "\r\n702-1\r\n702 END\r\n");
                } else {
                    std::lock_guard lock(m_mutex);
                    m_spoken += line;
                }
                return;
            }
            {
                std::lock_guard lock(m_mutex);
                m_commands.push_back(line);
            }
            std::string upper = line;
            for (char& c : upper)
                c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            if (upper == "SPEAK") {
                in_data = true;
                Send(client, "230 OK RECEIVING DATA\r\n");
            } else if (upper.starts_with("HISTORY GET CLIENT_ID")) {
                Send(client, "249-1\r\n249 OK CLIENT ID SENT\r\n");
            } else if (upper.starts_with("LIST SYNTHESIS_VOICES")) {
                Send(
                    client, "249-voz-a\tpt-BR\tnone\r\n249-voz-b\tpt-BR\tnone\r\n249 OK VOICE LIST SENT\r\n");
            } else if (upper == "QUIT") {
                Send(client, "231 HAPPY HACKING\r\n");
            } else if (upper.starts_with("CANCEL") || upper.starts_with("STOP")) {
                Send(client, "210 OK CANCELED\r\n");
            } else {
                Send(client, "200 OK\r\n");
            }
        }

        static void Send(int client, const std::string& text)
        {
            std::size_t at = 0;
            while (at < text.size()) {
                const ssize_t n = write(client, text.data() + at, text.size() - at);
                if (n <= 0)
                    return;
                at += static_cast<std::size_t>(n);
            }
        }

        int m_listener { -1 };
        bool m_ready { false };
        std::atomic<bool> m_stop { false };
        std::thread m_thread;
        std::mutex m_mutex;
        std::vector<std::string> m_commands;
        std::string m_spoken;
        int m_messages { 0 };
    };

    bool SentStartingWith(const std::vector<std::string>& commands, std::string_view prefix)
    {
        for (std::string c : commands) {
            for (char& ch : c)
                ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
            if (c.starts_with(prefix))
                return true;
        }
        return false;
    }

    struct Session {
        fakes::TempDir dir;
        std::unique_ptr<SsipStandIn> daemon;
        std::string saved;
        bool had { false };
        Session()
        {
            daemon = std::make_unique<SsipStandIn>((dir.Path() / "speechd.sock").string());
            if (const char* old = std::getenv("SPEECHD_ADDRESS")) {
                had = true;
                saved = old;
            }
            setenv("SPEECHD_ADDRESS", ("unix_socket:" + (dir.Path() / "speechd.sock").string()).c_str(), 1);
        }
        ~Session()
        {
            if (had)
                setenv("SPEECHD_ADDRESS", saved.c_str(), 1);
            else
                unsetenv("SPEECHD_ADDRESS");
        }
        // Says the text and waits, a bounded time, for its end to be reported.
        bool SayAndWait(Synthesizer& engine, std::string_view text)
        {
            engine.Speak(text);
            for (int i = 0; i < 200 && engine.IsSpeaking(); ++i)
                std::this_thread::sleep_for(10ms);
            return !engine.IsSpeaking();
        }
    };

    TEST(DispatcherEngine, LeavesRateAndPitchAloneUnlessTheSettingsNameThem)
    {
        Session session;
        if (!session.daemon->Ready())
            GTEST_SKIP() << "no Unix socket could be made for the daemon stand-in";
        {
            auto engine = MakeDispatcherSynthesizer(false, false);
            ASSERT_TRUE(engine->Start(0, 4, -3));
            EXPECT_TRUE(session.SayAndWait(*engine, "ol\xE1"));
            engine->End();
        }
        const std::vector<std::string> untouched = session.daemon->Commands();
        EXPECT_TRUE(SentStartingWith(untouched, "SPEAK"));
        EXPECT_FALSE(SentStartingWith(untouched, "SET SELF RATE"));
        EXPECT_FALSE(SentStartingWith(untouched, "SET SELF PITCH"));
        // The text travels as UTF-8.
        EXPECT_EQ(session.daemon->Spoken(), "ol\xC3\xA1");
    }

    TEST(DispatcherEngine, NamedSettingsAreScaledAndClamped)
    {
        Session session;
        if (!session.daemon->Ready())
            GTEST_SKIP() << "no Unix socket could be made for the daemon stand-in";
        auto engine = MakeDispatcherSynthesizer(true, true);
        ASSERT_TRUE(engine->Start(0, 4, -30));
        EXPECT_TRUE(session.SayAndWait(*engine, "oi"));
        engine->End();
        const std::vector<std::string> commands = session.daemon->Commands();
        EXPECT_TRUE(SentStartingWith(commands, "SET SELF RATE 40"));
        EXPECT_TRUE(SentStartingWith(commands, "SET SELF PITCH -100"));
    }

    TEST(DispatcherEngine, VoiceNumberPicksAmongThePortugueseVoices)
    {
        Session session;
        if (!session.daemon->Ready())
            GTEST_SKIP() << "no Unix socket could be made for the daemon stand-in";
        auto engine = MakeDispatcherSynthesizer(false, false);
        ASSERT_TRUE(engine->Start(2, 0, 0));
        engine->End();
        EXPECT_TRUE(SentStartingWith(session.daemon->Commands(), "SET SELF SYNTHESIS_VOICE VOZ-B"));
    }

} // namespace
} // namespace palavrino::console
