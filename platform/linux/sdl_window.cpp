// The console window on SDL2. SDL and the window live on a thread of their
// own, which keeps drawing, answering the desktop (exposure, resizing,
// closing) and seeing the break key while the script computes, speaks or
// sleeps. The interpreter's thread hands over what the screen shows and
// takes the events the window collected, turning them into key bytes
// itself, because the braille keyboard they feed belongs to the console.
#include "encoding/encoding.h"
#include "platform/interrupt.h"
#include "platform/linux/sdl_keys.h"
#include "platform/window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <SDL_ttf.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fontconfig/fontconfig.h>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace palavrino::platform {

namespace {

    constexpr int COLUMNS = 80;
    constexpr int ROWS = 25;
    constexpr int CELLS = COLUMNS * ROWS;
    constexpr const char* FALLBACK_FACE = "DejaVu Sans Mono";
    // How long the window thread sleeps between looks at the desktop when
    // nothing happens, and the least time between two frames while the
    // screen changes quickly (a script writing many lines).
    constexpr int IDLE_WAIT_MS = 20;
    constexpr auto MIN_FRAME_GAP = std::chrono::milliseconds(8);
    // How often a waiting reader looks at the break request, which a
    // signal raises without waking it.
    constexpr auto READER_POLL = std::chrono::milliseconds(50);
    constexpr int CARET_HEIGHT = 2;

    std::string Lower(std::string text)
    {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    }

    struct FontChoice {
        std::string file;
        bool synthetic_bold { false };
    };

