// SERIAL: opens a serial device on a descriptor; see cmd_serial.h. The
// outcome of opening is the I/O status alone (0 open, 1 settings refused,
// 2 absent or in use, 3 the device refused the settings): only argument
// errors are reported. Each descriptor owns its own device.
#include "commands/serial/cmd_serial.h"

#include "commands/files/cmd_io.h"
#include "core/char_tables.h"
#include "devices/serial_port.h"
#include "interp/runtime.h"
#include "messages/net.h"

namespace palavrino::commands {

namespace {

    using core::Value;
    using core::ValueKind;
    using interp::Runtime;

    // After opening, the device gets this long to settle before the script
    // talks to it.
    constexpr int SETTLE_MS = 1500;

    bool Fail(Runtime& rt, std::string_view message)
    {
        rt.ReportErrorHere(message);
        return false;
    }

    std::string DeviceOf(Runtime& rt, int port)
    {
        std::string named = rt.io.ReadConfig("SERIAL", "COM" + core::IntToText(port));
        if (!named.empty())
            return named;
        return "/dev/ttyS" + core::IntToText(port - 1);
    }

    bool RunSerial(Runtime& rt)
    {
        std::optional<int32_t> n = devices::ParseDescriptor(rt);
        if (!n)
            return false;
        Value port;
        rt.ParseExpressionAs(port, ValueKind::Integer);
        if (!port.is(ValueKind::Integer) || port.AsInt() < 1 || port.AsInt() > 65535)
            return Fail(rt, msg::MSG_EXPECTED_SERIAL_PORT);
        platform::SerialSettings settings;
        if (!rt.lexer.AtEnd()) {
            int* fields[] = { &settings.speed, &settings.data_bits, &settings.stop_bits, &settings.parity };
            for (int* field : fields) {
                if (rt.lexer.AtEnd())
                    return Fail(rt, msg::MSG_EXPECTED_SERIAL_SETTINGS);
                Value v;
                rt.ParseExpressionAs(v, ValueKind::Integer);
                if (!v.is(ValueKind::Integer))
                    return Fail(rt, msg::MSG_EXPECTED_SERIAL_SETTINGS);
                *field = v.AsInt();
            }
        }
        if (!devices::CheckDescriptorFree(rt, *n))
            return false;
        std::unique_ptr<platform::SerialDevice> device;
        platform::SerialStatus s = platform::OpenSerial(DeviceOf(rt, port.AsInt()), settings, device);
        rt.Slot().io_status = static_cast<int>(s);
        if (s != platform::SerialStatus::Ok)
            return true;
        rt.descriptors.Attach(*n, devices::DescriptorKind::SerialPort,
            std::make_unique<devices::SerialPort>(std::move(device)));
        for (int waited = 0; waited < SETTLE_MS; waited += platform::CANCEL_POLL_MS) {
            if (rt.io.TakeInterrupt())
                devices::ThrowInterrupted(rt);
            rt.io.PauseMs(platform::CANCEL_POLL_MS);
        }
        return true;
    }

} // namespace

bool CmdSerial(Runtime& rt)
{
    bool ok = RunSerial(rt);
    if (!ok)
        rt.lexer.SkipRestOfLine();
    return ok;
}

} // namespace palavrino::commands
