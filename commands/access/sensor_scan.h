// Reading up to 32 on/off sensors wired as an 8 x 4 matrix to the parallel
// port: the data lines select one row at a time (its line pulled low), the
// status lines 7 to 4 read that row's four sensors. What the status lines
// read with the port at rest is the baseline; a sensor is on when its
// line differs from it.
#pragma once

#include "platform/parallel_port.h"

#include <array>
#include <cstdint>
#include <functional>

namespace palavrino::commands {

constexpr int SENSOR_ROWS = 8;
constexpr int SENSORS_PER_ROW = 4;
constexpr int SENSOR_COUNT = SENSOR_ROWS * SENSORS_PER_ROW;

using SensorPause = std::function<void()>; // about 1 ms, for the lines to settle
using SensorStates = std::array<bool, SENSOR_COUNT>; // sensor n at index n - 1

[[nodiscard]] platform::ParallelStatus ReadSensorBaseline(
    platform::ParallelPort& port, const SensorPause& pause, std::uint8_t& baseline);

[[nodiscard]] platform::ParallelStatus ScanSensors(
    platform::ParallelPort& port, std::uint8_t baseline, const SensorPause& pause, SensorStates& states);

// The number (1 to 32) of the first sensor on, or 0.
int32_t FirstSensorOn(const SensorStates& states);

} // namespace palavrino::commands
