// The descriptor table: slot -1 is the console, slots 0 to 15 are the
// script's descriptors #0 to #15, each holding a text file, a connection or
// the serial port. The table owns the open streams and knows nothing of the
// interpreter, so the readers built on it (the JSON reader, CONTEUDO) work
// and are tested without one; the commands that name descriptors are in
// cmd_io.h.
#pragma once

#include "core/value.h"
#include "devices/text_file.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace palavrino::core {
class Machine;
}

namespace palavrino::devices {

constexpr int32_t CONSOLE_DESCRIPTOR = -1;
constexpr int32_t FIRST_DESCRIPTOR = 0;
constexpr int32_t LAST_DESCRIPTOR = 15;
// The console slot and #0..#15.
constexpr int32_t DESCRIPTOR_SLOTS = LAST_DESCRIPTOR - CONSOLE_DESCRIPTOR + 1;

enum class DescriptorKind : uint8_t {
    Console = 0,
    File = 1,
    Connection = 2,
    SerialPort = 3,
};

struct Descriptor {
    bool open { false };
    // Closing keeps the kind of the slot's last use; a slot never opened
    // has the console's kind.
    DescriptorKind kind { DescriptorKind::Console };
    // The live stream while open: a TextFile for File; the connection and
    // serial-port kinds bring their own stream classes.
    std::unique_ptr<DescriptorStream> stream;
};

// What the connections of one interpreter share: whether the script started
// the network (INTERNET), and how long OBSERVA waits for a connection's
// input, in microseconds (0 until the first client connection reads it from
// the configuration).
struct NetworkState {
    bool started { false };
    int poll_timeout_us { 0 };
};

class DescriptorTable {
public:
    DescriptorTable();
    ~DescriptorTable();
    DescriptorTable(const DescriptorTable&) = delete;
    DescriptorTable& operator=(const DescriptorTable&) = delete;

    // A number a script may write after "#".
    static bool IsScriptDescriptor(int32_t n) { return n >= FIRST_DESCRIPTOR && n <= LAST_DESCRIPTOR; }

    // n is -1..15.
    const Descriptor& At(int32_t n) const { return m_slots[Index(n)]; }
    bool IsOpen(int32_t n) const { return At(n).open; }
    DescriptorKind KindOf(int32_t n) const { return At(n).kind; }

    // Opens a text file on the closed slot n (0..15): 0, or the error code.
    int OpenFile(int32_t n, const std::string& name, FileMode mode);
    // Puts an already open stream of `kind` on the closed slot n (0..15).
    void Attach(int32_t n, DescriptorKind kind, std::unique_ptr<DescriptorStream> stream);
    // The text file open on n, or nullptr.
    TextFile* FileAt(int32_t n);
    // FIMARQ: true when n is open as a file with nothing left to read.
    bool AtFileEnd(int32_t n);

    // Closes n whatever its kind; nothing happens when it is not open.
    // 0, or the error code closing met (the slot is closed all the same).
    int Close(int32_t n);
    // Closes every descriptor (interpreter reset and shut-down).
    void CloseAll();

    // The script read the I/O status `status`: failed writes it reported
    // count as seen (TextFile::AcknowledgeWriteFailure).
    void AcknowledgeWriteFailures(int status);
    NetworkState network;

private:
    static size_t Index(int32_t n) { return static_cast<size_t>(n - CONSOLE_DESCRIPTOR); }
    Descriptor& Slot(int32_t n) { return m_slots[Index(n)]; }

    std::array<Descriptor, DESCRIPTOR_SLOTS> m_slots;
};

// CONTEUDO's JSON form: reads one JSON value from the whole file `name`
// into `result`, without taking any descriptor. Gives 0, or the open's
// error code (result then "inválido").
int ReadJsonFile(core::Machine& m, const std::string& name, core::Value& result);

} // namespace palavrino::devices
