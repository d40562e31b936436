// palavrino [script[@label]]: builds the console and the interpreter with
// the back ends this machine offers, runs the script on a thread with a
// large stack (deep recursion in scripts is bounded by the interpreter's
// own limits, not by the native stack), and exits with the run's outcome.
#include "app/console_host.h"
#include "app/orvan_pho.h"
#include "app/stdio_streams.h"
#include "commands/sound/sound_state.h"
#include "commands/standard.h"
#include "console/config.h"
#include "console/console.h"
#include "core/machine.h"
#include "encoding/encoding.h"
#include "interp/driver.h"
#include "interp/runtime.h"
#include "messages/console.h"
#include "platform/audio_sink.h"
#include "platform/interrupt.h"
#include "platform/system_clipboard.h"
#include "platform/terminal.h"
#ifdef PL_WITH_WINDOW
#include "platform/window.h"
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <memory>
#include <pthread.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t INTERPRETER_STACK_BYTES = size_t { 1 } << 30;

struct Job {
    std::vector<std::string> args;
    bool window { false }; // --janela
    int status { 1 };
};

// The front end: the graphical window when asked for (--janela, or
// [VIDEO] JANELA=S) and possible, else the terminal or the stream.
// `fallback` gets the message telling the user why the window was not
// opened.
std::unique_ptr<palavrino::platform::Terminal> OpenFrontEnd(
    const palavrino::console::ConfigFile& config, bool asked, std::string_view& fallback)
{
    using namespace palavrino;
    asked = asked || console::UpperAscii(config.ReadConfig("VIDEO", "JANELA")).starts_with("S");
    if (!asked)
        return platform::OpenStdioTerminal();
#ifdef PL_WITH_WINDOW
    platform::WindowOptions options;
    const console::ScreenSettings settings = console::ReadScreenSettings(config);
    options.open_maximised = !settings.opens_normal;
    options.choose_font = [&config](int work_width, int work_height) {
        const console::FontSettings f
            = console::ReadScreenSettings(config, console::WorkArea { work_width, work_height }).font;
        return platform::WindowFont { encoding::Cp1252ToUtf8(f.face), f.width, f.height, f.weight };
    };
    std::error_code error;
    options.title = std::filesystem::read_symlink("/proc/self/exe", error).string();
    std::string reason;
    if (auto window = platform::OpenConsoleWindow(options, reason))
        return window;
    fallback = msg::MSG_WINDOW_NO_DISPLAY;
#else
    fallback = msg::MSG_WINDOW_NOT_BUILT;
#endif
    return platform::OpenStdioTerminal();
}

std::string ProgramDir()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

void* RunInterpreter(void* arg)
{
    using namespace palavrino;
    Job* job = static_cast<Job*>(arg);
    console::ConfigFile config
        = console::ConfigFile::Open(console::DefaultConfigLocations(std::string()), ProgramDir);
    // The sound output: the sound card, "nulo", or "arquivo:" and a WAV
    // file; silence when the choice cannot be opened (no sound card).
    const std::string audio_choice = config.ReadConfig("TRADUTOR", "SAIDADEAUDIO");
    // The speech log alone needs no sound: a machine without a sound card
    // runs the tests. Any other voice, or a device asked for by name, is
    // reported when it cannot be heard.
    const bool log_only = console::UpperAscii(config.ReadConfig("SERVFALA", "TIPOSAPI")).find("REGISTRO")
        != std::string::npos;
    const std::string audio_utf8 = encoding::Cp1252ToUtf8(audio_choice);
    const bool sound_card = !platform::ChoosesFileOrSilence(audio_utf8);
    auto sound_notice = [audio_choice, log_only](bool failed) {
        if (!failed || (audio_choice.empty() && log_only))
            return std::string();
        return std::string(msg::MSG_SOUND_OUTPUT_UNAVAILABLE)
            + (audio_choice.empty() ? std::string(msg::MSG_DEFAULT_SOUND_DEVICE) : audio_choice);
    };
    // The sound card and the speech engine start when something is first
    // said or played; a file or silence costs nothing and opens at once.
    bool audio_failed = false;
    std::unique_ptr<platform::AudioSink> audio;
    platform::DeferredAudioSink* deferred = nullptr;
    if (sound_card) {
        auto sink = std::make_unique<platform::DeferredAudioSink>(
            [audio_utf8] { return platform::OpenAlsaSink(audio_utf8); });
        deferred = sink.get();
        audio = std::move(sink);
    } else {
        audio = platform::OpenAudioSink(audio_utf8, &audio_failed);
    }
    std::string_view no_window;
    auto front_end = OpenFrontEnd(config, job->window, no_window);
    const bool in_window = front_end->ShowsPictures();
    // The desktop's clipboard, reached on first use; it outlives the console.
    const std::unique_ptr<platform::SystemClipboard> desktop_clipboard = platform::MakeX11Clipboard();
    console::Console con(std::move(front_end), std::move(config), std::move(audio));
    con.Board().AttachSystem(desktop_clipboard.get());
    if (deferred)
        con.Voice().DeferStart([deferred, sound_notice] { return sound_notice(!deferred->Open()); });
    con.StartSpeech(con.Config().ReadConfig("PALAVRIN", "DIRPALAVRIN"));
    if (!no_window.empty())
        con.WriteLineAndSpeak(no_window);
    if (const std::string notice = sound_notice(audio_failed); !notice.empty())
        con.WriteLineAndSpeak(notice);
    app::ConsoleHost host(con);
    interp::Runtime runtime(host, commands::StandardCommands());
#ifdef PL_NO_TOKEN_CACHE
    runtime.lexer.use_cache = false; // the differential test's twin
#endif
    job->status = interp::RunProgram(runtime, job->args);
    con.Close();
    // The window stays with its last screen, titled as ended, until the
    // user presses a key or closes it.
    if (in_window && !platform::TakeInterruptRequest())
        static_cast<void>(con.Keys().ReadKey());
    if (con.Frontend().OutputFailed()) {
        // What was said on standard output is lost: say it where it can
        // still be seen, and never end as a success.
        std::fprintf(stderr, "%s\n", encoding::Cp1252ToUtf8(msg::MSG_OUTPUT_WRITE_ERROR).c_str());
        job->status = std::max(job->status, 1);
    }
    return nullptr;
}

