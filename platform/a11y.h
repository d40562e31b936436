// Following the desktop's focus through its accessibility bus: a monitor
// records focus and window-activation events while it listens, hands them
// out oldest first, and describes the object behind an event or under a
// screen point. Texts are UTF-8 as the bus gives them. The Linux back end
// talks AT-SPI2 (platform/linux/atspi_monitor.cpp) on a thread of its own,
// so events are queued while the interpreter does other work.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace palavrino::platform {

enum class A11yStatus : std::uint8_t {
    Ok = 0,
    Empty = 1, // no event waits
    NoObject = 2, // the object is gone, or nothing is at the point
    NoBus = 3, // no accessibility bus (no desktop session, or accessibility off)
    Interrupted = 4, // the cancel check asked to stop waiting
};

// What the bus tells of one object.
struct A11yObjectInfo {
    std::string name;
    // The bus's name of the object's role ("push button", "check box"...);
    // empty when the object has none.
    std::string role;
    bool enabled { true }; // false when not enabled or not sensitive
    bool checked { false };
    // The text of a text object, or the current value of a value object.
    std::string value;
    int32_t left { 0 };
    int32_t top { 0 };
    int32_t width { 0 };
    int32_t height { 0 };
};

using A11yCancel = std::function<bool()>;

class A11yMonitor {
public:
    virtual ~A11yMonitor() = default;
    // Starts recording events (again after StopListening).
    [[nodiscard]] virtual A11yStatus Listen(const A11yCancel& cancel) = 0;
    // Stops recording; events already recorded stay to be taken. Events the
    // desktop reports after it returns are not recorded.
    [[nodiscard]] virtual A11yStatus StopListening(const A11yCancel& cancel) = 0;
    // Takes the oldest recorded event and describes its object.
    [[nodiscard]] virtual A11yStatus TakeOldest(A11yObjectInfo& info, const A11yCancel& cancel) = 0;
    // Describes the deepest object under the screen point (x, y).
    [[nodiscard]] virtual A11yStatus ObjectAt(
        int32_t x, int32_t y, A11yObjectInfo& info, const A11yCancel& cancel)
        = 0;
};

// A monitor on the desktop's bus; the bus is looked for on first use.
std::unique_ptr<A11yMonitor> OpenDesktopMonitor();

// Runs `job` on the one thread that talks to the bus (libatspi is not safe
// from two threads), connecting on first use, and waits for it. When the
// cancel check ends the wait the job still runs later, so it must own what
// it touches.
[[nodiscard]] A11yStatus RunOnBusThread(std::function<void()> job, const A11yCancel& cancel);

} // namespace palavrino::platform
