// What the accessibility and sensor family keeps for one runtime: the
// desktop monitor and the description of the object taken last (MSAA), and
// the parallel port with its baseline (SENSOR). The ways of opening the
// monitor and the port can be replaced, so tests drive the commands
// against doubles.
#pragma once

#include "platform/a11y.h"
#include "platform/parallel_port.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace palavrino::commands {

// The description scripts read with AREA, NOME, CODIGO, TIPO, ESTADO and
// VALOR (Windows-1252 texts).
struct ObjectDescription {
    std::string name;
    int32_t role_code { 0 };
    std::string role_text;
    std::string state;
    std::string value;
    int32_t left { 0 };
    int32_t top { 0 };
    int32_t width { 0 };
    int32_t height { 0 };
};

// The longest role text kept.
constexpr size_t MAX_ROLE_TEXT = 200;

ObjectDescription DescribeObject(const platform::A11yObjectInfo& info);

struct AccessState {
    std::function<std::unique_ptr<platform::A11yMonitor>()> open_monitor { platform::OpenDesktopMonitor };
    std::unique_ptr<platform::A11yMonitor> monitor;
    bool told_no_bus { false };
    ObjectDescription current;

    std::function<platform::ParallelStatus(const std::string&, std::unique_ptr<platform::ParallelPort>&)>
        open_port { platform::OpenParallelPort };
    std::unique_ptr<platform::ParallelPort> port;
    std::uint8_t baseline { 0 };
    bool told_port_failure { false };
};

} // namespace palavrino::commands
