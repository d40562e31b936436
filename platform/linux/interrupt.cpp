// SIGINT handling for the user's break request.
#include "platform/interrupt.h"

#include <csignal>
#include <signal.h>

namespace palavrino::platform {

namespace {

    // The one process-wide mutable variable. A signal handler may only touch a
    // volatile sig_atomic_t, and a signal belongs to the whole process, so there
    // is no object it could reach; everything else reads it through the
    // functions below.
    volatile std::sig_atomic_t g_interrupt_requested = 0;

    extern "C" void OnInterruptSignal(int)
    {
        g_interrupt_requested = 1;
    }

} // namespace

void InstallInterruptHandler()
{
    struct sigaction action { };
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking read of the keyboard must return EINTR so
    // the reader can give up its wait and let the interpreter stop.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
}

bool TakeInterruptRequest()
{
    const bool requested = g_interrupt_requested != 0;
    g_interrupt_requested = 0;
    return requested;
}

bool InterruptPending()
{
    return g_interrupt_requested != 0;
}

void RequestInterrupt()
{
    g_interrupt_requested = 1;
}

} // namespace palavrino::platform
