// The desktop's accessibility bus through libatspi (AT-SPI2). libatspi is
// not thread-safe and keeps one connection per process, so one thread of
// the process owns it: it connects once, runs GLib's default main loop
// (where the bus delivers events), keeps every monitor's ring, and runs
// the describing and hit-testing jobs the interpreter sends it. Object
// references never leave that thread: the interpreter only receives
// descriptions (plain text and numbers). A process without a bus learns it
// once and never calls libatspi again (it aborts on calls without a bus).
#include "platform/a11y.h"
#include "platform/event_ring.h"

#include <atomic>
#include <atspi/atspi.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace palavrino::platform {

namespace {

    constexpr auto WAIT_STEP = std::chrono::milliseconds(100);
    // A hit test descends at most this far (a cycle in a broken toolkit's
    // tree must not hold the bus thread forever).
    constexpr int MAX_HIT_DEPTH = 64;
    // The children looked at for the name of a nameless list item.
    constexpr int MAX_NAME_CHILDREN = 16;

    // An owned reference to an object on the bus; only the bus thread makes,
    // moves and destroys these.
    class ObjectRef {
    public:
        explicit ObjectRef(AtspiAccessible* adopted = nullptr)
            : m_p(adopted)
        {
        }
        static ObjectRef Share(AtspiAccessible* p)
        {
            return ObjectRef(p ? ATSPI_ACCESSIBLE(g_object_ref(p)) : nullptr);
        }
        ObjectRef(ObjectRef&& o) noexcept
            : m_p(std::exchange(o.m_p, nullptr))
        {
        }
        ObjectRef& operator=(ObjectRef&& o) noexcept
        {
            if (this != &o) {
                Reset();
                m_p = std::exchange(o.m_p, nullptr);
            }
            return *this;
        }
        ObjectRef(const ObjectRef&) = delete;
        ObjectRef& operator=(const ObjectRef&) = delete;
        ~ObjectRef() { Reset(); }
        AtspiAccessible* get() const { return m_p; }
        void Reset()
        {
            if (m_p)
                g_object_unref(m_p);
            m_p = nullptr;
        }

    private:
        AtspiAccessible* m_p;
    };

    struct MonitorRecord {
        EventRing<ObjectRef> ring;
        bool listening { false };
        // The object that last gained the focus and has not lost it since:
        // toolkits report one focus change more than once, and the user
        // must hear it once.
        ObjectRef focused;
    };

    std::string TakeText(gchar* text)
    {
        std::string out = text ? text : "";
        g_free(text);
        return out;
    }

    bool Failed(GError*& error)
    {
        if (!error)
            return false;
        g_error_free(error);
        error = nullptr;
        return true;
    }

    std::string ValueText(double v)
    {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", v);
        std::string text = buf;
        // Portuguese writes the decimal comma.
        for (char& c : text)
            if (c == '.')
                c = ',';
        return text;
    }

    bool HasTextValue(AtspiRole role, AtspiStateSet* states)
    {
        switch (role) {
        case ATSPI_ROLE_TEXT:
        case ATSPI_ROLE_ENTRY:
        case ATSPI_ROLE_TERMINAL:
        case ATSPI_ROLE_PARAGRAPH:
        case ATSPI_ROLE_DOCUMENT_TEXT:
            return true;
        default:
            return states && atspi_state_set_contains(states, ATSPI_STATE_EDITABLE);
        }
    }

    std::string ObjectValue(AtspiAccessible* obj, AtspiRole role, AtspiStateSet* states)
    {
        // A password is never read back.
        if (role == ATSPI_ROLE_PASSWORD_TEXT)
            return "";
        GError* error = nullptr;
        if (HasTextValue(role, states)) {
            if (AtspiText* text = atspi_accessible_get_text_iface(obj)) {
                const gint count = atspi_text_get_character_count(text, &error);
                std::string out;
                if (!Failed(error) && count > 0) {
                    out = TakeText(atspi_text_get_text(text, 0, count, &error));
                    if (Failed(error))
                        out.clear();
                }
                g_object_unref(text);
                return out;
            }
        }
        if (AtspiValue* value = atspi_accessible_get_value_iface(obj)) {
            const double v = atspi_value_get_current_value(value, &error);
            g_object_unref(value);
            return Failed(error) ? "" : ValueText(v);
        }
        return "";
    }

    bool NamedByChildren(AtspiRole role)
    {
        return role == ATSPI_ROLE_LIST_ITEM || role == ATSPI_ROLE_TABLE_CELL || role == ATSPI_ROLE_TREE_ITEM
            || role == ATSPI_ROLE_PAGE_TAB || role == ATSPI_ROLE_MENU_ITEM;
    }