// The interpreter thread ends the process itself: the main thread only waits
// for it, and the thread's own end would release its large stack and wake
// the waiting thread first, system calls every run pays for and nobody needs.
void* RunInterpreterAndExit(void* arg)
{
    RunInterpreter(arg);
    std::exit(static_cast<Job*>(arg)->status);
}

// The words of the language, one a line after what they are here: a command
// this build runs ("comando"), one it lacks ("indisponivel"), or a built-in
// function ("funcao"). The manual's test reads them from the program itself.
int ListWords(std::ostream& out)
{
    using namespace palavrino;
    const interp::CommandSet& set = commands::StandardCommands();
    for (const interp::CommandRow& row : set.Rows())
        out << (set.IsAvailable(row.word) ? "comando " : "indisponivel ") << row.word << '\n';
    for (const core::BuiltinRow& row : core::BuiltinTable())
        out << "funcao " << row.name << '\n';
    out.flush();
    return out ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    // "--palavras": the words of the language and what they are in this build.
    if (argc > 1 && std::string_view(argv[1]) == "--palavras") {
        palavrino::app::StdioStreams io;
        return ListWords(io.out);
    }
    // "--orvan-pho texto...": the Orvan voice's phoneme lines, no sound.
    if (argc > 1 && std::string_view(argv[1]) == "--orvan-pho") {
        palavrino::app::StdioStreams io;
        return palavrino::app::RunOrvanPho(
            std::vector<std::string>(argv + 2, argv + argc), io.in, io.out, io.err);
    }
    // "--orvan-wav arquivo texto...": the same text said into a WAV file.
    if (argc > 2 && std::string_view(argv[1]) == "--orvan-wav") {
        palavrino::app::StdioStreams io;
        return palavrino::app::RunOrvanWav(
            argv[2], std::vector<std::string>(argv + 3, argv + argc), io.in, io.err);
    }
    // "--midi-ports": the devices MIDI ABRE can open, by number.
    if (argc > 1 && std::string_view(argv[1]) == "--midi-ports") {
        palavrino::app::StdioStreams io;
        for (const std::string& line : palavrino::interp::MidiDeviceLines())
            io.out << palavrino::encoding::Cp1252ToUtf8(line) << '\n';
        return io.out.flush() ? 0 : 1;
    }
    palavrino::platform::InstallInterruptHandler();
    palavrino::platform::IgnoreFileLimitAndPipeSignals();
    Job job;
    // "--janela" first asks for the graphical window. Then only the first
    // parameter counts: the script name and its label. The argument
    // arrives in the terminal's UTF-8; inside, text is Windows-1252 (file
    // names go back to UTF-8 when files are opened).
    int first = 1;
    if (argc > first && std::string_view(argv[first]) == "--janela") {
        job.window = true;
        ++first;
    }
    if (argc > first)
        job.args.emplace_back(palavrino::encoding::DecodeTextLine(argv[first]));
#ifdef __GLIBC__
    // The interpreter thread allocates from the main heap too: an arena of
    // its own costs a 128 MB reservation and a system call for every page
    // its heap grows by, at every start. The few other threads (sound,
    // speech) share that heap as well.
    mallopt(M_ARENA_MAX, 1);
    // Blocks under 4 MB (a file's text, a growing string, a long list) come
    // from that heap and go back to it when freed, to be reused: mapped
    // apart, each would be unmapped when freed and fault in page by page
    // when asked for again. Reading and writing a 2 MB JSON file takes a
    // quarter fewer page faults.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, INTERPRETER_STACK_BYTES);
    pthread_t thread;
    if (pthread_create(&thread, &attr, RunInterpreterAndExit, &job) != 0) {
        RunInterpreter(&job);
    } else {
        pthread_join(thread, nullptr);
    }
    pthread_attr_destroy(&attr);
    return job.status;
}
