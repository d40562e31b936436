// The desktop's clipboard, which the program's own clipboard (line editor,
// screen review, TRANSFERE) keeps in step with. On X11 it is the CLIPBOARD
// selection, owned and served by a thread of this program while it runs.
// Text is UTF-8 here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace palavrino::platform {

class SystemClipboard {
public:
    virtual ~SystemClipboard() = default;

    // Offers the text to the desktop's other programs; false when the
    // desktop refused it. Without a desktop there is nobody to refuse.
    [[nodiscard]] virtual bool Put(const std::string& utf8) = 0;

    enum class Holder : uint8_t {
        Us, // this program holds the clipboard: its own copy is current
        Nobody, // the desktop clipboard is empty
        Other, // another program's text, given in `utf8`
        Unreachable, // no display, or the owner did not answer in time
    };
    // Asks the desktop for its clipboard text. The wait ends early on the
    // user's break request.
    [[nodiscard]] virtual Holder Get(std::string& utf8) = 0;
};

// The X11 clipboard of the display named by DISPLAY. It connects on first
// use, so creating it costs nothing on a machine without a desktop.
std::unique_ptr<SystemClipboard> MakeX11Clipboard();

} // namespace palavrino::platform
