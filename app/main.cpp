// palavrino [script[@label]]: builds the console and the interpreter with
// the back ends this machine offers, runs the script on a thread with a
// large stack (deep recursion in scripts is bounded by the interpreter's
// own limits, not by the native stack), and exits with the run's outcome.
#include "app/console_host.h"
#include "app/orvan_pho.h"
#include "commands/standard.h"
#include "console/config.h"
#include "console/console.h"
#include "encoding/encoding.h"
#include "interp/driver.h"
#include "interp/runtime.h"
#include "messages/console.h"
#include "platform/audio_sink.h"
#include "platform/interrupt.h"
#include "platform/terminal.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t INTERPRETER_STACK_BYTES = size_t { 1 } << 30;

struct Job {
    std::vector<std::string> args;
    int status { 1 };
};

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
    console::ConfigFile config = console::ConfigFile::Open(console::DefaultConfigLocations(ProgramDir()));
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
    console::Console con(platform::OpenStdioTerminal(), std::move(config), std::move(audio));
    if (deferred)
        con.Voice().DeferStart([deferred, sound_notice] { return sound_notice(!deferred->Open()); });
    con.StartSpeech(con.Config().ReadConfig("PALAVRIN", "DIRPALAVRIN"));
    if (const std::string notice = sound_notice(audio_failed); !notice.empty())
        con.WriteLineAndSpeak(notice);
    app::ConsoleHost host(con);
    interp::Runtime runtime(host, commands::StandardCommands());
#ifdef PL_NO_TOKEN_CACHE
    runtime.lexer.use_cache = false; // the differential test's twin
#endif
    job->status = interp::RunProgram(runtime, job->args);
    con.Close();
    if (con.Frontend().OutputFailed()) {
        // What was said on standard output is lost: say it where it can
        // still be seen, and never end as a success.
        std::fprintf(stderr, "%s\n", encoding::Cp1252ToUtf8(msg::MSG_OUTPUT_WRITE_ERROR).c_str());
        job->status = std::max(job->status, 1);
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    // "--orvan-pho texto...": the Orvan voice's phoneme lines, no sound.
    if (argc > 1 && std::string_view(argv[1]) == "--orvan-pho")
        return palavrino::app::RunOrvanPho(
            std::vector<std::string>(argv + 2, argv + argc), std::cin, std::cout, std::cerr);
    // "--orvan-wav arquivo texto...": the same text said into a WAV file.
    if (argc > 2 && std::string_view(argv[1]) == "--orvan-wav")
        return palavrino::app::RunOrvanWav(
            argv[2], std::vector<std::string>(argv + 3, argv + argc), std::cin, std::cerr);
    palavrino::platform::InstallInterruptHandler();
    palavrino::platform::IgnoreFileLimitAndPipeSignals();
    Job job;
    // Only the first parameter counts: the script name and its label.
    // The argument arrives in the terminal's UTF-8; inside, text is
    // Windows-1252 (file names go back to UTF-8 when files are opened).
    if (argc > 1)
        job.args.emplace_back(palavrino::encoding::DecodeTextLine(argv[1]));
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, INTERPRETER_STACK_BYTES);
    pthread_t thread;
    if (pthread_create(&thread, &attr, RunInterpreter, &job) != 0) {
        RunInterpreter(&job);
    } else {
        pthread_join(thread, nullptr);
    }
    pthread_attr_destroy(&attr);
    return job.status;
}
