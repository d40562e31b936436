// The program under hostile standard streams and limits: a file-size limit,
// standard output on a full device or a closed pipe, and Ctrl+C while it
// waits for input on a FIFO. Each case runs the real program and checks how
// it ends: never killed by a signal, never a silent success.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class Scratch {
public:
    Scratch()
    {
        std::random_device seed;
        m_dir = fs::temp_directory_path() / ("palavrino-stdio-" + std::to_string(seed()));
        fs::create_directories(m_dir / "config" / "talira");
        std::ofstream(m_dir / "config" / "talira" / "Talira.ini")
            << "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=" << (m_dir / "fala.log").string() << "\n";
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    void Script(const std::string& text) const { std::ofstream(m_dir / "teste.pro") << text; }
    const fs::path& Dir() const { return m_dir; }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(m_dir / name);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    fs::path m_dir;
};

struct Streams {
    int in { -1 };
    int out { -1 };
    rlim_t file_limit { RLIM_INFINITY };
    int parent_only { -1 }; // a descriptor the program must not hold
    std::vector<std::string> args { "teste.pro" };
};

// Starts the program on teste.pro with the given descriptors as its
// standard input and output.
pid_t Start(const Scratch& s, const Streams& streams)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(s.Dir().c_str()) != 0)
            _exit(126);
        setenv("XDG_CONFIG_HOME", (s.Dir() / "config").c_str(), 1);
        if (streams.parent_only >= 0)
            close(streams.parent_only);
        if (streams.in >= 0)
            dup2(streams.in, STDIN_FILENO);
        if (streams.out >= 0)
            dup2(streams.out, STDOUT_FILENO);
        rlimit limit { streams.file_limit, streams.file_limit };
        if (streams.file_limit != RLIM_INFINITY)
            setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<char*> argv { const_cast<char*>(PALAVRINO_EXE) };
        for (const std::string& arg : streams.args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(PALAVRINO_EXE, argv.data());
        _exit(127);
    }
    return pid;
}

// "exit N" or "signal N", so a failure message says how it ended.
std::string Ending(pid_t pid)
{
    int status = 0;
    for (int i = 0; i < 600; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            if (WIFSIGNALED(status))
                return "signal " + std::to_string(WTERMSIG(status));
            return "exit " + std::to_string(WEXITSTATUS(status));
        }
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return "still running";
}

int OpenOrDie(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), flags);
    EXPECT_GE(fd, 0) << path << ": " << std::strerror(errno);
    return fd;
}

TEST(StandardStreams, AFileSizeLimitIsAWriteErrorNotADeath)
{
    Scratch s;
    s.Script("ABRE #1 \"grande.txt\" &\n"
             "PARA i DE 1 ATE 2000\n"
             "  ESCREVE #1 \"uma linha de texto que enche o arquivo depressa\"\n"
             "FIM PARA\n"
             "CHECA estado\n"
             "ESCREVE \"estado\" estado\n");
    const int in = OpenOrDie("/dev/null", O_RDONLY);
    const int out = OpenOrDie((s.Dir() / "saida.txt").string(), O_WRONLY | O_CREAT | O_TRUNC);
    const pid_t pid = Start(s, Streams { in, out, 8192 });
    close(in);
    close(out);
    EXPECT_EQ(Ending(pid), "exit 0");
    EXPECT_EQ(s.Read("saida.txt"), "estado" + std::to_string(EFBIG) + "\n");
}

TEST(StandardStreams, AFullOutputEndsTheRunWithAFailure)
{
    Scratch s;
    s.Script("PARA i DE 1 ATE 100000000\n  ESCREVE \"linha\" i\nFIM PARA\n");
    const int in = OpenOrDie("/dev/null", O_RDONLY);
    const int out = OpenOrDie("/dev/full", O_WRONLY);
    const pid_t pid = Start(s, Streams { in, out });
    close(in);
    close(out);
    EXPECT_EQ(Ending(pid), "exit 1");
    // Said, since it cannot be written.
    EXPECT_NE(s.Read("fala.log")
                  .find("Erro de escrita na sa\xC3\xAD"
                        "da padr\xC3\xA3o"),
        std::string::npos)
        << s.Read("fala.log");
}

