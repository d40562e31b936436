// The X11 CLIPBOARD selection. A selection's owner must answer every
// request for as long as it holds it, whatever the interpreter is doing
// (running a long loop, waiting for a key), so a thread with a connection
// of its own owns and serves it; asking another owner for its text uses a
// second connection on the caller's thread. Both connect on first use.
#include "platform/interrupt.h"
#include "platform/system_clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace palavrino::platform {

namespace {

    // How long another program may take to hand over its text, and the
    // serving thread to take ownership.
    constexpr auto ANSWER_LIMIT = std::chrono::seconds(2);
    constexpr int POLL_STEP_MS = 20;
    // Text from another program is read up to this size; TRANSFERE keeps 1 MiB.
    constexpr size_t MAX_INCOMING_BYTES = size_t { 8 } << 20;

    int IgnoreXError(Display*, XErrorEvent*)
    {
        return 0;
    }

    std::string Utf8ToLatin1(const std::string& utf8)
    {
        std::string out;
        for (size_t i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            if (c < 0x80) {
                out += static_cast<char>(c);
            } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
                out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
            } else if (c >= 0xC0) {
                out += '?';
                while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80)
                    ++i;
            }
        }
        return out;
    }

    std::string Latin1ToUtf8(const std::string& text)
    {
        std::string out;
        for (const char ch : text) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x80) {
                out += ch;
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return out;
    }

    struct Atoms {
        Atom clipboard, utf8, string, text, targets, incr, property, plain_utf8;
        explicit Atoms(Display* d)
            : clipboard(XInternAtom(d, "CLIPBOARD", False))
            , utf8(XInternAtom(d, "UTF8_STRING", False))
            , string(XA_STRING)
            , text(XInternAtom(d, "TEXT", False))
            , targets(XInternAtom(d, "TARGETS", False))
            , incr(XInternAtom(d, "INCR", False))
            , property(XInternAtom(d, "PALAVRINO_CLIPBOARD", False))
            , plain_utf8(XInternAtom(d, "text/plain;charset=utf-8", False))
        {
        }
    };

    class X11Clipboard final : public SystemClipboard {
    public:
        ~X11Clipboard() override;
        bool Put(const std::string& utf8) override;
        Holder Get(std::string& utf8) override;

    private:
        bool Connect();
        void Serve();
        void Answer(const XSelectionRequestEvent& request);
        bool AwaitEvent(int type, XEvent& event);
        bool ReadProperty(std::string& out, Atom& type);
        Holder Convert(Atom target, std::string& utf8);

        std::mutex m_mutex;
        std::condition_variable m_changed;
        std::string m_text; // what this program offers, UTF-8
        bool m_owned { false };
        unsigned m_claims_asked { 0 };
        unsigned m_claims_done { 0 };
        bool m_quit { false };

        bool m_connected { false };
        Display* m_serve { nullptr }; // the serving thread's alone
        Window m_serve_window { None };
        Display* m_ask { nullptr }; // callers', under m_ask_mutex
        Window m_ask_window { None };
        std::mutex m_ask_mutex;
        int m_wake[2] { -1, -1 };
        std::thread m_thread;
    };

    X11Clipboard::~X11Clipboard()
    {
        if (m_thread.joinable()) {
            {
                std::lock_guard lock(m_mutex);
                m_quit = true;
            }
            const char byte = 1;
            static_cast<void>(::write(m_wake[1], &byte, 1));
            m_thread.join();
        }
        if (m_serve)
            XCloseDisplay(m_serve);
        if (m_ask)
            XCloseDisplay(m_ask);
        for (const int fd : m_wake)
            if (fd >= 0)
                ::close(fd);
    }

    bool X11Clipboard::Connect()
    {
        if (m_connected)
            return true;
        XSetErrorHandler(IgnoreXError);
        m_serve = XOpenDisplay(nullptr);
        m_ask = m_serve ? XOpenDisplay(nullptr) : nullptr;
        if (!m_ask || ::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
            if (m_serve)
                XCloseDisplay(m_serve);
            if (m_ask)
                XCloseDisplay(m_ask);
            m_serve = m_ask = nullptr;
            return false;
        }
        m_serve_window = XCreateSimpleWindow(m_serve, DefaultRootWindow(m_serve), 0, 0, 1, 1, 0, 0, 0);
        m_ask_window = XCreateSimpleWindow(m_ask, DefaultRootWindow(m_ask), 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(m_ask, m_ask_window, PropertyChangeMask);
        XSync(m_serve, False);
        XSync(m_ask, False);
        m_thread = std::thread([this] { Serve(); });
        m_connected = true;
        return true;
    }

    void X11Clipboard::Serve()
    {
        const Atoms atoms(m_serve);
        for (;;) {
            while (XPending(m_serve)) {
                XEvent e;
                XNextEvent(m_serve, &e);
                if (e.type == SelectionRequest) {
                    Answer(e.xselectionrequest);
                } else if (e.type == SelectionClear && e.xselectionclear.selection == atoms.clipboard) {
                    std::lock_guard lock(m_mutex);
                    m_owned = false;
                }
            }
            pollfd fds[2] = { { ConnectionNumber(m_serve), POLLIN, 0 }, { m_wake[0], POLLIN, 0 } };
            if (::poll(fds, 2, -1) < 0)
                continue;
            if (!(fds[1].revents & POLLIN))
                continue;
            char buffer[64];
            while (::read(m_wake[0], buffer, sizeof buffer) > 0) { }
            std::lock_guard lock(m_mutex);
            if (m_quit)
                return;
            if (m_claims_done != m_claims_asked) {
                XSetSelectionOwner(m_serve, atoms.clipboard, m_serve_window, CurrentTime);
                m_owned = XGetSelectionOwner(m_serve, atoms.clipboard) == m_serve_window;
                m_claims_done = m_claims_asked;
                m_changed.notify_all();
            }
        }
    }

    void X11Clipboard::Answer(const XSelectionRequestEvent& request)
    {
        const Atoms atoms(m_serve);
        std::string text;
        {
            std::lock_guard lock(m_mutex);
            text = m_text;
        }
        XEvent reply {};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        // Old clients leave the property out: the target names it.
        reply.xselection.property = request.property == None ? request.target : request.property;
        const Window to = request.requestor;
        const Atom property = reply.xselection.property;
        // One request carries what fits; larger texts are refused rather than cut.
        const size_t limit
            = static_cast<size_t>(XExtendedMaxRequestSize(m_serve) > 0 ? XExtendedMaxRequestSize(m_serve)
                                                                       : XMaxRequestSize(m_serve))
                * 4
            - 1024;
        auto put = [&](Atom type, const std::string& bytes) {
            if (bytes.size() > limit) {
                reply.xselection.property = None;
                return;
            }
            XChangeProperty(m_serve, to, property, type, 8, PropModeReplace,
                reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
        };
        if (request.target == atoms.targets) {
            const Atom list[] = { atoms.targets, atoms.utf8, atoms.plain_utf8, atoms.string, atoms.text };
            XChangeProperty(m_serve, to, property, XA_ATOM, 32, PropModeReplace,
                reinterpret_cast<const unsigned char*>(list), 5);
        } else if (request.target == atoms.utf8 || request.target == atoms.text
            || request.target == atoms.plain_utf8) {
            put(request.target == atoms.text ? atoms.utf8 : request.target, text);
        } else if (request.target == atoms.string) {
            put(atoms.string, Utf8ToLatin1(text));
        } else {
            reply.xselection.property = None;
        }
        XSendEvent(m_serve, to, False, 0, &reply);
        XFlush(m_serve);
    }

    bool X11Clipboard::Put(const std::string& utf8)
    {
        // Without a display there is nothing to keep in step with.
        if (!Connect())
            return true;
        std::unique_lock lock(m_mutex);
        m_text = utf8;
        const unsigned claim = ++m_claims_asked;
        const char byte = 1;
        static_cast<void>(::write(m_wake[1], &byte, 1));
        m_changed.wait_for(lock, ANSWER_LIMIT, [&] { return m_claims_done == claim; });
        return m_claims_done == claim && m_owned;
    }

    // Waits for an event of `type` on the asking window, up to the limit
    // or the user's break request.
    bool X11Clipboard::AwaitEvent(int type, XEvent& event)
    {
        const auto end = std::chrono::steady_clock::now() + ANSWER_LIMIT;
        while (std::chrono::steady_clock::now() < end && !InterruptPending()) {
            if (XCheckTypedWindowEvent(m_ask, m_ask_window, type, &event))
                return true;
            pollfd p { ConnectionNumber(m_ask), POLLIN, 0 };
            ::poll(&p, 1, POLL_STEP_MS);
        }
        return false;
    }

    bool X11Clipboard::ReadProperty(std::string& out, Atom& type)
    {
        const Atoms atoms(m_ask);
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_ask, m_ask_window, atoms.property, 0,
                static_cast<long>(MAX_INCOMING_BYTES / 4), True, AnyPropertyType, &type, &format, &count,
                &after, &data)
            != Success)
            return false;
        if (data && format == 8)
            out.append(reinterpret_cast<const char*>(data), count);
        if (data)
            XFree(data);
        return true;
    }

    SystemClipboard::Holder X11Clipboard::Convert(Atom target, std::string& utf8)
    {
        const Atoms atoms(m_ask);
        XEvent e;
        while (XCheckTypedWindowEvent(m_ask, m_ask_window, PropertyNotify, &e)) { }
        XConvertSelection(m_ask, atoms.clipboard, target, atoms.property, m_ask_window, CurrentTime);
        XFlush(m_ask);
        if (!AwaitEvent(SelectionNotify, e))
            return Holder::Unreachable;
        if (e.xselection.property == None)
            return Holder::Nobody;
        std::string bytes;
        Atom type = None;
        if (!ReadProperty(bytes, type))
            return Holder::Unreachable;
        if (type == atoms.incr) {
            // Large texts come in pieces: each deletion of the property asks
            // for the next, and an empty piece ends them.
            bytes.clear();
            for (;;) {
                do {
                    if (!AwaitEvent(PropertyNotify, e))
                        return Holder::Unreachable;
                } while (e.xproperty.atom != atoms.property || e.xproperty.state != PropertyNewValue);
                const size_t before = bytes.size();
                if (!ReadProperty(bytes, type))
                    return Holder::Unreachable;
                if (bytes.size() == before || bytes.size() > MAX_INCOMING_BYTES)
                    break;
            }
        }
        utf8 = type == atoms.string ? Latin1ToUtf8(bytes) : bytes;
        return Holder::Other;
    }

    SystemClipboard::Holder X11Clipboard::Get(std::string& utf8)
    {
        if (!Connect())
            return Holder::Unreachable;
        std::lock_guard ask_lock(m_ask_mutex);
        const Atoms atoms(m_ask);
        const Window owner = XGetSelectionOwner(m_ask, atoms.clipboard);
        if (owner == m_serve_window)
            return Holder::Us;
        if (owner == None)
            return Holder::Nobody;
        const Holder got = Convert(atoms.utf8, utf8);
        return got == Holder::Nobody ? Convert(atoms.string, utf8) : got;
    }

} // namespace

std::unique_ptr<SystemClipboard> MakeX11Clipboard()
{
    return std::make_unique<X11Clipboard>();
}

} // namespace palavrino::platform
