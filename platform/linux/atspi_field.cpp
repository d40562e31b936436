// CAPTURA CAMPO over AT-SPI2: the active window of each application on
// the accessibility bus is searched, depth first, for the object whose
// state says it has the focus. The search runs on the thread that owns the
// bus for MSAA too (atspi_monitor.cpp), since libatspi must not be used
// from two threads.
#include "platform/a11y.h"
#include "platform/focus_field.h"
#include "platform/interrupt.h"

#include <atspi/atspi.h>
#include <cstdlib>
#include <memory>
#include <vector>

namespace palavrino::platform {

namespace {

    // Each call on the bus may take this long before it counts as no
    // answer; a search visits at most this many objects, so a huge
    // document cannot hold the script.
    constexpr int CALL_TIMEOUT_MS = 1000;
    constexpr int MAX_VISITS = 5000;

    bool HasState(AtspiAccessible* obj, AtspiStateType state)
    {
        AtspiStateSet* set = atspi_accessible_get_state_set(obj);
        if (!set)
            return false;
        const bool has = atspi_state_set_contains(set, state);
        g_object_unref(set);
        return has;
    }

    // A new reference to the focused object under `root`, or nullptr.
    AtspiAccessible* FindFocused(AtspiAccessible* root, int& visits)
    {
        std::vector<AtspiAccessible*> pending { static_cast<AtspiAccessible*>(g_object_ref(root)) };
        AtspiAccessible* found = nullptr;
        while (!pending.empty()) {
            AtspiAccessible* obj = pending.back();
            pending.pop_back();
            if (!found && ++visits <= MAX_VISITS && !InterruptPending()) {
                if (HasState(obj, ATSPI_STATE_FOCUSED)) {
                    found = static_cast<AtspiAccessible*>(g_object_ref(obj));
                } else {
                    const gint count = atspi_accessible_get_child_count(obj, nullptr);
                    for (gint i = count - 1; i >= 0; --i)
                        if (AtspiAccessible* child = atspi_accessible_get_child_at_index(obj, i, nullptr))
                            pending.push_back(child);
                }
            }
            g_object_unref(obj);
        }
        return found;
    }

    std::string TextOf(AtspiAccessible* obj)
    {
        std::string text;
        if (AtspiText* iface = atspi_accessible_get_text_iface(obj)) {
            const gint count = atspi_text_get_character_count(iface, nullptr);
            if (gchar* chars = atspi_text_get_text(iface, 0, count, nullptr)) {
                text = chars;
                g_free(chars);
            }
            g_object_unref(iface);
            return text;
        }
        if (gchar* name = atspi_accessible_get_name(obj, nullptr)) {
            text = name;
            g_free(name);
        }
        return text;
    }

} // namespace

namespace {

    // On the bus thread.
    FieldStatus SearchFocusedField(std::string& utf8)
    {
        atspi_set_timeout(CALL_TIMEOUT_MS, CALL_TIMEOUT_MS);
        AtspiAccessible* desktop = atspi_get_desktop(0);
        if (!desktop)
            return FieldStatus::NoBus;
        AtspiAccessible* focused = nullptr;
        int visits = 0;
        const gint apps = atspi_accessible_get_child_count(desktop, nullptr);
        for (gint a = 0; a < apps && !focused && !InterruptPending(); ++a) {
            AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, a, nullptr);
            if (!app)
                continue;
            const gint windows = atspi_accessible_get_child_count(app, nullptr);
            for (gint w = 0; w < windows && !focused; ++w) {
                AtspiAccessible* window = atspi_accessible_get_child_at_index(app, w, nullptr);
                if (window && HasState(window, ATSPI_STATE_ACTIVE))
                    focused = FindFocused(window, visits);
                if (window)
                    g_object_unref(window);
            }
            g_object_unref(app);
        }
        g_object_unref(desktop);
        if (!focused)
            return FieldStatus::NoFocus;
        utf8 = TextOf(focused);
        g_object_unref(focused);
        return FieldStatus::Ok;
    }

} // namespace

FieldStatus FocusedFieldText(std::string& utf8)
{
    utf8.clear();
    // Without a session bus libatspi would try to start one of its own.
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS") && !std::getenv("AT_SPI_BUS_ADDRESS"))
        return FieldStatus::NoBus;
    struct Outcome {
        FieldStatus status { FieldStatus::NoBus };
        std::string text;
    };
    auto outcome = std::make_shared<Outcome>();
    const A11yStatus ran = RunOnBusThread([outcome] { outcome->status = SearchFocusedField(outcome->text); },
        [] { return InterruptPending(); });
    if (ran != A11yStatus::Ok)
        return ran == A11yStatus::Interrupted ? FieldStatus::NoFocus : FieldStatus::NoBus;
    utf8 = std::move(outcome->text);
    return outcome->status;
}

} // namespace palavrino::platform