TEST(CommandLineTools, ReadAndWriteTheStandardStreams)
{
    Scratch s;
    std::ofstream(s.Dir() / "texto.txt") << "ola\n";
    // The voice's phoneme lines: a text read from standard input, its
    // phonemes written to standard output.
    {
        const int in = OpenOrDie((s.Dir() / "texto.txt").string(), O_RDONLY);
        const int out = OpenOrDie((s.Dir() / "fonemas.txt").string(), O_WRONLY | O_CREAT | O_TRUNC);
        const pid_t pid = Start(s, Streams { in, out, RLIM_INFINITY, -1, { "--orvan-pho" } });
        close(in);
        close(out);
        EXPECT_EQ(Ending(pid), "exit 0");
        EXPECT_EQ(s.Read("fonemas.txt").rfind("; texto: ola\n", 0), 0u) << s.Read("fonemas.txt");
    }
    // The words of the language, whole, and a failure when they cannot be
    // written.
    {
        const int in = OpenOrDie("/dev/null", O_RDONLY);
        const int out = OpenOrDie((s.Dir() / "palavras.txt").string(), O_WRONLY | O_CREAT | O_TRUNC);
        const pid_t pid = Start(s, Streams { in, out, RLIM_INFINITY, -1, { "--palavras" } });
        close(out);
        EXPECT_EQ(Ending(pid), "exit 0");
        const std::string words = s.Read("palavras.txt");
        EXPECT_NE(words.find("comando ESCREVE\n"), std::string::npos);
        EXPECT_EQ(words.substr(words.rfind('\n', words.size() - 2) + 1, 7), "funcao ");
        const int full = OpenOrDie("/dev/full", O_WRONLY);
        const pid_t failing = Start(s, Streams { in, full, RLIM_INFINITY, -1, { "--palavras" } });
        close(in);
        close(full);
        EXPECT_EQ(Ending(failing), "exit 1");
    }
}

TEST(StandardStreams, AClosedPipeEndsTheRunQuietlyWithAFailure)
{
    Scratch s;
    s.Script("PARA i DE 1 ATE 100000000\n  ESCREVE \"linha\" i\nFIM PARA\n");
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    const int in = OpenOrDie("/dev/null", O_RDONLY);
    const pid_t pid = Start(s, Streams { in, pipe_fds[1], RLIM_INFINITY, pipe_fds[0] });
    close(in);
    close(pipe_fds[1]);
    char first[16];
    ASSERT_GT(read(pipe_fds[0], first, sizeof first), 0); // it runs...
    close(pipe_fds[0]); // ... and its reader goes away
    EXPECT_EQ(Ending(pid), "exit 1");
}

