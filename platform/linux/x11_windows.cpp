// Windows through Xlib and EWMH. Each call opens its own short connection:
// the commands are rare and a script may outlive an X server restart.
// Windows may vanish between listing and asking, so protocol errors are
// ignored rather than left to Xlib's default handler, which ends the process.
#include "platform/desktop_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <memory>

namespace palavrino::platform {

namespace {

    int IgnoreXError(Display*, XErrorEvent*)
    {
        return 0;
    }

    struct DisplayCloser {
        void operator()(Display* d) const { XCloseDisplay(d); }
    };
    using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

    DisplayPtr OpenDisplay()
    {
        XSetErrorHandler(IgnoreXError);
        return DisplayPtr(XOpenDisplay(nullptr));
    }

    Atom A(Display* d, const char* name)
    {
        return XInternAtom(d, name, False);
    }

    // A property's items, format 8 or 32 (as unsigned longs for 32).
    template <typename T>
    bool ReadProperty(Display* d, Window w, Atom property, Atom type, std::vector<T>& items)
    {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(
                d, w, property, 0, 1 << 20, False, type, &actual, &format, &count, &after, &data)
                != Success
            || !data)
            return false;
        const T* begin = reinterpret_cast<const T*>(data);
        items.assign(begin, begin + count);
        XFree(data);
        return actual != None;
    }

    std::string Title(Display* d, Window w)
    {
        std::vector<char> text;
        if (ReadProperty(d, w, A(d, "_NET_WM_NAME"), A(d, "UTF8_STRING"), text) && !text.empty())
            return std::string(text.begin(), text.end());
        XTextProperty prop {};
        std::string title;
        if (XGetWMName(d, w, &prop) && prop.value) {
            char** list = nullptr;
            int n = 0;
            if (Xutf8TextPropertyToTextList(d, &prop, &list, &n) >= Success && list && n > 0)
                title = list[0];
            if (list)
                XFreeStringList(list);
            XFree(prop.value);
        }
        return title;
    }

    Window ActiveWindow(Display* d)
    {
        std::vector<unsigned long> active;
        if (ReadProperty(d, DefaultRootWindow(d), A(d, "_NET_ACTIVE_WINDOW"), XA_WINDOW, active)
            && !active.empty() && active[0] != None)
            return active[0];
        // Without a window manager that keeps EWMH, the input focus.
        Window focus = None;
        int revert = 0;
        XGetInputFocus(d, &focus, &revert);
        return focus == PointerRoot ? None : focus;
    }

    void SendRootMessage(Display* d, Window w, Atom type, long a0, long a1 = 0, long a2 = 0)
    {
        XEvent e {};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = type;
        e.xclient.format = 32;
        e.xclient.data.l[0] = a0;
        e.xclient.data.l[1] = a1;
        e.xclient.data.l[2] = a2;
        e.xclient.data.l[3] = 2; // the request comes from a tool acting for the user
        XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    }

    void SetMaximised(Display* d, Window w, bool on)
    {
        SendRootMessage(d, w, A(d, "_NET_WM_STATE"), on ? 1 : 0,
            static_cast<long>(A(d, "_NET_WM_STATE_MAXIMIZED_VERT")),
            static_cast<long>(A(d, "_NET_WM_STATE_MAXIMIZED_HORZ")));
    }

    void Activate(Display* d, Window w)
    {
        XMapRaised(d, w);
        SendRootMessage(d, w, A(d, "_NET_ACTIVE_WINDOW"), 2, CurrentTime);
    }

} // namespace

DesktopStatus ActiveWindowTitle(std::string& title)
{
    title.clear();
    DisplayPtr d = OpenDisplay();
    if (!d)
        return DesktopStatus::NoDisplay;
    const Window w = ActiveWindow(d.get());
    if (w != None)
        title = Title(d.get(), w);
    return DesktopStatus::Ok;
}

DesktopStatus ActiveWindowId(uint64_t& id)
{
    id = 0;
    DisplayPtr d = OpenDisplay();
    if (!d)
        return DesktopStatus::NoDisplay;
    id = ActiveWindow(d.get());
    return DesktopStatus::Ok;
}

DesktopStatus ListWindows(std::vector<DesktopWindow>& windows)
{
    windows.clear();
    DisplayPtr d = OpenDisplay();
    if (!d)
        return DesktopStatus::NoDisplay;
    const Window root = DefaultRootWindow(d.get());
    std::vector<unsigned long> ids;
    if (!ReadProperty(d.get(), root, A(d.get(), "_NET_CLIENT_LIST_STACKING"), XA_WINDOW, ids)
        && !ReadProperty(d.get(), root, A(d.get(), "_NET_CLIENT_LIST"), XA_WINDOW, ids)) {
        // No EWMH window manager: the root's mapped children.
        Window root_return = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int n = 0;
        if (XQueryTree(d.get(), root, &root_return, &parent, &children, &n) && children) {
            ids.assign(children, children + n);
            XFree(children);
        }
    }
    // Stacking lists run bottom to top.
    std::reverse(ids.begin(), ids.end());
    for (const unsigned long id : ids) {
        std::string title = Title(d.get(), id);
        if (!title.empty())
            windows.push_back({ id, std::move(title) });
    }
    return DesktopStatus::Ok;
}

DesktopStatus ApplyWindowAction(uint64_t id, WindowAction action)
{
    DisplayPtr d = OpenDisplay();
    if (!d)
        return DesktopStatus::NoDisplay;
    Display* dp = d.get();
    const Window w = static_cast<Window>(id);
    switch (action) {
    case WindowAction::Close:
        SendRootMessage(dp, w, A(dp, "_NET_CLOSE_WINDOW"), CurrentTime);
        break;
    case WindowAction::Normal:
        SetMaximised(dp, w, false);
        Activate(dp, w);
        break;
    case WindowAction::Maximize:
        SetMaximised(dp, w, true);
        Activate(dp, w);
        break;
    case WindowAction::Minimize:
        if (!XIconifyWindow(dp, w, DefaultScreen(dp)))
            return DesktopStatus::Failed;
        break;
    }
    XSync(dp, False);
    return DesktopStatus::Ok;
}

} // namespace palavrino::platform
