// The descriptor table and the whole-file JSON reader; see descriptors.h.
#include "devices/descriptors.h"

#include "core/json.h"
#include "core/machine.h"

#include <cerrno>

namespace palavrino::devices {

DescriptorTable::DescriptorTable() = default;

DescriptorTable::~DescriptorTable()
{
    CloseAll();
}

int DescriptorTable::OpenFile(int32_t n, const std::string& name, FileMode mode)
{
    if (!IsScriptDescriptor(n) || IsOpen(n))
        return EBUSY;
    int error = 0;
    std::unique_ptr<TextFile> file = TextFile::Open(name, mode, error);
    if (!file)
        return error;
    Attach(n, DescriptorKind::File, std::move(file));
    return 0;
}

void DescriptorTable::Attach(int32_t n, DescriptorKind kind, std::unique_ptr<DescriptorStream> stream)
{
    Descriptor& d = Slot(n);
    d.open = true;
    d.kind = kind;
    d.stream = std::move(stream);
}

TextFile* DescriptorTable::FileAt(int32_t n)
{
    Descriptor& d = Slot(n);
    if (!d.open || d.kind != DescriptorKind::File)
        return nullptr;
    return static_cast<TextFile*>(d.stream.get());
}

bool DescriptorTable::AtFileEnd(int32_t n)
{
    TextFile* f = FileAt(n);
    return f && f->AtEnd();
}

int DescriptorTable::Close(int32_t n)
{
    Descriptor& d = Slot(n);
    if (!d.open)
        return 0;
    int status = d.stream ? d.stream->Close() : 0;
    d.stream.reset();
    d.open = false;
    return status;
}

void DescriptorTable::CloseAll()
{
    for (int32_t n = FIRST_DESCRIPTOR; n <= LAST_DESCRIPTOR; ++n)
        static_cast<void>(Close(n));
}

void DescriptorTable::AcknowledgeWriteFailures(int status)
{
    for (int32_t n = FIRST_DESCRIPTOR; n <= LAST_DESCRIPTOR; ++n)
        if (TextFile* f = FileAt(n))
            f->AcknowledgeWriteFailure(status);
}

int ReadJsonFile(core::Machine& m, const std::string& name, core::Value& result)
{
    result.Clear();
    int error = 0;
    std::unique_ptr<TextFile> file = TextFile::Open(name, FileMode::Read, error);
    if (!file)
        return error;
    TextFile& f = *file;
    core::ReadJsonValue(
        m, [&f] { return f.ReadChar(); }, false, result);
    // Closing a file that was only read cannot lose anything.
    static_cast<void>(file->Close());
    return 0;
}

} // namespace palavrino::devices
