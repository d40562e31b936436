// The back-end modules as the program reaches them: present, they answer;
// missing, damaged or built for another table, every function gives the
// answer of a back end that cannot start, and nothing crashes. The loader
// keeps its first answer for the rest of a run, so each case runs in a
// child process of its own with PALAVRINO_MODULES pointing where it says.
#include "platform/a11y.h"
#include "platform/desktop_input.h"
#include "platform/desktop_x11.h"
#include "platform/focus_field.h"
#include "platform/jpeg.h"
#include "platform/media_file.h"
#include "platform/midi.h"
#include "platform/module_loader.h"
#include "platform/net.h"
#include "platform/system_clipboard.h"
#ifdef PL_WITH_WINDOW
#include "platform/window.h"
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace palavrino::platform;

// Runs `check` in a child whose loader looks only in `folder`; `check`
// gives a description of what went wrong, empty when all went well.
std::string InFreshProcess(const std::string& folder, const std::function<std::string()>& check)
{
    int out[2];
    if (::pipe(out) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        ::setenv("PALAVRINO_MODULES", folder.c_str(), 1);
        ::unsetenv("DISPLAY"); // the desktop's answers must not depend on the test machine
        ::unsetenv("AT_SPI_BUS_ADDRESS");
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        const std::string problems = check();
        const ssize_t written = ::write(out[1], problems.data(), problems.size());
        ::_exit(written == static_cast<ssize_t>(problems.size()) ? 0 : 1);
    }
    ::close(out[1]);
    std::string problems;
    char buffer[512];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
        problems.append(buffer, static_cast<size_t>(got));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        problems += " [the child did not end normally: status " + std::to_string(status) + "]";
    return problems;
}

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string name = (fs::temp_directory_path() / "pl_modules_XXXXXX").string();
        m_path = ::mkdtemp(name.data()) ? name : std::string();
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A plain stream that only records that it was closed.
class RecordingStream final : public NetStream {
public:
    explicit RecordingStream(bool& closed)
        : m_closed(closed)
    {
    }
    NetStatus Send(std::string_view, const CancelCheck&) override { return NetStatus::Failed; }
    NetStatus Receive(char*, std::size_t, std::size_t& got) override
    {
        got = 0;
        return NetStatus::Closed;
    }
    bool Readable(int) override { return false; }
    std::string LocalAddress() const override { return {}; }
    std::string PeerAddress() const override { return {}; }
    void Close() override { m_closed = true; }

private:
    bool& m_closed;
};

#define CHECK(condition)                                                                                     \
    if (!(condition))                                                                                        \
    problems += std::string(" [") + #condition + "]"

// Every back end's functions, as a program without its modules sees them.
std::string AllBackEndsUnavailable()
{
    std::string problems;
    std::string title = "x";
    CHECK(ActiveWindowTitle(title) == DesktopStatus::NoDisplay);
    std::uint64_t id = 0;
    CHECK(ActiveWindowId(id) == DesktopStatus::NoDisplay);
    std::vector<DesktopWindow> windows;
    CHECK(ListWindows(windows) == DesktopStatus::NoDisplay && windows.empty());
    CHECK(ApplyWindowAction(1, WindowAction::Close) == DesktopStatus::NoDisplay);
    {
        DesktopInput input;
        CHECK(input.Open() == DesktopStatus::NoDisplay);
        CHECK(input.Key(13, true) == DesktopStatus::NoDisplay);
        CHECK(input.TypeCharacter(U'a') == DesktopStatus::NoDisplay);
        int x = 0, y = 0;
        CHECK(input.PointerPosition(x, y) == DesktopStatus::NoDisplay);
        input.Finish();
    }
    auto clipboard = MakeX11Clipboard();
    std::string text;
    CHECK(clipboard && clipboard->Put("texto"));
    CHECK(clipboard && clipboard->Get(text) == SystemClipboard::Holder::Unreachable);

    std::vector<MidiPort> ports;
    CHECK(ListMidiPorts(ports) == MidiStatus::NoSequencer && ports.empty());
    std::unique_ptr<MidiOut> midi;
    CHECK(OpenSequencerOut(MidiPort {}, midi) == MidiStatus::NoSequencer && !midi);
    std::unique_ptr<MediaDecoder> decoder;
    CHECK(OpenMediaFile("/nonexistent.wav", decoder) == MediaStatus::CannotDecode && !decoder);

    DecodedJpeg picture;
    CHECK(DecodeJpegFile("/nonexistent.jpg", picture) == JpegStatus::Invalid);

    std::string field = "old";
    CHECK(FocusedFieldText(field) == FieldStatus::NoBus && field.empty());
    auto monitor = OpenDesktopMonitor();
    CHECK(monitor && monitor->Listen([] { return false; }) == A11yStatus::NoBus);
    bool ran = false;
    CHECK(RunOnBusThread([&ran] { ran = true; }, [] { return false; }) == A11yStatus::NoBus && !ran);

    bool closed = false;
    std::unique_ptr<NetStream> secure;
    CHECK(StartTls(
              std::make_unique<RecordingStream>(closed), "localhost", TlsSettings {}, 1000,
              [] { return false; }, secure)
            == NetStatus::TlsFailed
        && closed && !secure);
    CHECK(LoadModule("terminal", sizeof(void*)) == nullptr);
#ifdef PL_WITH_WINDOW
    std::string reason;
    CHECK(!OpenConsoleWindow(WindowOptions {}, reason) && !reason.empty());
#endif
    return problems;
}

