// The module side of module_loader.h: each back-end module defines its
// table and exports it with PL_MODULE_ENTRY; module_host.cpp routes the
// break-request functions of platform/interrupt.h to the loading program.
#pragma once

#include "platform/module_loader.h"

namespace palavrino::platform {

// Keeps the host's table for module_host.cpp; false (and nothing kept) when
// the program was built with another shape of the tables.
[[nodiscard]] bool AcceptModuleHost(
    const ModuleHostRec* host, std::uint32_t abi, std::size_t table_size, std::size_t own_size);

} // namespace palavrino::platform

#define PL_MODULE_ENTRY(name, Rec, table)                                                                    \
    extern "C" __attribute__((visibility("default"))) const void* palavrino_module_##name(                   \
        const ::palavrino::platform::ModuleHostRec* host, std::uint32_t abi, std::size_t table_size)         \
    {                                                                                                        \
        return ::palavrino::platform::AcceptModuleHost(host, abi, table_size, sizeof(Rec)) ? &(table)        \
                                                                                           : nullptr;        \
    }
