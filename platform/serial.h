// Serial ports as the device layer sees them: opened by device name with
// the four settings scripts give, read and written as raw bytes. The Linux
// back end uses termios (platform/linux/termios_serial.cpp).
#pragma once

#include "platform/net.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace palavrino::platform {

// The result codes scripts read with CHECA after SERIAL.
enum class SerialStatus : std::uint8_t {
    Ok = 0,
    BadSettings = 1, // the settings make no valid line setting
    OpenFailed = 2, // absent, or in use
    Refused = 3, // the device refused the settings (not a serial line)
};

struct SerialSettings {
    int speed { 9600 }; // bits per second
    int data_bits { 8 };
    int stop_bits { 1 };
    int parity { 0 }; // 1 odd, 2 even, anything else none
};

enum class SerialIo : std::uint8_t {
    Ok = 0,
    Failed = 1, // the device went away or reported an error
    Interrupted = 2,
};

class SerialDevice {
public:
    virtual ~SerialDevice() = default;
    // Writes every byte, waiting while the line is busy.
    [[nodiscard]] virtual SerialIo Write(std::string_view bytes, const CancelCheck& cancel) = 0;
    // Waits (without a time limit, until cancelled) for one byte.
    [[nodiscard]] virtual SerialIo ReadByte(unsigned char& byte, const CancelCheck& cancel) = 0;
    // Whether a byte waits to be read.
    virtual bool Readable() = 0;
    virtual void Close() = 0;
};

// Opens `device` for exclusive use and applies the settings (raw bytes, no
// handshaking, DTR and RTS on). A device that opened but refused its
// settings is closed again, so a later attempt finds it free.
[[nodiscard]] SerialStatus OpenSerial(
    const std::string& device, const SerialSettings& settings, std::unique_ptr<SerialDevice>& port);

} // namespace palavrino::platform
