// An interpreter over an in-memory console for the network and serial
// tests: lines run one at a time as in interactive mode.
#pragma once

#include "commands/standard.h"
#include "interp/runtime.h"
#include "tests/fakes/temp_dir.h"
#include "tests/support/memory_host_io.h"

#include <string>
#include <vector>

namespace palavrino::testing {

struct Session {
    MemoryHostIo io;
    interp::Runtime rt { io, commands::StandardCommands() };
    fakes::TempDir dir;

    std::string Q(const std::string& name) const { return "\"" + (dir.Path() / name).string() + "\""; }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.Path() / name); }
    std::string File(const std::string& name) const { return fakes::TempDir::Read(dir.Path() / name); }

    bool Run(const std::vector<std::string>& lines)
    {
        bool ok = true;
        for (const std::string& line : lines) {
            ok = rt.RunInteractiveLine(line);
            if (!ok)
                break;
        }
        return ok;
    }
    // The text of a variable.
    std::string Var(const std::string& name)
    {
        io.written.clear();
        rt.RunInteractiveLine("ESCREVE MUDO " + name);
        std::string out = io.written;
        if (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }
    int Status() { return rt.Slot().io_status; }
};

} // namespace palavrino::testing
