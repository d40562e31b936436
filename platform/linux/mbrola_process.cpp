// The mbrola program behind the Orvan voice: found on PATH or where the
// configuration says, started for each utterance with pipes on its standard
// streams, fed the phoneme lines while its samples (Sun .au format, which
// carries the database's rate) are read back, all polled in short steps so
// that a stop request ends it at once. The child is always reaped.
#include "platform/mbrola.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace palavrino::platform {

namespace {

    // Short enough that a key press is heard to stop speech at once.
    constexpr int POLL_STEP_MS = 20;
    constexpr std::size_t READ_CHUNK_BYTES = 8192;
    // What the program writes on its error stream is kept up to this size:
    // enough for its message, never a flood.
    constexpr std::size_t MAX_DETAIL_BYTES = 512;
    constexpr std::size_t AU_HEADER_BYTES = 24;
    constexpr std::uint32_t AU_MAGIC = 0x2e736e64; // ".snd"
    constexpr std::uint32_t AU_LINEAR_16 = 3;
    constexpr int EXEC_FAILED_STATUS = 127;

    bool IsExecutableFile(const std::string& path)
    {
        struct stat info { };
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
    }

    bool IsReadableFile(const std::string& path)
    {
        struct stat info { };
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), R_OK) == 0;
    }

    std::uint32_t BigEndian32(const std::uint8_t* at)
    {
        return (std::uint32_t { at[0] } << 24) | (std::uint32_t { at[1] } << 16)
            | (std::uint32_t { at[2] } << 8) | at[3];
    }

    // The three pipes and the child; everything is closed and reaped when
    // it goes out of scope, whatever happened.
    struct Child {
        pid_t pid { -1 };
        int to_child { -1 }, from_child { -1 }, errors { -1 };
        int status { 0 };

        ~Child()
        {
            CloseInput();
            for (int fd : { from_child, errors }) {
                if (fd >= 0)
                    ::close(fd);
            }
            Reap();
        }
        void CloseInput()
        {
            if (to_child >= 0)
                ::close(to_child);
            to_child = -1;
        }
        void Kill()
        {
            if (pid > 0)
                ::kill(pid, SIGKILL);
        }
        void Reap()
        {
            if (pid <= 0)
                return;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
            pid = -1;
        }
    };

    bool StartChild(Child& child, const std::string& program, const std::string& database)
    {
        std::array<int, 2> in {}, out {}, err {};
        if (::pipe2(in.data(), O_CLOEXEC) != 0)
            return false;
        if (::pipe2(out.data(), O_CLOEXEC) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return false;
        }
        if (::pipe2(err.data(), O_CLOEXEC) != 0) {
            for (int fd : { in[0], in[1], out[0], out[1] })
                ::close(fd);
            return false;
        }
        // Built before forking: the child may only make async-signal-safe calls.
        std::array<char*, 6> argv = { const_cast<char*>("mbrola"), const_cast<char*>("-e"),
            const_cast<char*>(database.c_str()), const_cast<char*>("-"), const_cast<char*>("-.au"), nullptr };
        child.pid = ::fork();
        if (child.pid == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            ::execv(program.c_str(), argv.data());
            ::_exit(EXEC_FAILED_STATUS);
        }
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        child.to_child = in[1];
        child.from_child = out[0];
        child.errors = err[0];
        if (child.pid < 0)
            return false;
        for (int fd : { child.to_child, child.from_child, child.errors })
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        return true;
    }

    // Turns the program's .au stream into little-endian samples.
    class AuReader {
    public:
        // False when the stream is not 16-bit mono linear PCM.
        bool Feed(const std::uint8_t* data, std::size_t size, MbrolaAudio& audio, bool& keep_going)
        {
            m_buffer.insert(m_buffer.end(), data, data + size);
            if (!m_header_done) {
                if (m_buffer.size() < AU_HEADER_BYTES)
                    return true;
                const std::uint32_t offset = BigEndian32(&m_buffer[4]);
                if (BigEndian32(&m_buffer[0]) != AU_MAGIC || BigEndian32(&m_buffer[12]) != AU_LINEAR_16
                    || BigEndian32(&m_buffer[20]) != 1 || offset < AU_HEADER_BYTES)
                    return false;
                if (m_buffer.size() < offset)
                    return true;
                audio.sample_rate_hz = static_cast<int>(BigEndian32(&m_buffer[16]));
                m_buffer.erase(m_buffer.begin(), m_buffer.begin() + offset);
                m_header_done = true;
            }
            const std::size_t whole = m_buffer.size() & ~std::size_t { 1 };
            for (std::size_t i = 0; i < whole; i += 2)
                std::swap(m_buffer[i], m_buffer[i + 1]);
            if (whole > 0 && audio.deliver)
                keep_going = audio.deliver(std::span<const std::uint8_t>(m_buffer.data(), whole));
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(whole));
            return true;
        }
        bool HeaderDone() const { return m_header_done; }

    private:
        std::vector<std::uint8_t> m_buffer;
        bool m_header_done { false };
    };

    // A write into a pipe whose reader has died raises SIGPIPE, which would
    // end the whole program: it is blocked while the child runs, and a
    // pending one is taken away before it is unblocked.
    class SigpipeBlock {
    public:
        SigpipeBlock()
        {
            sigemptyset(&m_pipe);
            sigaddset(&m_pipe, SIGPIPE);
            m_blocked = ::pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old) == 0;
        }
        ~SigpipeBlock()
        {
            if (!m_blocked)
                return;
            const timespec zero {};
            while (::sigtimedwait(&m_pipe, nullptr, &zero) == SIGPIPE) { }
            ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
        }
        SigpipeBlock(const SigpipeBlock&) = delete;
        SigpipeBlock& operator=(const SigpipeBlock&) = delete;

    private:
        sigset_t m_pipe {}, m_old {};
        bool m_blocked { false };
    };

    std::string Trimmed(std::string text)
    {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        return text;
    }

} // namespace

