// The test X client, in three forms:
//   x11_client TITLE LOGFILE   opens one window with that title and writes
//       to the log every key and button it receives, one event a line
//       ("key KEYSYM STATE TEXT", "button N X Y" in screen coordinates),
//       "ready" once mapped and "closed" when asked to close;
//   x11_client copy TEXT LOGFILE   owns the CLIPBOARD with TEXT (UTF-8),
//       writes "owned", serves requests until another owner takes it;
//   x11_client paste LOGFILE   writes the CLIPBOARD's UTF-8 text to the
//       log (or "none" when nobody owns it) and ends.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <string>
#include <sys/select.h>

namespace {

int RunWindow(Display* d, const char* title, std::FILE* log)
{
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 400, 300, 0, 0, 0xFFFFFF);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
        PropModeReplace, reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
    XStoreName(d, w, title);
    Atom delete_window = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &delete_window, 1);
    XSelectInput(d, w, KeyPressMask | ButtonPressMask | StructureNotifyMask);
    XMapWindow(d, w);
    XIM im = XOpenIM(d, nullptr, nullptr, nullptr);
    XIC ic = im
        ? XCreateIC(im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, w, nullptr)
        : nullptr;
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (XFilterEvent(&e, None))
            continue;
        if (e.type == MappingNotify) {
            XRefreshKeyboardMapping(&e.xmapping);
        } else if (e.type == MapNotify) {
            std::fprintf(log, "ready\n");
        } else if (e.type == KeyPress) {
            char text[64] = {};
            KeySym sym = NoSymbol;
            int n = 0;
            if (ic) {
                Status status = 0;
                n = Xutf8LookupString(ic, &e.xkey, text, sizeof text - 1, &sym, &status);
            } else {
                n = XLookupString(&e.xkey, text, sizeof text - 1, &sym, nullptr);
            }
            text[n > 0 ? n : 0] = '\0';
            const char* name = XKeysymToString(sym);
            // Only Shift, Ctrl and Alt: other state bits depend on the layout.
            std::fprintf(log, "key %s %u %s\n", name ? name : "?",
                e.xkey.state & (ShiftMask | ControlMask | Mod1Mask), text);
        } else if (e.type == ButtonPress) {
            std::fprintf(log, "button %u %d %d\n", e.xbutton.button, e.xbutton.x_root, e.xbutton.y_root);
        } else if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == delete_window) {
            std::fprintf(log, "closed\n");
            std::fflush(log);
            break;
        }
        std::fflush(log);
    }
    return 0;
}

int RunCopy(Display* d, const std::string& text, std::FILE* log)
{
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    const Atom targets = XInternAtom(d, "TARGETS", False);
    XSetSelectionOwner(d, clipboard, w, CurrentTime);
    if (XGetSelectionOwner(d, clipboard) != w)
        return 1;
    std::fprintf(log, "owned\n");
    std::fflush(log);
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == SelectionClear)
            return 0;
        if (e.type != SelectionRequest)
            continue;
        const XSelectionRequestEvent& r = e.xselectionrequest;
        XEvent reply {};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = r.requestor;
        reply.xselection.selection = r.selection;
        reply.xselection.target = r.target;
        reply.xselection.time = r.time;
        reply.xselection.property = r.property == None ? r.target : r.property;
        if (r.target == targets) {
            const Atom list[] = { targets, utf8 };
            XChangeProperty(d, r.requestor, reply.xselection.property, XA_ATOM, 32, PropModeReplace,
                reinterpret_cast<const unsigned char*>(list), 2);
        } else if (r.target == utf8) {
            XChangeProperty(d, r.requestor, reply.xselection.property, utf8, 8, PropModeReplace,
                reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
        } else {
            reply.xselection.property = None;
        }
        XSendEvent(d, r.requestor, False, 0, &reply);
        XFlush(d);
    }
}

int RunPaste(Display* d, std::FILE* log)
{
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    const Atom property = XInternAtom(d, "PL_PASTE", False);
    if (XGetSelectionOwner(d, clipboard) == None) {
        std::fprintf(log, "none\n");
        return 0;
    }
    XConvertSelection(d, clipboard, utf8, property, w, CurrentTime);
    XFlush(d);
    for (int waited_ms = 0; waited_ms < 10000;) {
        XEvent e;
        if (!XPending(d)) {
            timeval tv { 0, 20000 };
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(ConnectionNumber(d), &fds);
            select(ConnectionNumber(d) + 1, &fds, nullptr, nullptr, &tv);
            waited_ms += 20;
            continue;
        }
        XNextEvent(d, &e);
        if (e.type != SelectionNotify)
            continue;
        if (e.xselection.property == None) {
            std::fprintf(log, "refused\n");
            return 1;
        }
        Atom type = None;
        int format = 0;
        unsigned long n = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(
            d, w, property, 0, 1 << 22, True, AnyPropertyType, &type, &format, &n, &after, &data);
        std::fwrite(data ? data : reinterpret_cast<const unsigned char*>(""), 1, n, log);
        if (data)
            XFree(data);
        return 0;
    }
    std::fprintf(log, "timeout\n");
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    setlocale(LC_ALL, "C.UTF-8");
    const bool copy = argc == 4 && std::strcmp(argv[1], "copy") == 0;
    const bool paste = argc == 3 && std::strcmp(argv[1], "paste") == 0;
    if (!copy && !paste && argc != 3) {
        std::fprintf(stderr, "usage: x11_client TITLE LOGFILE | copy TEXT LOGFILE | paste LOGFILE\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return 1;
    std::FILE* log = std::fopen(argv[argc - 1], "a");
    if (!log)
        return 1;
    int status = 0;
    if (copy)
        status = RunCopy(d, argv[2], log);
    else if (paste)
        status = RunPaste(d, log);
    else
        status = RunWindow(d, argv[1], log);
    std::fclose(log);
    XCloseDisplay(d);
    return status;
}