TEST(ModuleLoader, AnEmptyFolderLeavesEveryBackEndUnavailable)
{
    ScratchFolder empty;
    ASSERT_FALSE(empty.path().empty());
    EXPECT_EQ(InFreshProcess(empty.path(), AllBackEndsUnavailable), "");
}

TEST(ModuleLoader, DamagedModulesAreRefusedWithoutACrash)
{
    // Files of the right names that are no shared objects at all, and an
    // empty one: the loader must treat them as missing.
    ScratchFolder folder;
    ASSERT_FALSE(folder.path().empty());
    for (const char* name : { "x11", "sound", "picture", "a11y", "tls", "window", "terminal" }) {
        std::ofstream file(fs::path(folder.path()) / (std::string("palavrino-") + name + ".so"));
        if (std::string(name) != "terminal")
            file << "\x7f"
                 << "ELF but not really";
    }
    EXPECT_EQ(InFreshProcess(folder.path(), AllBackEndsUnavailable), "");
}

TEST(ModuleLoader, BuiltModulesAnswerForTheirBackEnds)
{
    EXPECT_EQ(InFreshProcess(PL_MODULE_DIR,
                  [] {
                      std::string problems;
                      // Only the real decoder tells a missing file from a bad one.
                      DecodedJpeg picture;
                      CHECK(DecodeJpegFile("/nonexistent/picture.jpg", picture) == JpegStatus::Unreadable);
                      // The real TLS back end accepts only the program's own sockets.
                      bool closed = false;
                      std::unique_ptr<NetStream> secure;
                      CHECK(StartTls(
                                std::make_unique<RecordingStream>(closed), "localhost", TlsSettings {}, 1000,
                                [] { return false; }, secure)
                          == NetStatus::Failed);
                      CHECK(!DefaultSoundFonts().empty());
                      // The same table comes back on every call.
                      const void* first = LoadModule("picture", sizeof(void*));
                      CHECK(first != nullptr && LoadModule("picture", sizeof(void*)) == first);
                      return problems;
                  }),
        "");
}

TEST(ModuleLoader, AModuleBuiltForAnotherTableIsRefusedForGood)
{
    EXPECT_EQ(InFreshProcess(PL_MODULE_DIR,
                  [] {
                      std::string problems;
                      // A table size the module was not built with: refused,
                      // and the refusal is kept.
                      CHECK(LoadModule("picture", 3 * sizeof(void*)) == nullptr);
                      DecodedJpeg picture;
                      CHECK(DecodeJpegFile("/nonexistent/picture.jpg", picture) == JpegStatus::Invalid);
                      CHECK(LoadModule("no-such-module", 8) == nullptr);
                      return problems;
                  }),
        "");
}

} // namespace