    // A list item drawn as a row of labels has no name of its own; the user
    // is told what its labels say, as screen readers do.
    std::string NameFromChildren(AtspiAccessible* obj)
    {
        GError* error = nullptr;
        const gint n = atspi_accessible_get_child_count(obj, &error);
        if (Failed(error))
            return "";
        std::string name;
        for (gint i = 0; i < n && i < MAX_NAME_CHILDREN; ++i) {
            ObjectRef child(atspi_accessible_get_child_at_index(obj, i, &error));
            if (Failed(error) || !child.get())
                continue;
            std::string part = TakeText(atspi_accessible_get_name(child.get(), &error));
            if (Failed(error) || part.empty())
                continue;
            if (!name.empty())
                name += ' ';
            name += part;
        }
        return name;
    }

    A11yStatus Describe(AtspiAccessible* obj, A11yObjectInfo& info)
    {
        info = A11yObjectInfo {};
        if (!obj)
            return A11yStatus::NoObject;
        GError* error = nullptr;
        const AtspiRole role = atspi_accessible_get_role(obj, &error);
        if (Failed(error))
            return A11yStatus::NoObject;
        if (AtspiComponent* component = atspi_accessible_get_component_iface(obj)) {
            AtspiRect* r = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
            if (!Failed(error) && r) {
                info.left = r->x;
                info.top = r->y;
                info.width = r->width;
                info.height = r->height;
            }
            g_free(r);
            g_object_unref(component);
        }
        info.name = TakeText(atspi_accessible_get_name(obj, &error));
        if (Failed(error))
            info.name.clear();
        if (info.name.empty() && NamedByChildren(role))
            info.name = NameFromChildren(obj);
        if (role == ATSPI_ROLE_INVALID)
            return A11yStatus::Ok;
        info.role = TakeText(atspi_role_get_name(role));
        AtspiStateSet* states = atspi_accessible_get_state_set(obj);
        if (states) {
            info.enabled = atspi_state_set_contains(states, ATSPI_STATE_ENABLED)
                && atspi_state_set_contains(states, ATSPI_STATE_SENSITIVE);
            info.checked = atspi_state_set_contains(states, ATSPI_STATE_CHECKED);
        }
        info.value = ObjectValue(obj, role, states);
        if (states)
            g_object_unref(states);
        return A11yStatus::Ok;
    }

    bool HasState(AtspiAccessible* obj, AtspiStateType state)
    {
        AtspiStateSet* states = atspi_accessible_get_state_set(obj);
        if (!states)
            return false;
        const bool has = atspi_state_set_contains(states, state);
        g_object_unref(states);
        return has;
    }

    bool Contains(AtspiAccessible* obj, int32_t x, int32_t y)
    {
        AtspiComponent* component = atspi_accessible_get_component_iface(obj);
        if (!component)
            return false;
        GError* error = nullptr;
        const bool inside = atspi_component_contains(component, x, y, ATSPI_COORD_TYPE_SCREEN, &error);
        g_object_unref(component);
        return !Failed(error) && inside;
    }

    // The top-level window of some application that holds the point, the
    // active one first (it is the one drawn on top).
    ObjectRef WindowAt(int32_t x, int32_t y)
    {
        GError* error = nullptr;
        ObjectRef desktop(atspi_get_desktop(0));
        if (!desktop.get())
            return ObjectRef();
        ObjectRef found;
        const gint apps = atspi_accessible_get_child_count(desktop.get(), &error);
        for (gint a = 0; !Failed(error) && a < apps; ++a) {
            ObjectRef app(atspi_accessible_get_child_at_index(desktop.get(), a, &error));
            if (Failed(error) || !app.get())
                continue;
            const gint windows = atspi_accessible_get_child_count(app.get(), &error);
            for (gint w = 0; !Failed(error) && w < windows; ++w) {
                ObjectRef window(atspi_accessible_get_child_at_index(app.get(), w, &error));
                if (Failed(error) || !window.get() || !HasState(window.get(), ATSPI_STATE_SHOWING)
                    || !Contains(window.get(), x, y))
                    continue;
                if (HasState(window.get(), ATSPI_STATE_ACTIVE))
                    return window;
                if (!found.get())
                    found = std::move(window);
            }
        }
        return found;
    }

