// SENSOR var: the number of the first sensor on in the matrix wired to the
// parallel port, or 0. Until the port opens, each SENSOR tries it again
// (the port may be plugged in or its permission granted meanwhile); a
// port that fails, at opening or later, gives "no sensor on", and the user
// hears the first failure of the run once, with its cause.
#include "commands/access/access_state.h"
#include "commands/access/cmd_access.h"
#include "commands/access/sensor_scan.h"
#include "interp/command_helpers.h"
#include "messages/access.h"

namespace palavrino::commands {

namespace {

    using interp::Runtime;
    using platform::ParallelStatus;

    constexpr std::string_view DEFAULT_PORT = "/dev/parport0";
    constexpr int SETTLE_MS = 1;

    std::string PortDevice(Runtime& rt)
    {
        std::string named = rt.io.ReadConfig("SENSOR", "PORTA");
        return named.empty() ? std::string(DEFAULT_PORT) : named;
    }

    std::string_view Reason(ParallelStatus s)
    {
        switch (s) {
        case ParallelStatus::NoDevice:
            return msg::MSG_SENSOR_NO_DEVICE;
        case ParallelStatus::NoPermission:
            return msg::MSG_SENSOR_NO_PERMISSION;
        case ParallelStatus::NotAPort:
            return msg::MSG_SENSOR_NOT_A_PORT;
        case ParallelStatus::Busy:
            return msg::MSG_SENSOR_BUSY;
        default:
            return msg::MSG_SENSOR_FAILED;
        }
    }

    // A failed port is closed, so the next SENSOR opens it afresh.
    void PortFailed(Runtime& rt, AccessState& s, ParallelStatus status)
    {
        s.port.reset();
        if (s.told_port_failure)
            return;
        s.told_port_failure = true;
        rt.io.Beep();
        rt.WriteLineAndSpeak(msg::SensorPortUnavailable(PortDevice(rt), Reason(status)));
    }

    void OpenPort(Runtime& rt, AccessState& s, const SensorPause& pause)
    {
        std::unique_ptr<platform::ParallelPort> port;
        ParallelStatus status = s.open_port(PortDevice(rt), port);
        if (status == ParallelStatus::Ok)
            status = ReadSensorBaseline(*port, pause, s.baseline);
        if (status != ParallelStatus::Ok)
            return PortFailed(rt, s, status);
        s.port = std::move(port);
    }

} // namespace

bool CmdSensor(Runtime& rt)
{
    AccessState& s = rt.family_states.Get<AccessState>();
    const SensorPause pause = [&rt] { rt.io.PauseMs(SETTLE_MS); };
    if (!s.port)
        OpenPort(rt, s, pause);
    core::TargetRec target;
    if (!rt.lexer.Is(core::TokenKind::Word) || !core::ParseTarget(rt, target, false))
        return interp::Fail(rt, msg::MSG_ACCESS_EXPECTED_VARIABLE);
    int32_t first = 0;
    if (s.port) {
        SensorStates states {};
        const ParallelStatus status = ScanSensors(*s.port, s.baseline, pause, states);
        if (status == ParallelStatus::Ok)
            first = FirstSensorOn(states);
        else
            PortFailed(rt, s, status);
    }
    return interp::AssignOrFail(rt, target, core::Value::Int(first));
}

} // namespace palavrino::commands
