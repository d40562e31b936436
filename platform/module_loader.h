// Back ends whose libraries are heavy (the X11 desktop, the accessibility
// bus, MIDI and sound files, the console window, TLS, JPEG, the full-screen
// terminal) are built as loadable modules, palavrino-NAME.so, so that the
// dynamic loader maps none of those libraries before the first line of a
// script runs. The functions declared in platform/*.h reach a module through
// a table of function pointers that the module hands over the first time one
// of them is called. A module that cannot be found or loaded gives no table,
// and the caller answers as the back end does for any failure to start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace palavrino::platform {

// Raised whenever the host table or a module's table changes shape, so that
// a module left behind by an older install is refused, never called.
constexpr std::uint32_t MODULE_ABI = 1;

// What a module reaches in the program that loads it: the one process-wide
// break request and resize notice (a module's own copy of that state would
// never see the signal).
struct ModuleHostRec {
    bool (*take_interrupt_request)();
    bool (*interrupt_pending)();
    int (*interrupt_wake_descriptor)();
    void (*drain_stale_interrupt_wake)();
    void (*install_resize_handler)();
    bool (*take_resize_notice)();
    void (*request_interrupt)();
};

// Every module exports one C function, palavrino_module_NAME, of this type.
// It gives the module's table, or null when `abi` or `table_size` is not
// what the module was built with.
using ModuleEntryFn = const void* (*)(const ModuleHostRec* host, std::uint32_t abi, std::size_t table_size);

// The table of module `name` ("x11" for palavrino-x11.so), loading the
// module on the first call; null when it cannot be loaded. The modules are
// looked for in the folder named by PALAVRINO_MODULES when that is set, else
// beside the executable and then in ../lib/palavrino from it. Loading is
// tried once: later calls give the same answer.
[[nodiscard]] const void* LoadModule(const char* name, std::size_t table_size);

template <typename Rec> [[nodiscard]] const Rec* LoadModuleTable(const char* name)
{
    return static_cast<const Rec*>(LoadModule(name, sizeof(Rec)));
}

} // namespace palavrino::platform
