// The tables the back-end modules hand to the program: one pointer per
// function of the back end's platform/*.h interface, filled in the module
// (NAME_module.cpp) and called by the program's stand-ins (NAME_proxy.cpp).
// Any change here must raise MODULE_ABI.
#pragma once

#include "platform/a11y.h"
#include "platform/audio_sink.h"
#include "platform/desktop_input.h"
#include "platform/desktop_x11.h"
#include "platform/focus_field.h"
#include "platform/jpeg.h"
#include "platform/media_file.h"
#include "platform/midi.h"
#include "platform/module_loader.h"
#include "platform/net.h"
#include "platform/system_clipboard.h"
#include "platform/terminal.h"
#include "platform/window.h"

#include <memory>
#include <string>
#include <vector>

namespace palavrino::platform {

// palavrino-sound.so: MIDI (ALSA sequencer, FluidSynth) and sound files.
struct SoundModuleRec {
    MidiStatus (*list_midi_ports)(std::vector<MidiPort>& ports);
    MidiStatus (*open_sequencer_out)(const MidiPort& port, std::unique_ptr<MidiOut>& out);
    std::vector<std::string> (*default_sound_fonts)();
    MidiStatus (*open_soft_synth)(
        AudioSink& sink, const std::vector<std::string>& sound_fonts, std::unique_ptr<MidiOut>& out);
    MediaStatus (*open_media_file)(const std::string& path, std::unique_ptr<MediaDecoder>& out);
};

// palavrino-x11.so: windows, synthetic input (XTest) and the clipboard. A
// DesktopInput lives in the module and is reached through its handle.
struct X11ModuleRec {
    DesktopStatus (*active_window_title)(std::string& title);
    DesktopStatus (*active_window_id)(uint64_t& id);
    DesktopStatus (*list_windows)(std::vector<DesktopWindow>& windows);
    DesktopStatus (*apply_window_action)(uint64_t window, WindowAction action);
    std::unique_ptr<SystemClipboard> (*make_clipboard)();
    uint32_t (*keysym_of_virtual_key)(uint8_t vk);
    uint32_t (*keysym_of_character)(char32_t ch);
    void* (*input_new)();
    void (*input_delete)(void* input);
    DesktopStatus (*input_open)(void* input);
    DesktopStatus (*input_key)(void* input, uint8_t vk, bool down);
    DesktopStatus (*input_type_character)(void* input, char32_t ch);
    DesktopStatus (*input_character_key)(void* input, char32_t ch, bool down);
    DesktopStatus (*input_move_pointer)(void* input, int x, int y);
    DesktopStatus (*input_button)(void* input, MouseButton button, bool down);
    DesktopStatus (*input_pointer_position)(void* input, int& x, int& y);
    DesktopStatus (*input_window_origin)(void* input, int& x, int& y);
    void (*input_finish)(void* input);
};

// palavrino-a11y.so: the accessibility bus (libatspi, GLib).
struct A11yModuleRec {
    std::unique_ptr<A11yMonitor> (*open_desktop_monitor)();
    A11yStatus (*run_on_bus_thread)(std::function<void()> job, const A11yCancel& cancel);
    FieldStatus (*focused_field_text)(std::string& utf8);
};

// palavrino-picture.so: JPEG decoding (libjpeg).
struct PictureModuleRec {
    JpegStatus (*decode_jpeg_file)(const std::string& path, DecodedJpeg& out);
};

// palavrino-tls.so: TLS client channels (OpenSSL).
struct TlsModuleRec {
    NetStatus (*start_tls)(std::unique_ptr<NetStream> plain, const std::string& host,
        const TlsSettings& settings, int timeout_ms, const CancelCheck& cancel,
        std::unique_ptr<NetStream>& secure);
};

// palavrino-window.so: the graphical console window (SDL2, SDL2_ttf,
// fontconfig).
struct WindowModuleRec {
    std::unique_ptr<ConsoleWindow> (*open_console_window)(const WindowOptions& options, std::string& reason);
};

// palavrino-terminal.so: the full-screen terminal front end (ncurses); null
// when either descriptor is not a terminal or the terminal cannot be driven.
struct TerminalModuleRec {
    std::unique_ptr<Terminal> (*open_full_screen)(int input_fd, int output_fd);
};

} // namespace palavrino::platform
