// The test X client: opens one window with the title given on its command
// line and writes to the log file every key and button it receives, one
// event a line ("key KEYSYM TEXT", "button N X Y"), then "closed" when the
// window manager asks it to close. Writes "ready" to the log once mapped.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <cstring>
#include <locale.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: x11_client TITLE LOGFILE\n");
        return 2;
    }
    setlocale(LC_ALL, "C.UTF-8");
    Display* d = XOpenDisplay(nullptr);
    if (!d)
        return 1;
    std::FILE* log = std::fopen(argv[2], "a");
    if (!log)
        return 1;
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 400, 300, 0, 0, 0xFFFFFF);
    const char* title = argv[1];
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
        if (e.type == MapNotify) {
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
            std::fprintf(log, "key %s %u %s\n", name ? name : "?", e.xkey.state, text);
        } else if (e.type == ButtonPress) {
            std::fprintf(log, "button %u %d %d\n", e.xbutton.button, e.xbutton.x_root, e.xbutton.y_root);
        } else if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == delete_window) {
            std::fprintf(log, "closed\n");
            std::fflush(log);
            break;
        }
        std::fflush(log);
    }
    XCloseDisplay(d);
    return 0;
}
