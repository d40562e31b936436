// SIGINT handling for the user's break request. The handler also writes a
// byte to a pipe whose read end every blocking wait polls, so a wait wakes
// whichever thread the signal was delivered to.
#include "platform/interrupt.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace palavrino::platform {

namespace {

    // The process-wide state a signal handler may reach: a signal belongs to
    // the whole process, so there is no object it could find. The flag is a
    // volatile sig_atomic_t and the pipe ends are set once, before the
    // handler is installed; everything else reads them through the
    // functions below.
    volatile std::sig_atomic_t g_interrupt_requested = 0;
    volatile std::sig_atomic_t g_resized = 0;
    int g_wake_pipe[2] = { -1, -1 };

    void Wake()
    {
        if (g_wake_pipe[1] < 0)
            return;
        const int saved = errno;
        const char byte = 1;
        // A full pipe already wakes every poll: the byte may be dropped.
        (void)!::write(g_wake_pipe[1], &byte, 1);
        errno = saved;
    }

    void DrainWakePipe()
    {
        if (g_wake_pipe[0] < 0)
            return;
        char bytes[64];
        while (::read(g_wake_pipe[0], bytes, sizeof bytes) > 0) { }
    }

    extern "C" void OnInterruptSignal(int)
    {
        g_interrupt_requested = 1;
        Wake();
    }

    extern "C" void OnResizeSignal(int)
    {
        g_resized = 1;
        Wake();
    }

} // namespace

void InstallResizeHandler()
{
    struct sigaction action { };
    action.sa_handler = OnResizeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &action, nullptr);
}

bool TakeResizeNotice()
{
    const bool resized = g_resized != 0;
    g_resized = 0;
    return resized;
}

void InstallInterruptHandler()
{
    if (g_wake_pipe[0] < 0 && ::pipe2(g_wake_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        g_wake_pipe[0] = -1;
        g_wake_pipe[1] = -1;
    }
    struct sigaction action { };
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking read of the keyboard must return EINTR so
    // the reader can give up its wait and let the interpreter stop.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
}

void IgnoreFileLimitAndPipeSignals()
{
    // Past a file-size limit a write fails with EFBIG, and a write to a
    // closed pipe with EPIPE; both are reported as write errors instead of
    // killing the process without a word.
    struct sigaction action { };
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGXFSZ, &action, nullptr);
    sigaction(SIGPIPE, &action, nullptr);
}

bool TakeInterruptRequest()
{
    const bool requested = g_interrupt_requested != 0;
    if (requested) {
        g_interrupt_requested = 0;
        DrainWakePipe();
    }
    return requested;
}

bool InterruptPending()
{
    return g_interrupt_requested != 0;
}

void RequestInterrupt()
{
    g_interrupt_requested = 1;
    Wake();
}

int InterruptWakeDescriptor()
{
    return g_wake_pipe[0];
}

void DrainStaleInterruptWake()
{
    if (g_interrupt_requested == 0)
        DrainWakePipe();
}

} // namespace palavrino::platform
