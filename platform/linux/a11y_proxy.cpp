// The accessibility bus as the program sees it: palavrino-a11y.so does the
// work, loaded by the first command that asks the bus. Without it the
// answers are those of a session with no bus.
#include "platform/linux/backend_modules.h"

namespace palavrino::platform {

namespace {
    const A11yModuleRec* A11y()
    {
        return LoadModuleTable<A11yModuleRec>("a11y");
    }

    class NoBusMonitor final : public A11yMonitor {
    public:
        A11yStatus Listen(const A11yCancel&) override { return A11yStatus::NoBus; }
        A11yStatus StopListening(const A11yCancel&) override { return A11yStatus::NoBus; }
        A11yStatus TakeOldest(A11yObjectInfo&, const A11yCancel&) override { return A11yStatus::NoBus; }
        A11yStatus ObjectAt(int32_t, int32_t, A11yObjectInfo&, const A11yCancel&) override
        {
            return A11yStatus::NoBus;
        }
    };
} // namespace

std::unique_ptr<A11yMonitor> OpenDesktopMonitor()
{
    const A11yModuleRec* a11y = A11y();
    std::unique_ptr<A11yMonitor> monitor = a11y ? a11y->open_desktop_monitor() : nullptr;
    if (!monitor)
        monitor = std::make_unique<NoBusMonitor>();
    return monitor;
}

A11yStatus RunOnBusThread(std::function<void()> job, const A11yCancel& cancel)
{
    const A11yModuleRec* a11y = A11y();
    return a11y ? a11y->run_on_bus_thread(std::move(job), cancel) : A11yStatus::NoBus;
}

FieldStatus FocusedFieldText(std::string& utf8)
{
    utf8.clear();
    const A11yModuleRec* a11y = A11y();
    return a11y ? a11y->focused_field_text(utf8) : FieldStatus::NoBus;
}

} // namespace palavrino::platform
