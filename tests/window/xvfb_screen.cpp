// Starting Xvfb and looking at windows through Xlib.
#include "tests/window/xvfb_screen.h"

#include "console/bmp_image.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace palavrino::testing {

namespace {

    ::Display* Dpy(void* connection)
    {
        return static_cast<::Display*>(connection);
    }

    int Channel(unsigned long value, unsigned long mask)
    {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (((mask >> shift) & 1) == 0)
            ++shift;
        const unsigned long max = mask >> shift;
        return static_cast<int>(((value & mask) >> shift) * 255 / max);
    }

} // namespace

Pixel Screenshot::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return {};
    const std::size_t i
        = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    return Pixel { rgb[i], rgb[i + 1], rgb[i + 2] };
}

bool Screenshot::Save(const std::filesystem::path& file) const
{
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::binary);
    out << console::EncodeBmp(width, height, false, rgb);
    return static_cast<bool>(out);
}

Xvfb::Xvfb()
{
    int fds[2];
    if (::pipe(fds) != 0) {
        m_reason = "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = { "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten",
        "tcp", "-noreset", nullptr };
    if (posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string number;
    char c = 0;
    while (m_pid > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty()) {
        m_reason = "Xvfb could not start (install the xvfb package)";
        return;
    }
    m_display = ":" + number;
    ::setenv("DISPLAY", m_display.c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    m_connection = XOpenDisplay(m_display.c_str());
    if (!m_connection) {
        m_reason = "Xvfb does not answer";
        m_display.clear();
    }
}

Xvfb::~Xvfb()
{
    if (m_connection)
        XCloseDisplay(Dpy(m_connection));
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

Screenshot Xvfb::Capture(unsigned long window) const
{
    Screenshot shot;
    ::Display* d = Dpy(m_connection);
    XSync(d, False);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(d, window, &attributes) || attributes.map_state != IsViewable)
        return shot;
    XImage* image = XGetImage(d, window, 0, 0, static_cast<unsigned>(attributes.width),
        static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return shot;
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.rgb.resize(static_cast<std::size_t>(shot.width) * static_cast<std::size_t>(shot.height) * 3);
    std::size_t i = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            shot.rgb[i++] = static_cast<std::uint8_t>(Channel(p, image->red_mask));
            shot.rgb[i++] = static_cast<std::uint8_t>(Channel(p, image->green_mask));
            shot.rgb[i++] = static_cast<std::uint8_t>(Channel(p, image->blue_mask));
        }
    XDestroyImage(image);
    return shot;
}

bool Xvfb::Mapped(unsigned long window) const
{
    XWindowAttributes attributes;
    XSync(Dpy(m_connection), False);
    return XGetWindowAttributes(Dpy(m_connection), window, &attributes) && attributes.map_state == IsViewable;
}

std::string Xvfb::Title(unsigned long window) const
{
    ::Display* d = Dpy(m_connection);
    Atom type = None;
    int format = 0;
    unsigned long n = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False,
        XInternAtom(d, "UTF8_STRING", False), &type, &format, &n, &after, &data);
    std::string title = data ? std::string(reinterpret_cast<char*>(data), n) : std::string();
    if (data)
        XFree(data);
    return title;
}

void Xvfb::Focus(unsigned long window) const
{
    XSetInputFocus(Dpy(m_connection), window, RevertToParent, CurrentTime);
    XSync(Dpy(m_connection), False);
}

void Xvfb::Tap(unsigned long keysym, const std::vector<unsigned long>& modifiers) const
{
    ::Display* d = Dpy(m_connection);
    for (unsigned long m : modifiers)
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, m), True, CurrentTime);
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, keysym), True, CurrentTime);
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, keysym), False, CurrentTime);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        XTestFakeKeyEvent(d, XKeysymToKeycode(d, *it), False, CurrentTime);
    XSync(d, False);
}

} // namespace palavrino::testing