    ObjectRef DeepestAt(int32_t x, int32_t y)
    {
        ObjectRef current = WindowAt(x, y);
        for (int depth = 0; current.get() && depth < MAX_HIT_DEPTH; ++depth) {
            AtspiComponent* component = atspi_accessible_get_component_iface(current.get());
            if (!component)
                break;
            GError* error = nullptr;
            ObjectRef child(
                atspi_component_get_accessible_at_point(component, x, y, ATSPI_COORD_TYPE_SCREEN, &error));
            g_object_unref(component);
            if (Failed(error) || !child.get() || child.get() == current.get())
                break;
            current = std::move(child);
        }
        return current;
    }

    void QuietLog(const gchar*, GLogLevelFlags, const gchar*, gpointer)
    {
        // The bus library's warnings would land on the user's screen; what
        // the user must know, the commands say themselves.
    }

    // The one owner of libatspi in the process.
    class BusThread {
    public:
        static BusThread& Instance()
        {
            // Never destroyed: the thread serves until the process ends.
            static BusThread* const instance = new BusThread;
            return *instance;
        }

        // Connects on first use and waits for the outcome.
        A11yStatus Ready(const A11yCancel& cancel)
        {
            std::unique_lock lock(m_mutex);
            if (!m_started) {
                m_started = true;
                std::thread(&BusThread::Serve, this).detach();
            }
            while (!m_init_done) {
                m_cv.wait_for(lock, WAIT_STEP);
                if (!m_init_done && cancel && cancel())
                    return A11yStatus::Interrupted;
            }
            return m_bus_ok ? A11yStatus::Ok : A11yStatus::NoBus;
        }

        // Runs `job` on the bus thread and waits for it; false when the
        // cancel check stopped the wait (the job still runs, on data it owns).
        bool Run(std::function<void()> job, const A11yCancel& cancel)
        {
            struct Shared {
                std::function<void()> job;
                std::mutex mutex;
                std::condition_variable cv;
                bool done { false };
            };
            auto shared = std::make_shared<Shared>();
            shared->job = std::move(job);
            Post([shared] {
                shared->job();
                std::lock_guard lock(shared->mutex);
                shared->done = true;
                shared->cv.notify_all();
            });
            std::unique_lock lock(shared->mutex);
            while (!shared->done) {
                shared->cv.wait_for(lock, WAIT_STEP);
                if (!shared->done && cancel && cancel())
                    return false;
            }
            return true;
        }

