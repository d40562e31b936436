// Finding, opening and binding the back-end modules (module_loader.h). The
// answer for each module is kept for the rest of the run: a module is
// opened at most once, and one that failed is not looked for again.
#include "platform/module_loader.h"

#include "platform/interrupt.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace palavrino::platform {

namespace {

    const ModuleHostRec HOST {
        &TakeInterruptRequest,
        &InterruptPending,
        &InterruptWakeDescriptor,
        &DrainStaleInterruptWake,
        &InstallResizeHandler,
        &TakeResizeNotice,
        &RequestInterrupt,
    };

    std::vector<std::filesystem::path> ModuleFolders()
    {
        if (const char* chosen = std::getenv("PALAVRINO_MODULES"); chosen && *chosen)
            return { chosen };
        std::error_code ec;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec)
            return {};
        const std::filesystem::path dir = exe.parent_path();
        return { dir, dir.parent_path() / "lib" / "palavrino" };
    }

    const void* OpenModule(const std::string& name, std::size_t table_size)
    {
        const std::string file = "palavrino-" + name + ".so";
        const std::string entry_name = "palavrino_module_" + name;
        for (const std::filesystem::path& folder : ModuleFolders()) {
            std::error_code ec;
            const std::filesystem::path path = folder / file;
            if (!std::filesystem::is_regular_file(path, ec))
                continue;
            // Bound now, so that a module whose libraries lack a function
            // fails here, where the caller can report it, and never later.
            void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!module)
                continue;
            const auto entry = reinterpret_cast<ModuleEntryFn>(dlsym(module, entry_name.c_str()));
            if (const void* table = entry ? entry(&HOST, MODULE_ABI, table_size) : nullptr)
                return table; // stays loaded: its code and objects live on
            dlclose(module);
        }
        return nullptr;
    }

} // namespace

const void* LoadModule(const char* name, std::size_t table_size)
{
    // Threads of their own (the accessibility bus, the clipboard) may ask
    // for a module while the interpreter does.
    static std::mutex lock;
    static std::map<std::string, const void*, std::less<>> loaded;
    const std::lock_guard<std::mutex> guard(lock);
    const auto found = loaded.find(name);
    if (found != loaded.end())
        return found->second;
    const void* table = OpenModule(name, table_size);
    loaded.emplace(name, table);
    return table;
}

} // namespace palavrino::platform
