// Inside a back-end module, the break request and the resize notice are the
// loading program's: these definitions of platform/interrupt.h forward to
// the functions it handed over, in place of a second, deaf copy of its
// signal state.
#include "platform/interrupt.h"
#include "platform/linux/module_entry.h"

namespace palavrino::platform {

namespace {
    // Set once, by the module's entry, before any table function can run.
    const ModuleHostRec* g_host = nullptr;
} // namespace

bool AcceptModuleHost(
    const ModuleHostRec* host, std::uint32_t abi, std::size_t table_size, std::size_t own_size)
{
    if (!host || abi != MODULE_ABI || table_size != own_size)
        return false;
    g_host = host;
    return true;
}

// Signal handlers belong to the program; a module never installs its own.
void InstallInterruptHandler() { }
void IgnoreFileLimitAndPipeSignals() { }

bool TakeInterruptRequest()
{
    return g_host->take_interrupt_request();
}
bool InterruptPending()
{
    return g_host->interrupt_pending();
}
int InterruptWakeDescriptor()
{
    return g_host->interrupt_wake_descriptor();
}
void DrainStaleInterruptWake()
{
    g_host->drain_stale_interrupt_wake();
}
void InstallResizeHandler()
{
    g_host->install_resize_handler();
}
bool TakeResizeNotice()
{
    return g_host->take_resize_notice();
}
void RequestInterrupt()
{
    g_host->request_interrupt();
}

} // namespace palavrino::platform
