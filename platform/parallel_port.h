// The PC parallel port as the sensor matrix needs it: write the data and
// control registers, read the status register. The Linux back end uses
// ppdev (platform/linux/ppdev_port.cpp); tests use a double that simulates
// the wiring.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace palavrino::platform {

enum class ParallelStatus : std::uint8_t {
    Ok = 0,
    NoDevice = 1, // the device file does not exist
    NoPermission = 2,
    NotAPort = 3, // the file is not a parallel port
    Busy = 4, // another program holds the port
    Failed = 5, // the port reported an error
};

class ParallelPort {
public:
    virtual ~ParallelPort() = default;
    [[nodiscard]] virtual ParallelStatus WriteData(std::uint8_t byte) = 0;
    [[nodiscard]] virtual ParallelStatus WriteControl(std::uint8_t byte) = 0;
    [[nodiscard]] virtual ParallelStatus ReadStatus(std::uint8_t& byte) = 0;
};

// Opens and claims the port behind `device` (for instance /dev/parport0).
[[nodiscard]] ParallelStatus OpenParallelPort(const std::string& device, std::unique_ptr<ParallelPort>& port);

} // namespace palavrino::platform
