// The matrix scan itself, against the port interface, so the wiring can be
// simulated in tests.
#include "commands/access/sensor_scan.h"

namespace palavrino::commands {

namespace {

    using platform::ParallelStatus;

    constexpr std::uint8_t CONTROL_ALL = 0xFF;
    constexpr std::uint8_t DATA_AT_REST = 0x01;

} // namespace

ParallelStatus ReadSensorBaseline(
    platform::ParallelPort& port, const SensorPause& pause, std::uint8_t& baseline)
{
    ParallelStatus s = port.WriteControl(CONTROL_ALL);
    if (s != ParallelStatus::Ok)
        return s;
    pause();
    if ((s = port.WriteData(DATA_AT_REST)) != ParallelStatus::Ok)
        return s;
    pause();
    return port.ReadStatus(baseline);
}

ParallelStatus ScanSensors(
    platform::ParallelPort& port, std::uint8_t baseline, const SensorPause& pause, SensorStates& states)
{
    states.fill(false);
    for (int row = 0; row < SENSOR_ROWS; ++row) {
        ParallelStatus s = port.WriteControl(CONTROL_ALL);
        if (s != ParallelStatus::Ok)
            return s;
        pause();
        const auto select = static_cast<std::uint8_t>(~(1u << (7 - row)));
        if ((s = port.WriteData(select)) != ParallelStatus::Ok)
            return s;
        pause();
        std::uint8_t status = 0;
        if ((s = port.ReadStatus(status)) != ParallelStatus::Ok)
            return s;
        const unsigned changed = static_cast<unsigned>(status ^ baseline);
        for (int column = 0; column < SENSORS_PER_ROW; ++column)
            states[static_cast<size_t>(row * SENSORS_PER_ROW + column)] = (changed >> (7 - column)) & 1u;
    }
    return ParallelStatus::Ok;
}

int32_t FirstSensorOn(const SensorStates& states)
{
    for (int32_t n = 0; n < SENSOR_COUNT; ++n)
        if (states[static_cast<size_t>(n)])
            return n + 1;
    return 0;
}

} // namespace palavrino::commands
