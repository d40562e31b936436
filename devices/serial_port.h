// The stream of the SerialPort kind: one serial device owned by its
// descriptor (a second port on another descriptor is a device of its own).
// Lines end at LF, a CR before it dropped; writes add CR LF when asked.
#pragma once

#include "devices/byte_stream.h"
#include "platform/serial.h"

#include <memory>

namespace palavrino::devices {

class SerialPort final : public ByteStream {
public:
    explicit SerialPort(std::unique_ptr<platform::SerialDevice> device);
    ~SerialPort() override;

    ReadStatus Write(std::string_view text, bool line_end, const Cancel& cancel) override;
    ReadStatus ReadLine(std::string& line, const Cancel& cancel) override;
    ReadStatus ReadByte(int& byte, const Cancel& cancel) override;
    bool HasInput() override;
    int Close() override;

private:
    std::unique_ptr<platform::SerialDevice> m_device;
};

} // namespace palavrino::devices
