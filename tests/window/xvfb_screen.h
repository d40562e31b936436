// A private X server for the window tests: Xvfb on a display number it
// picks itself (-displayfd), killed when the test ends, and screenshots of
// a window taken from outside, the way a user's screen shows it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace palavrino::testing {

struct Pixel {
    int red { 0 };
    int green { 0 };
    int blue { 0 };
};

struct Screenshot {
    int width { 0 };
    int height { 0 };
    std::vector<std::uint8_t> rgb; // top row first
    Pixel At(int x, int y) const;
    // Writes it as a BMP file (for a reviewer to look at).
    bool Save(const std::filesystem::path& file) const;
};

class Xvfb {
public:
    // Starts the server and points DISPLAY at it; Started() tells whether
    // it worked, Reason() why not.
    Xvfb();
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool Started() const { return m_pid > 0 && !m_display.empty(); }
    const std::string& Reason() const { return m_reason; }

    // The contents of a window, by its X id.
    Screenshot Capture(unsigned long window) const;
    // Whether the window is mapped (shown) now.
    bool Mapped(unsigned long window) const;
    // The window's title (_NET_WM_NAME, UTF-8).
    std::string Title(unsigned long window) const;
    // Gives the window the keyboard focus (there is no window manager).
    void Focus(unsigned long window) const;
    // Presses and releases a key of the server's keyboard through XTest,
    // with the given modifier keysyms held.
    void Tap(unsigned long keysym, const std::vector<unsigned long>& modifiers = {}) const;

private:
    pid_t m_pid { -1 };
    std::string m_display;
    std::string m_reason;
    void* m_connection { nullptr }; // the test's own Display*
};

} // namespace palavrino::testing
