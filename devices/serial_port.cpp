// Serial ports on descriptors; see serial_port.h.
#include "devices/serial_port.h"

namespace palavrino::devices {

namespace {

    ReadStatus FromIo(platform::SerialIo io)
    {
        switch (io) {
        case platform::SerialIo::Ok:
            return ReadStatus::Ok;
        case platform::SerialIo::Interrupted:
            return ReadStatus::Interrupted;
        case platform::SerialIo::Failed:
            break;
        }
        return ReadStatus::Failed;
    }

} // namespace

SerialPort::SerialPort(std::unique_ptr<platform::SerialDevice> device)
    : m_device(std::move(device))
{
}

SerialPort::~SerialPort()
{
    static_cast<void>(Close());
}

int SerialPort::Close()
{
    if (m_device)
        m_device->Close();
    m_device.reset();
    return 0;
}

ReadStatus SerialPort::Write(std::string_view text, bool line_end, const Cancel& cancel)
{
    if (!m_device)
        return ReadStatus::Failed;
    std::string bytes(text);
    if (line_end)
        bytes += "\r\n";
    return FromIo(m_device->Write(bytes, cancel));
}

ReadStatus SerialPort::ReadByte(int& byte, const Cancel& cancel)
{
    if (!m_device)
        return ReadStatus::Failed;
    unsigned char b = 0;
    ReadStatus s = FromIo(m_device->ReadByte(b, cancel));
    if (s == ReadStatus::Ok)
        byte = b;
    return s;
}

ReadStatus SerialPort::ReadLine(std::string& line, const Cancel& cancel)
{
    line.clear();
    for (;;) {
        int b = 0;
        ReadStatus s = ReadByte(b, cancel);
        if (s != ReadStatus::Ok)
            return s;
        if (b == '\n')
            break;
        line += static_cast<char>(b);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return ReadStatus::Ok;
}

bool SerialPort::HasInput()
{
    return m_device && m_device->Readable();
}

} // namespace palavrino::devices
