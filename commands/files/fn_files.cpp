// The built-ins that read files and folders whole: CONTEUDO, a file's lines
// or the JSON value it holds, and DIRETORIO, the names in a folder. Both
// leave the script's descriptors alone.
#include "commands/files/cmd_fs.h"
#include "core/char_tables.h"
#include "devices/descriptors.h"
#include "devices/text_file.h"
#include "interp/runtime.h"
#include "messages/files.h"

#include <string>
#include <vector>

namespace palavrino::devices {

using core::Value;
using core::ValueKind;
using interp::Runtime;

// CONTEUDO (file [, "LISTA" | "JSON"])
bool FnConteudo(core::Machine& m)
{
    auto& rt = static_cast<Runtime&>(m);
    const Value& name = m.Arg(1);
    const Value& how = m.Arg(2);
    if (!name.is(ValueKind::String))
        return false;
    bool json = false;
    if (how.is(ValueKind::String)) {
        std::string mode = core::UpperText(how.Text());
        if (mode == "JSON")
            json = true;
        else if (mode != "LISTA")
            return false;
    }
    int& io_status = rt.Slot().io_status;
    if (json) {
        // Read through a file of its own rather than a descriptor, so a
        // script that has #15 open keeps it.
        Value result;
        io_status = ReadJsonFile(m, name.Text(), result);
        if (io_status != 0)
            return false;
        m.Result() = std::move(result);
        return true;
    }
    std::vector<std::string> lines;
    io_status = ReadFileLines(name.Text(), lines);
    // A read that failed part way gives nothing rather than a list that
    // looks complete.
    if (io_status != 0)
        return false;
    Value list = Value::NewList();
    for (std::string& line : lines)
        list.List().Append(Value::String(std::move(line)));
    m.Result() = std::move(list);
    return true;
}

// DIRETORIO (folder [, "DIR" | "ARQ" | "TUDO"])
bool FnDiretorio(core::Machine& m)
{
    const Value& folder = m.Arg(1);
    const Value& kind = m.Arg(2);
    if (!folder.is(ValueKind::String))
        return false;
    uint32_t mask = ATTR_ALL;
    if (kind.is(ValueKind::String)) {
        std::string word = core::UpperText(kind.Text());
        if (word == "DIR")
            mask = ATTR_DIRECTORY;
        else if (word == "ARQ")
            mask = ATTR_ARCHIVE;
        else if (word != "TUDO")
            m.ReportErrorHere(msg::Join(msg::MSG_BAD_DIRETORIO_ARG, kind.Text()));
    }
    Value list = Value::NewList();
    for (DirEntry& e : ListFolder(folder.Text(), mask))
        list.List().Append(Value::String(std::move(e.name)));
    m.Result() = std::move(list);
    return true;
}

} // namespace palavrino::devices
