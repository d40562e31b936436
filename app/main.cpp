// palavrino [script[@label]]: builds the console and the interpreter with
// the back ends this machine offers, runs the script on a thread with a
// large stack (deep recursion in scripts is bounded by the interpreter's
// own limits, not by the native stack), and exits with the run's outcome.
#include "app/console_host.h"
#include "console/config.h"
#include "console/console.h"
#include "console/encoding.h"
#include "interp/driver.h"
#include "interp/runtime.h"
#include "platform/audio_sink.h"
#include "platform/interrupt.h"
#include "platform/terminal.h"

#include <filesystem>
#include <memory>
#include <pthread.h>
#include <string>
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
    auto audio
        = platform::OpenAudioSink(console::Cp1252ToUtf8(config.ReadConfig("TRADUTOR", "SAIDADEAUDIO")));
    console::Console con(platform::OpenStdioTerminal(), std::move(config), std::move(audio));
    con.StartSpeech(con.Config().ReadConfig("PALAVRIN", "DIRPALAVRIN"));
    app::ConsoleHost host(con);
    interp::Runtime runtime(host);
#ifdef PL_NO_TOKEN_CACHE
    runtime.lexer.use_cache = false; // the differential test's twin
#endif
    job->status = interp::RunProgram(runtime, job->args);
    con.Close();
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    palavrino::platform::InstallInterruptHandler();
    Job job;
    // Only the first parameter counts: the script name and its label.
    // The argument arrives in the terminal's UTF-8; inside, text is
    // Windows-1252 (file names go back to UTF-8 when files are opened).
    if (argc > 1)
        job.args.emplace_back(palavrino::console::DecodeTextLine(argv[1]));
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