TEST(StandardStreams, CtrlCWakesAReadWaitingOnAFifo)
{
    Scratch s;
    s.Script("ESCREVE \"antes\"\nLE x\nESCREVE \"depois\"\n");
    const std::string fifo = (s.Dir() / "entrada").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(fifo.c_str(), O_RDONLY);
        const int out = open((s.Dir() / "saida.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (chdir(s.Dir().c_str()) != 0 || in < 0 || out < 0)
            _exit(126);
        setenv("XDG_CONFIG_HOME", (s.Dir() / "config").c_str(), 1);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        execl(PALAVRINO_EXE, PALAVRINO_EXE, "teste.pro", static_cast<char*>(nullptr));
        _exit(127);
    }
    // The writer keeps the FIFO open and silent: LE waits on it.
    const int writer = OpenOrDie(fifo, O_WRONLY);
    for (int i = 0; i < 100 && s.Read("saida.txt").find("antes") == std::string::npos; ++i)
        std::this_thread::sleep_for(50ms);
    ASSERT_NE(s.Read("saida.txt").find("antes"), std::string::npos);
    kill(pid, SIGINT);
    // The error report that follows waits for Enter; the input ends instead.
    std::this_thread::sleep_for(200ms);
    close(writer);
    EXPECT_EQ(Ending(pid), "exit 1");
    EXPECT_EQ(s.Read("saida.txt").find("depois"), std::string::npos);
    EXPECT_NE(s.Read("fala.log").find("Execu\xC3\xA7\xC3\xA3o interrompida na linha 2"), std::string::npos)
        << s.Read("fala.log");
}

// Runs teste.pro with the given settings file (and one extra environment
// variable), input from /dev/null; what it wrote.
std::string RunWithSettings(Scratch& s, const std::string& ini, const std::string& env = "")
{
    std::ofstream(s.Dir() / "config" / "talira" / "Talira.ini", std::ios::trunc) << ini;
    s.Script("ESCREVE \"oi\"\n");
    const int in = OpenOrDie("/dev/null", O_RDONLY);
    const int out = OpenOrDie((s.Dir() / "saida.txt").string(), O_WRONLY | O_CREAT | O_TRUNC);
    if (!env.empty())
        putenv(const_cast<char*>(env.c_str()));
    const pid_t pid = Start(s, Streams { in, out });
    if (!env.empty())
        unsetenv(env.substr(0, env.find('=')).c_str());
    close(in);
    close(out);
    EXPECT_EQ(Ending(pid), "exit 0");
    return s.Read("saida.txt");
}

TEST(SpeechStart, WhatCannotSpeakOrRecordIsSaidOnTheScreen)
{
    Scratch s;
    // The speech log cannot be written.
    EXPECT_EQ(RunWithSettings(s, "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=/nonexistent/dir/f.log\n"),
        "N\xC3\xA3o foi poss\xC3\xADvel gravar o registro de fala em /nonexistent/dir/f.log\noi\n");
    // The sound output asked for cannot be opened (the log still records).
    const std::string log = (s.Dir() / "fala.log").string();
    EXPECT_EQ(RunWithSettings(s,
                  "[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=" + log
                      + "\n[TRADUTOR]\nSAIDADEAUDIO=arquivo:/nonexistent/x.wav\n"),
        "N\xC3\xA3o foi poss\xC3\xADvel abrir a sa\xC3\xAD"
        "da de som arquivo:/nonexistent/x.wav\noi\n");
    EXPECT_NE(s.Read("fala.log")
                  .find("abrir a sa\xC3\xAD"
                        "da de som"),
        std::string::npos);
    // No voice at all: no built-in voice data, and espeak-ng without its
    // data.
    fs::create_directories(s.Dir() / "vazio");
    const std::string out = RunWithSettings(
        s, "[TRADUTOR]\nSAIDADEAUDIO=nulo\n", "ESPEAK_DATA_PATH=" + (s.Dir() / "vazio").string());
    EXPECT_TRUE(out.starts_with("Nenhuma voz p\xC3\xB4"
                                "de ser iniciada"))
        << out;
}

// Speech queued when the script ends is heard to its end on an ALSA
// device: recorded through ALSA's file plugin, it holds as many bytes as
// the WAV sink records of the same speech.
TEST(SpeechEnd, AudioQueuedAtTheEndIsPlayedOut)
{
    Scratch s;
    std::ofstream(s.Dir() / ".asoundrc")
        << "pcm.palavrino_gravador {\n type file\n slave.pcm \"null\"\n file \""
        << (s.Dir() / "alsa.raw").string() << "\"\n format \"raw\"\n}\n";
    const std::string text = "FALA \"uma frase para ouvir inteira, sem cortes no fim do programa\";\n";
    const std::string home = "HOME=" + s.Dir().string();
    std::ofstream(s.Dir() / "config" / "talira" / "Talira.ini", std::ios::trunc)
        << "[SERVFALA]\nTIPOSAPI=ESPEAK\n[TRADUTOR]\nSAIDADEAUDIO=arquivo:" << (s.Dir() / "fala.wav").string()
        << "\n";
    s.Script(text);
    const int in = OpenOrDie("/dev/null", O_RDONLY);
    pid_t pid = Start(s, Streams { in, -1 });
    EXPECT_EQ(Ending(pid), "exit 0");
    const auto wav_bytes = fs::file_size(s.Dir() / "fala.wav");
    ASSERT_GT(wav_bytes, 44u) << "espeak-ng did not speak";
    std::ofstream(s.Dir() / "config" / "talira" / "Talira.ini", std::ios::trunc)
        << "[SERVFALA]\nTIPOSAPI=ESPEAK\n[TRADUTOR]\nSAIDADEAUDIO=palavrino_gravador\n";
    const char* old_home = std::getenv("HOME");
    const std::string saved_home = old_home ? old_home : "";
    putenv(const_cast<char*>(home.c_str()));
    pid = Start(s, Streams { in, -1 });
    if (old_home)
        setenv("HOME", saved_home.c_str(), 1);
    else
        unsetenv("HOME");
    close(in);
    EXPECT_EQ(Ending(pid), "exit 0");
    std::error_code error;
    const auto alsa_bytes = fs::file_size(s.Dir() / "alsa.raw", error);
    if (error)
        GTEST_SKIP() << "ALSA's file plugin is not available: " << error.message();
    EXPECT_EQ(alsa_bytes, wav_bytes - 44);
}

} // namespace