        // Queues `job` on the bus thread without waiting.
        void Post(std::function<void()> job)
        {
            GSource* source = g_idle_source_new();
            g_source_set_callback(
                source,
                [](gpointer data) -> gboolean {
                    (*static_cast<std::function<void()>*>(data))();
                    return G_SOURCE_REMOVE;
                },
                new std::function<void()>(std::move(job)),
                [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
            g_source_attach(source, nullptr);
            g_source_unref(source);
        }

        // ---- Bus thread only ----
        MonitorRecord& Record(int id) { return m_monitors[id]; }
        MonitorRecord* Find(int id)
        {
            auto it = m_monitors.find(id);
            return it == m_monitors.end() ? nullptr : &it->second;
        }
        void Remove(int id)
        {
            m_monitors.erase(id);
            UpdateListener();
        }
        void UpdateListener()
        {
            bool wanted = false;
            for (const auto& [id, record] : m_monitors)
                wanted = wanted || record.listening;
            if (wanted == m_registered)
                return;
            GError* error = nullptr;
            for (const char* type : EVENT_TYPES) {
                if (wanted)
                    atspi_event_listener_register(m_listener, type, &error);
                else
                    atspi_event_listener_deregister(m_listener, type, &error);
                Failed(error);
            }
            m_registered = wanted;
        }

    private:
        static constexpr const char* EVENT_TYPES[] = { "object:state-changed:focused", "window:activate" };

        BusThread() = default;

        void Serve()
        {
            g_main_context_acquire(g_main_context_default());
            g_log_set_default_handler(QuietLog, nullptr);
            const bool ok = atspi_init() == 0;
            if (ok)
                m_listener = atspi_event_listener_new(OnEvent, this, nullptr);
            {
                std::lock_guard lock(m_mutex);
                m_init_done = true;
                m_bus_ok = ok;
                m_cv.notify_all();
            }
            if (!ok)
                return;
            GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
            g_main_loop_run(loop);
        }

        static void OnEvent(AtspiEvent* event, void* data)
        {
            static_cast<BusThread*>(data)->Note(event);
            g_boxed_free(ATSPI_TYPE_EVENT, event);
        }

        void Note(const AtspiEvent* event)
        {
            if (!event->source)
                return;
            const bool focus = g_str_has_prefix(event->type, "object:state-changed");
            for (auto& [id, record] : m_monitors) {
                if (!record.listening)
                    continue;
                if (focus && event->detail1 == 0) {
                    if (record.focused.get() == event->source)
                        record.focused.Reset();
                    continue;
                }
                if (focus) {
                    if (record.focused.get() == event->source)
                        continue;
                    record.focused = ObjectRef::Share(event->source);
                }
                record.ring.Push(ObjectRef::Share(event->source));
            }
        }

        std::mutex m_mutex;
        std::condition_variable m_cv;
        bool m_started { false };
        bool m_init_done { false };
        bool m_bus_ok { false };
        // Bus thread only.
        AtspiEventListener* m_listener { nullptr };
        bool m_registered { false };
        std::map<int, MonitorRecord> m_monitors;
    };

    class AtspiMonitor final : public A11yMonitor {
    public:
        AtspiMonitor()
        {
            static std::atomic<int> next_id { 0 };
            m_id = ++next_id;
        }
        ~AtspiMonitor() override
        {
            if (!m_used)
                return;
            BusThread& bus = BusThread::Instance();
            const int id = m_id;
            bus.Post([&bus, id] { bus.Remove(id); });
        }
        AtspiMonitor(const AtspiMonitor&) = delete;
        AtspiMonitor& operator=(const AtspiMonitor&) = delete;

        A11yStatus Listen(const A11yCancel& cancel) override
        {
            BusThread& bus = BusThread::Instance();
            const A11yStatus ready = bus.Ready(cancel);
            if (ready != A11yStatus::Ok)
                return ready;
            m_used = true;
            const int id = m_id;
            const bool ran = bus.Run(
                [&bus, id] {
                    bus.Record(id).listening = true;
                    bus.UpdateListener();
                },
                cancel);
            return ran ? A11yStatus::Ok : A11yStatus::Interrupted;
        }

        A11yStatus StopListening(const A11yCancel& cancel) override
        {
            if (!m_used)
                return A11yStatus::Ok;
            BusThread& bus = BusThread::Instance();
            const int id = m_id;
            const bool ran = bus.Run(
                [&bus, id] {
                    if (MonitorRecord* record = bus.Find(id)) {
                        record->listening = false;
                        record->focused.Reset();
                        bus.UpdateListener();
                    }
                },
                cancel);
            return ran ? A11yStatus::Ok : A11yStatus::Interrupted;
        }

        A11yStatus TakeOldest(A11yObjectInfo& info, const A11yCancel& cancel) override
        {
            if (!m_used)
                return A11yStatus::Empty;
            BusThread& bus = BusThread::Instance();
            const int id = m_id;
            auto out = std::make_shared<Outcome>();
            const bool ran = bus.Run(
                [&bus, id, out] {
                    MonitorRecord* record = bus.Find(id);
                    std::optional<ObjectRef> entry = record ? record->ring.Take() : std::nullopt;
                    out->status = entry ? Describe(entry->get(), out->info) : A11yStatus::Empty;
                },
                cancel);
            return Deliver(ran, *out, info);
        }

        A11yStatus ObjectAt(int32_t x, int32_t y, A11yObjectInfo& info, const A11yCancel& cancel) override
        {
            BusThread& bus = BusThread::Instance();
            const A11yStatus ready = bus.Ready(cancel);
            if (ready != A11yStatus::Ok)
                return ready;
            auto out = std::make_shared<Outcome>();
            const bool ran
                = bus.Run([x, y, out] { out->status = Describe(DeepestAt(x, y).get(), out->info); }, cancel);
            return Deliver(ran, *out, info);
        }

    private:
        struct Outcome {
            A11yStatus status { A11yStatus::NoObject };
            A11yObjectInfo info;
        };

        static A11yStatus Deliver(bool ran, const Outcome& out, A11yObjectInfo& info)
        {
            if (!ran)
                return A11yStatus::Interrupted;
            info = out.info;
            return out.status;
        }

        int m_id { 0 };
        // Set once the bus thread knows this monitor.
        bool m_used { false };
    };

} // namespace

A11yStatus RunOnBusThread(std::function<void()> job, const A11yCancel& cancel)
{
    BusThread& bus = BusThread::Instance();
    const A11yStatus ready = bus.Ready(cancel);
    if (ready != A11yStatus::Ok)
        return ready;
    return bus.Run(std::move(job), cancel) ? A11yStatus::Ok : A11yStatus::Interrupted;
}

std::unique_ptr<A11yMonitor> OpenDesktopMonitor()
{
    return std::make_unique<AtspiMonitor>();
}

} // namespace palavrino::platform