std::string FindMbrolaProgram(std::string_view configured)
{
    const std::string name = configured.empty() ? std::string("mbrola") : std::string(configured);
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string {};
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            return {};
        dirs.remove_prefix(colon + 1);
    }
}

std::string FindMbrolaDatabase(std::string_view configured, std::string_view name, std::string& searched)
{
    if (!configured.empty()) {
        searched = std::string(configured);
        return IsReadableFile(searched) ? searched : std::string {};
    }
    const std::string voice(name);
    const std::array<std::string, 3> places = { "/usr/share/mbrola/" + voice + "/" + voice,
        "/usr/share/mbrola/" + voice, "/usr/share/mbrola/voices/" + voice };
    searched = places[0];
    for (const std::string& place : places) {
        if (IsReadableFile(place))
            return place;
    }
    return {};
}

MbrolaStatus RunMbrola(const std::string& program, const std::string& database, std::string_view pho_text,
    MbrolaAudio& audio, std::string& detail)
{
    detail.clear();
    SigpipeBlock no_sigpipe;
    Child child;
    if (!StartChild(child, program, database))
        return MbrolaStatus::StartFailed;
    AuReader reader;
    bool keep_going = true, bad_stream = false, stopped = false;
    std::array<std::uint8_t, READ_CHUNK_BYTES> chunk {};
    while (child.from_child >= 0 || child.errors >= 0) {
        if ((audio.should_stop && audio.should_stop()) || !keep_going) {
            stopped = true;
            break;
        }
        std::array<pollfd, 3> fds
            = { pollfd { child.from_child, POLLIN, 0 }, pollfd { child.errors, POLLIN, 0 },
                  pollfd { pho_text.empty() ? -1 : child.to_child, POLLOUT, 0 } };
        if (::poll(fds.data(), fds.size(), POLL_STEP_MS) < 0 && errno != EINTR)
            break;
        if (fds[2].revents != 0) {
            const ssize_t wrote = ::write(child.to_child, pho_text.data(), pho_text.size());
            if (wrote > 0)
                pho_text.remove_prefix(static_cast<std::size_t>(wrote));
            else if (wrote < 0 && errno != EAGAIN && errno != EINTR)
                pho_text = {}; // the program stopped reading: it says why below
        }
        if (pho_text.empty())
            child.CloseInput(); // the end of its input makes it finish
        for (int which : { 0, 1 }) {
            int& fd = which == 0 ? child.from_child : child.errors;
            if (fds[static_cast<std::size_t>(which)].revents == 0 || fd < 0)
                continue;
            const ssize_t got = ::read(fd, chunk.data(), chunk.size());
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            if (got <= 0) {
                ::close(fd);
                fd = -1;
            } else if (which == 1) {
                detail.append(reinterpret_cast<const char*>(chunk.data()),
                    std::min(static_cast<std::size_t>(got),
                        MAX_DETAIL_BYTES - std::min(MAX_DETAIL_BYTES, detail.size())));
            } else if (!reader.Feed(chunk.data(), static_cast<std::size_t>(got), audio, keep_going)) {
                bad_stream = true;
                break;
            }
        }
        if (bad_stream)
            break;
    }
    if (stopped || bad_stream)
        child.Kill();
    child.CloseInput();
    child.Reap();
    detail = Trimmed(detail);
    if (stopped)
        return MbrolaStatus::Stopped;
    const bool exited_well = WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0;
    if (WIFEXITED(child.status) && WEXITSTATUS(child.status) == EXEC_FAILED_STATUS && detail.empty())
        return MbrolaStatus::StartFailed;
    if (bad_stream || !exited_well || !reader.HeaderDone())
        return MbrolaStatus::Failed;
    return MbrolaStatus::Ok;
}

} // namespace palavrino::platform