    // The font file fontconfig gives for a family and weight; nothing when
    // it has no font of that family (it would offer another one).
    std::optional<FontChoice> MatchFont(const std::string& family, int weight, bool any_family)
    {
        FcPattern* pattern = FcPatternCreate();
        if (!pattern)
            return std::nullopt;
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        if (!match)
            return std::nullopt;
        std::optional<FontChoice> choice;
        FcChar8* file = nullptr;
        FcChar8* found_family = nullptr;
        int found_weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &found_weight);
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch
            && FcPatternGetString(match, FC_FAMILY, 0, &found_family) == FcResultMatch
            && (any_family || Lower(reinterpret_cast<const char*>(found_family)) == Lower(family))) {
            choice = FontChoice { reinterpret_cast<const char*>(file),
                weight >= 600 && found_weight < FC_WEIGHT_DEMIBOLD };
        }
        FcPatternDestroy(match);
        return choice;
    }

    std::optional<FontChoice> FindFont(const std::string& face, int weight)
    {
        if (!FcInit())
            return std::nullopt;
        if (auto f = MatchFont(face, weight, false))
            return f;
        if (auto f = MatchFont(FALLBACK_FACE, weight, false))
            return f;
        return MatchFont(FALLBACK_FACE, weight, true);
    }

    // A font whose line is as close as possible to `height` pixels without
    // passing it.
    TTF_Font* OpenSizedFont(const FontChoice& choice, int height)
    {
        int size = std::max(height, 4);
        for (int attempt = 0; attempt < 4; ++attempt) {
            TTF_Font* font = TTF_OpenFont(choice.file.c_str(), size);
            if (!font)
                return nullptr;
            const int got = TTF_FontHeight(font);
            if (got <= height || size <= 4) {
                if (choice.synthetic_bold)
                    TTF_SetFontStyle(font, TTF_STYLE_BOLD);
                return font;
            }
            TTF_CloseFont(font);
            size = std::max(4, size * height / std::max(got, 1));
            if (attempt == 2)
                --size;
        }
        return nullptr;
    }

    // White glyphs of the 224 printable Windows-1252 characters, tinted to
    // each cell's colour when drawn.
    class GlyphSet {
    public:
        GlyphSet() = default;
        GlyphSet(const GlyphSet&) = delete;
        GlyphSet& operator=(const GlyphSet&) = delete;
        ~GlyphSet() { Reset(); }

        void Reset()
        {
            for (SDL_Texture*& t : m_textures) {
                if (t)
                    SDL_DestroyTexture(t);
                t = nullptr;
            }
            if (m_font)
                TTF_CloseFont(m_font);
            m_font = nullptr;
        }
        void SetFont(TTF_Font* font)
        {
            Reset();
            m_font = font;
        }
        TTF_Font* Font() const { return m_font; }

        SDL_Texture* Glyph(SDL_Renderer* renderer, std::uint8_t c)
        {
            if (c <= ' ' || !m_font)
                return nullptr;
            SDL_Texture*& t = m_textures[c];
            if (!t) {
                const std::string text = encoding::Cp1252ToUtf8(std::string(1, static_cast<char>(c)));
                SDL_Surface* s
                    = TTF_RenderUTF8_Blended(m_font, text.c_str(), SDL_Color { 255, 255, 255, 255 });
                if (!s)
                    return nullptr;
                t = SDL_CreateTextureFromSurface(renderer, s);
                SDL_FreeSurface(s);
            }
            return t;
        }

    private:
        TTF_Font* m_font { nullptr };
        std::array<SDL_Texture*, 256> m_textures {};
    };

    struct MagnifierState {
        bool shown { false };
        std::string text;
        int cursor_index { -1 };
        int factor { 0 };
        int letter { 14 };
        int back { 6 };
        int cursor { 3 };
    };

    struct PictureState {
        int width { 0 };
        int height { 0 };
        std::vector<std::uint8_t> rgb;
    };

    // What the interpreter's thread hands the window thread, under m_mutex.
    struct Scene {
        std::array<std::uint8_t, CELLS> chars {};
        std::array<std::uint8_t, CELLS> attrs {};
        std::array<int, 16> palette_of { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 };
        int cursor_column { 0 };
        int cursor_row { 0 };
        bool caret { false }; // a reader waits for a key
        MagnifierState magnifier;
        std::shared_ptr<const PictureState> picture;
        int picture_x { 0 };
        int picture_y { 0 };
        double picture_scale { 1.0 };
    };

    SDL_Color ColourOf(int palette_index)
    {
        if (palette_index < 0 || palette_index > 15)
            return SDL_Color { 0, 0, 0, 255 };
        const Rgb c = CONSOLE_PALETTE[static_cast<std::size_t>(palette_index)];
        return SDL_Color { c.red, c.green, c.blue, 255 };
    }

    class SdlWindow final : public ConsoleWindow {
    public:
        ~SdlWindow() override;

        bool Start(const WindowOptions& options, std::string& reason);

        // ---- ScreenListener ----
        void TextWritten(std::string_view) override { }
        void CellsChanged(int, int, int) override { }
        void RegionScrolled(int, int, int, int) override { }
        void TitleChanged(std::string_view title) override;
        // The console sounds its own bell through the speech output.
        void Bell() override { }
        void Refresh(const CellView& view) override;
        void ShowMagnified(std::string_view text, int cursor_index, int factor, int letter_colour,
            int back_colour, int cursor_colour) override;
        void HideMagnified() override;
        void VisibilityChanged(bool shown) override;
        void BackgroundChanged(const PictureView* picture) override;
        bool ShowsPictures() const override { return true; }

        // ---- KeySource ----
        bool KeyWaiting() override;
        bool WaitForKey(int timeout_ms) override;
        std::uint8_t ReadKeyByte() override;
        bool InputEnded() override;
        bool IsLive() const override { return true; }
        std::uint8_t LastKeyModifiers() const override { return m_last_modifiers; }
        void SetCtrlCIsKey(bool on) override { m_ctrl_c_is_key = on; }
        bool TakeSilenceRequest() override { return m_silence.exchange(false); }
        bool DeliversKeyReleases() const override { return true; }
        void SetWindowInput(WindowInput* input) override { m_input = input; }

        // ---- ConsoleWindow ----
        void Flush() override;
        unsigned long NativeId() const override { return m_native_id; }
        std::string FontFile() const override { return m_font_file; }
        int CellWidth() const override { return m_cell_width; }
        int CellHeight() const override { return m_cell_height; }

    private:
        // The window thread.
        void Run(const WindowOptions& options, std::promise<std::string>& started);
        std::string Create(const WindowOptions& options);
        void Destroy();
        void Handle(const SDL_Event& event);
        void Render();
        void DrawCells(const Scene& scene);
        void DrawPicture(const Scene& scene);
        void DrawMagnifier(const Scene& scene);
        void DrawCaret(const Scene& scene);
        void Wake();

        // The interpreter's side: queued events into key bytes.
        void TakeEvents();
        // Marks the scene changed (under the lock) and wakes the window.
        void Changed()
        {
            ++m_generation;
            Wake();
        }

        std::thread m_thread;
        mutable std::mutex m_mutex;
        std::condition_variable m_cv;
        Scene m_scene;
        std::uint64_t m_generation { 1 };
        std::uint64_t m_drawn_generation { 0 };
        std::deque<WindowEvent> m_events;
        std::string m_title;
        bool m_title_changed { false };
        int m_visibility_change { 0 }; // 1 show, -1 hide
        std::atomic<bool> m_closed { false }; // the user closed the window
        bool m_quit { false };
        std::atomic<bool> m_ctrl_c_is_key { false };
        std::atomic<bool> m_silence { false };
        std::atomic<bool> m_wake_pending { false };
        std::uint32_t m_wake_event { 0 };

        // Window thread only.
        SDL_Window* m_window { nullptr };
        SDL_Renderer* m_renderer { nullptr };
        GlyphSet m_glyphs;
        GlyphSet m_big_glyphs; // the magnifier's, factor times larger
        int m_big_factor { 0 };
        FontChoice m_font;
        SDL_Texture* m_picture_texture { nullptr };
        const PictureState* m_picture_source { nullptr };
        std::shared_ptr<const PictureState> m_picture_keep;
        bool m_focused { false };
        bool m_force_draw { true };
        std::chrono::steady_clock::time_point m_last_frame {};
        int m_ascent { 0 };

        // Fixed once started.
        std::string m_font_file;
        int m_cell_width { 13 };
        int m_cell_height { 28 };
        unsigned long m_native_id { 0 };

        // Interpreter's thread only.
        WindowInput* m_input { nullptr };
        SdlKeyTranslator m_translator;
        std::uint8_t m_last_modifiers { 0 };
    };

    SdlWindow::~SdlWindow()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        Wake();
        if (m_thread.joinable())
            m_thread.join();
    }

    bool SdlWindow::Start(const WindowOptions& options, std::string& reason)
    {
        std::promise<std::string> started;
        std::future<std::string> result = started.get_future();
        m_thread = std::thread([this, &options, &started] { Run(options, started); });
        reason = result.get();
        if (!reason.empty()) {
            m_thread.join();
            return false;
        }
        return true;
    }

    void SdlWindow::Run(const WindowOptions& options, std::promise<std::string>& started)
    {
        const std::string failure = Create(options);
        started.set_value(failure);
        if (!failure.empty())
            return;
        for (;;) {
            SDL_Event event;
            if (SDL_WaitEventTimeout(&event, IDLE_WAIT_MS) != 0) {
                Handle(event);
                while (SDL_PollEvent(&event) != 0)
                    Handle(event);
            }
            std::string title;
            int visibility = 0;
            bool due = false;
            {
                std::lock_guard lock(m_mutex);
                if (m_quit)
                    break;
                if (m_title_changed)
                    title = m_title;
                visibility = m_visibility_change;
                m_title_changed = false;
                m_visibility_change = 0;
                due = m_generation != m_drawn_generation;
            }
            if (!title.empty())
                SDL_SetWindowTitle(m_window, title.c_str());
            if (visibility > 0) {
                SDL_ShowWindow(m_window);
                SDL_RestoreWindow(m_window);
                SDL_RaiseWindow(m_window);
            } else if (visibility < 0) {
                SDL_HideWindow(m_window);
            }
            const auto now = std::chrono::steady_clock::now();
            if (m_force_draw || (due && now - m_last_frame >= MIN_FRAME_GAP))
                Render();
        }
        Destroy();
    }

    std::string SdlWindow::Create(const WindowOptions& options)
    {
        // The program's own handler takes Ctrl+C; SDL must not replace it.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        // Only a desktop session shows a window to the user; SDL's other
        // drivers (the bare graphics card, off-screen) would open one that
        // nobody sees, and a reader would wait on it for ever. A driver the
        // user names in SDL_VIDEODRIVER is taken as it is.
        const char* forced = std::getenv("SDL_VIDEODRIVER");
        const bool desktop = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
        if (!forced && !desktop)
            return "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
        if (SDL_Init(SDL_INIT_VIDEO) != 0)
            return std::string("SDL could not start: ") + SDL_GetError();
        const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
        if (!forced && driver != "x11" && driver != "wayland") {
            SDL_Quit();
            return "no desktop display (SDL chose the " + driver + " driver)";
        }
        if (TTF_Init() != 0) {
            SDL_Quit();
            return std::string("SDL_ttf could not start: ") + TTF_GetError();
        }
        SDL_Rect area { 0, 0, 1024, 734 };
        if (SDL_GetDisplayUsableBounds(0, &area) != 0)
            area = SDL_Rect { 0, 0, 1024, 734 };
        WindowFont font = options.choose_font ? options.choose_font(area.w, area.h) : WindowFont {};
        m_cell_width = std::clamp(font.width, 2, 400);
        m_cell_height = std::clamp(font.height, 4, 400);
        const std::optional<FontChoice> choice = FindFont(font.face, font.weight);
        if (!choice) {
            Destroy();
            return "no font found through fontconfig (install fonts-dejavu-core)";
        }
        m_font = *choice;
        m_font_file = choice->file;
        TTF_Font* ttf = OpenSizedFont(*choice, m_cell_height);
        if (!ttf) {
            Destroy();
            return std::string("the font could not be opened: ") + TTF_GetError();
        }
        m_ascent = std::min(TTF_FontAscent(ttf), m_cell_height - CARET_HEIGHT);
        m_glyphs.SetFont(ttf);

        Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN;
        if (options.open_maximised)
            flags |= SDL_WINDOW_MAXIMIZED;
        m_window = SDL_CreateWindow(options.title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
            COLUMNS * m_cell_width, ROWS * m_cell_height, flags);
        if (!m_window) {
            const std::string why = std::string("the window could not be made: ") + SDL_GetError();
            Destroy();
            return why;
        }
        // The window grows no larger than the screen it emulates and no
        // smaller than 16 x 4 cells.
        SDL_SetWindowMinimumSize(m_window, 16 * m_cell_width, 4 * m_cell_height);
        SDL_SetWindowMaximumSize(m_window, COLUMNS * m_cell_width, ROWS * m_cell_height);
        m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_ACCELERATED);
        if (!m_renderer)
            m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
        if (!m_renderer) {
            const std::string why = std::string("nothing can draw in the window: ") + SDL_GetError();
            Destroy();
            return why;
        }
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(m_window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11)
            m_native_id = static_cast<unsigned long>(info.info.x11.window);
        m_wake_event = SDL_RegisterEvents(1);
        m_title = options.title;
        SDL_StartTextInput();
        Render();
        return {};
    }

    void SdlWindow::Destroy()
    {
        if (m_picture_texture)
            SDL_DestroyTexture(m_picture_texture);
        m_picture_texture = nullptr;
        m_glyphs.Reset();
        m_big_glyphs.Reset();
        if (m_renderer)
            SDL_DestroyRenderer(m_renderer);
        m_renderer = nullptr;
        if (m_window)
            SDL_DestroyWindow(m_window);
        m_window = nullptr;
        TTF_Quit();
        SDL_Quit();
    }

    void SdlWindow::Wake()
    {
        if (m_wake_event == 0 || m_wake_event == static_cast<std::uint32_t>(-1))
            return;
        if (m_wake_pending.exchange(true))
            return;
        SDL_Event event {};
        event.type = m_wake_event;
        if (SDL_PushEvent(&event) <= 0)
            m_wake_pending = false;
    }

    void SdlWindow::Handle(const SDL_Event& event)
    {
        if (event.type == m_wake_event) {
            m_wake_pending = false;
            return;
        }
        WindowEvent queued;
        queued.event = event;
        queued.modifiers = static_cast<std::uint16_t>(SDL_GetModState());
        bool keep = false;
        switch (event.type) {
        case SDL_QUIT:
            m_closed = true;
            // A script still running stops, and readers get Escape.
            RequestInterrupt();
            m_cv.notify_all();
            return;
        case SDL_KEYDOWN:
            if (SdlKeyTranslator::IsBreakKey(event.key, m_ctrl_c_is_key)) {
                RequestInterrupt();
                m_cv.notify_all();
                return;
            }
            if (SdlKeyTranslator::IsSilenceKey(event.key)) {
                m_silence = true;
                return;
            }
            keep = true;
            break;
        case SDL_KEYUP:
        case SDL_TEXTINPUT:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEWHEEL:
            keep = true;
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                m_focused = true;
                queued.button_held = SDL_GetMouseState(nullptr, nullptr) != 0;
                keep = true;
                m_force_draw = true;
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                m_focused = false;
                keep = true;
                m_force_draw = true;
                break;
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
            case SDL_WINDOWEVENT_SHOWN:
            case SDL_WINDOWEVENT_RESTORED:
                m_force_draw = true;
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
        if (!keep)
            return;
        {
            std::lock_guard lock(m_mutex);
            m_events.push_back(queued);
        }
        m_cv.notify_all();
    }

    void SdlWindow::Render()
    {
        Scene scene;
        std::uint64_t generation = 0;
        {
            std::lock_guard lock(m_mutex);
            scene = m_scene;
            generation = m_generation;
        }
        SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
        SDL_RenderClear(m_renderer);
        DrawCells(scene);
        DrawPicture(scene);
        DrawMagnifier(scene);
        DrawCaret(scene);
        SDL_RenderPresent(m_renderer);
        m_last_frame = std::chrono::steady_clock::now();
        m_force_draw = false;
        {
            std::lock_guard lock(m_mutex);
            m_drawn_generation = generation;
        }
        m_cv.notify_all();
    }

    void SdlWindow::DrawCells(const Scene& scene)
    {
        for (int row = 0; row < ROWS; ++row) {
            int column = 0;
            while (column < COLUMNS) {
                // A run of cells with one attribute shares its background.
                const std::uint8_t attr = scene.attrs[static_cast<std::size_t>(row * COLUMNS + column)];
                int end = column + 1;
                while (end < COLUMNS && scene.attrs[static_cast<std::size_t>(row * COLUMNS + end)] == attr)
                    ++end;
                const SDL_Color back = ColourOf(scene.palette_of[attr >> 4]);
                const SDL_Color fore = ColourOf(scene.palette_of[attr & 0x0F]);
                const SDL_Rect run { column * m_cell_width, row * m_cell_height,
                    (end - column) * m_cell_width, m_cell_height };
                SDL_SetRenderDrawColor(m_renderer, back.r, back.g, back.b, 255);
                SDL_RenderFillRect(m_renderer, &run);
                for (int c = column; c < end; ++c) {
                    SDL_Texture* glyph = m_glyphs.Glyph(
                        m_renderer, scene.chars[static_cast<std::size_t>(row * COLUMNS + c)]);
                    if (!glyph)
                        continue;
                    SDL_SetTextureColorMod(glyph, fore.r, fore.g, fore.b);
                    const SDL_Rect cell { c * m_cell_width, row * m_cell_height, m_cell_width,
                        m_cell_height };
                    SDL_RenderCopy(m_renderer, glyph, nullptr, &cell);
                }
                column = end;
            }
        }
    }

    void SdlWindow::DrawPicture(const Scene& scene)
    {
        const PictureState* picture = scene.picture.get();
        if (picture != m_picture_source) {
            if (m_picture_texture)
                SDL_DestroyTexture(m_picture_texture);
            m_picture_texture = nullptr;
            m_picture_source = picture;
            m_picture_keep = scene.picture;
            if (picture && picture->width > 0 && picture->height > 0) {
                m_picture_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_RGB24,
                    SDL_TEXTUREACCESS_STATIC, picture->width, picture->height);
                if (m_picture_texture)
                    SDL_UpdateTexture(m_picture_texture, nullptr, picture->rgb.data(), picture->width * 3);
            }
        }
        if (!picture || !m_picture_texture)
            return;
        const SDL_Rect where { scene.picture_x, scene.picture_y,
            static_cast<int>(picture->width * scene.picture_scale),
            static_cast<int>(picture->height * scene.picture_scale) };
        SDL_RenderCopy(m_renderer, m_picture_texture, nullptr, &where);
    }

    void SdlWindow::DrawMagnifier(const Scene& scene)
    {
        const MagnifierState& m = scene.magnifier;
        if (!m.shown || m.factor <= 0)
            return;
        if (m.factor != m_big_factor) {
            m_big_glyphs.SetFont(OpenSizedFont(m_font, m_cell_height * m.factor));
            m_big_factor = m.factor;
        }
        const int width = m_cell_width * m.factor;
        const int height = m_cell_height * m.factor;
        const SDL_Color back = ColourOf(scene.palette_of[static_cast<std::size_t>(m.back & 0x0F)]);
        for (std::size_t i = 0; i < m.text.size(); ++i) {
            const int colour = static_cast<int>(i) == m.cursor_index ? m.cursor : m.letter;
            const SDL_Color fore = ColourOf(scene.palette_of[static_cast<std::size_t>(colour & 0x0F)]);
            const SDL_Rect cell { static_cast<int>(i) * width, 0, width, height };
            SDL_SetRenderDrawColor(m_renderer, back.r, back.g, back.b, 255);
            SDL_RenderFillRect(m_renderer, &cell);
            if (SDL_Texture* glyph = m_big_glyphs.Glyph(m_renderer, static_cast<std::uint8_t>(m.text[i]))) {
                SDL_SetTextureColorMod(glyph, fore.r, fore.g, fore.b);
                SDL_RenderCopy(m_renderer, glyph, nullptr, &cell);
            }
        }
    }

    void SdlWindow::DrawCaret(const Scene& scene)
    {
        const int column = std::clamp(scene.cursor_column, 0, COLUMNS - 1);
        const int row = std::clamp(scene.cursor_row, 0, ROWS - 1);
        const SDL_Rect caret { column * m_cell_width, row * m_cell_height + m_ascent, m_cell_width,
            CARET_HEIGHT };
        // Desktop magnifiers follow the text-input rectangle.
        SDL_Rect input_area { column * m_cell_width, row * m_cell_height, m_cell_width, m_cell_height };
        SDL_SetTextInputRect(&input_area);
        if (!scene.caret || !m_focused)
            return;
        const std::uint8_t attr = scene.attrs[static_cast<std::size_t>(row * COLUMNS + column)];
        const SDL_Color fore = ColourOf(scene.palette_of[attr & 0x0F]);
        SDL_SetRenderDrawColor(m_renderer, fore.r, fore.g, fore.b, 255);
        SDL_RenderFillRect(m_renderer, &caret);
    }

    // ---- The interpreter's side ----

    void SdlWindow::TitleChanged(std::string_view title)
    {
        std::lock_guard lock(m_mutex);
        m_title = encoding::Cp1252ToUtf8(title);
        if (m_title.empty())
            m_title = " ";
        m_title_changed = true;
        Wake();
    }

    void SdlWindow::Refresh(const CellView& view)
    {
        std::lock_guard lock(m_mutex);
        for (int row = 0; row < ROWS; ++row)
            for (int column = 0; column < COLUMNS; ++column) {
                const auto i = static_cast<std::size_t>(row * COLUMNS + column);
                m_scene.chars[i] = view.CellChar(column, row);
                m_scene.attrs[i] = view.CellAttr(column, row);
            }
        for (int i = 0; i < 16; ++i)
            m_scene.palette_of[static_cast<std::size_t>(i)] = view.PaletteIndex(i);
        m_scene.cursor_column = view.CursorScreenColumn();
        m_scene.cursor_row = view.CursorScreenRow();
        Changed();
    }

    void SdlWindow::ShowMagnified(std::string_view text, int cursor_index, int factor, int letter_colour,
        int back_colour, int cursor_colour)
    {
        std::lock_guard lock(m_mutex);
        m_scene.magnifier = MagnifierState { true, std::string(text), cursor_index, std::clamp(factor, 0, 10),
            letter_colour, back_colour, cursor_colour };
        Changed();
    }

    void SdlWindow::HideMagnified()
    {
        std::lock_guard lock(m_mutex);
        m_scene.magnifier.shown = false;
        Changed();
    }

    void SdlWindow::VisibilityChanged(bool shown)
    {
        std::lock_guard lock(m_mutex);
        m_visibility_change = shown ? 1 : -1;
        Changed();
    }

    void SdlWindow::BackgroundChanged(const PictureView* picture)
    {
        std::lock_guard lock(m_mutex);
        if (!picture || !picture->rgb || picture->width <= 0 || picture->height <= 0) {
            m_scene.picture.reset();
            Changed();
            return;
        }
        const auto bytes
            = static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(picture->height) * 3;
        const PictureState* old = m_scene.picture.get();
        // A picture moved keeps its pixels (and the window its texture).
        const bool same = old && old->width == picture->width && old->height == picture->height
            && std::equal(old->rgb.begin(), old->rgb.end(), picture->rgb);
        if (!same) {
            auto state = std::make_shared<PictureState>();
            state->width = picture->width;
            state->height = picture->height;
            state->rgb.assign(picture->rgb, picture->rgb + bytes);
            m_scene.picture = std::move(state);
        }
        m_scene.picture_x = picture->x;
        m_scene.picture_y = picture->y;
        m_scene.picture_scale = picture->scale;
        Changed();
    }

    void SdlWindow::Flush()
    {
        std::unique_lock lock(m_mutex);
        const std::uint64_t wanted = m_generation;
        Wake();
        while (m_drawn_generation < wanted && !m_quit && !InterruptPending())
            m_cv.wait_for(lock, READER_POLL);
    }

    void SdlWindow::TakeEvents()
    {
        std::deque<WindowEvent> events;
        {
            std::lock_guard lock(m_mutex);
            events.swap(m_events);
        }
        for (const WindowEvent& e : events)
            m_translator.Translate(e, m_input);
    }

    bool SdlWindow::KeyWaiting()
    {
        TakeEvents();
        return m_translator.HasKey();
    }

    bool SdlWindow::InputEnded()
    {
        TakeEvents();
        std::lock_guard lock(m_mutex);
        return m_closed && !m_translator.HasKey();
    }

    bool SdlWindow::WaitForKey(int timeout_ms)
    {
        const auto deadline
            = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
        for (;;) {
            TakeEvents();
            if (m_translator.HasKey())
                return true;
            std::unique_lock lock(m_mutex);
            const auto now = std::chrono::steady_clock::now();
            if (m_closed || InterruptPending() || now >= deadline)
                return false;
            if (m_events.empty())
                m_cv.wait_for(
                    lock, std::min<std::chrono::steady_clock::duration>(deadline - now, READER_POLL));
        }
    }

    std::uint8_t SdlWindow::ReadKeyByte()
    {
        constexpr std::uint8_t ESC = 27;
        bool waiting = false;
        for (;;) {
            TakeEvents();
            if (m_translator.HasKey() || m_closed || InterruptPending())
                break;
            std::unique_lock lock(m_mutex);
            if (!waiting) {
                // The caret shows while the reader waits.
                m_scene.caret = true;
                waiting = true;
                Changed();
            }
            if (m_events.empty() && !m_closed)
                m_cv.wait_for(lock, READER_POLL);
        }
        if (waiting) {
            std::lock_guard lock(m_mutex);
            m_scene.caret = false;
            Changed();
        }
        if (!m_translator.HasKey()) {
            m_last_modifiers = 0;
            return ESC;
        }
        m_silence = false; // the user has moved on
        const SdlKeyTranslator::KeyByte key = m_translator.TakeKey();
        m_last_modifiers = key.modifiers;
        return key.byte;
    }

} // namespace

std::unique_ptr<ConsoleWindow> OpenConsoleWindow(const WindowOptions& options, std::string& reason)
{
    auto window = std::make_unique<SdlWindow>();
    if (!window->Start(options, reason))
        return nullptr;
    return window;
}

} // namespace palavrino::platform
