// Forwards the interpreter's console and speech calls to the console; see
// console_host.h.
#include "app/console_host.h"

#include "console/list_menu.h"
#include "console/paragraph_editor.h"
#include "core/machine.h"
#include "messages/console.h"
#include "platform/interrupt.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace palavrino::app {

namespace {

    interp::HostIo::LineRead FromEditor(const console::LineRead& r)
    {
        interp::HostIo::LineRead out;
        out.text = r.text;
        out.key = r.end_key.extended ? 0 : r.end_key.code;
        out.extended = r.end_key.extended ? r.end_key.code : 0;
        return out;
    }

} // namespace

void ConsoleHost::Write(std::string_view text)
{
    m_console.Write(text);
}
void ConsoleHost::NewLine()
{
    m_console.Write("\r\n");
}
void ConsoleHost::Speak(std::string_view text)
{
    m_console.Voice().Speak(text);
}
void ConsoleHost::WriteAndSpeak(std::string_view text)
{
    m_console.WriteAndSpeak(text);
}
void ConsoleHost::WriteLineAndSpeak(std::string_view text)
{
    m_console.WriteLineAndSpeak(text);
}
void ConsoleHost::Spell(std::string_view text)
{
    m_console.Voice().Spell(text);
}
void ConsoleHost::StopSpeech()
{
    m_console.Voice().StopSpeech();
}

void ConsoleHost::WaitSpeechOrKey()
{
    // A key press ends the wait and the speech; the key stays buffered.
    while (m_console.Voice().IsSpeaking()) {
        if (m_console.Keys().KeyPressed() || platform::InterruptPending()) {
            m_console.Voice().StopSpeech();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ConsoleHost::Beep()
{
    m_console.Voice().Beep();
}
void ConsoleHost::Tick()
{
    m_console.Voice().Tick();
}
void ConsoleHost::WaitSpeech()
{
    m_console.Voice().WaitSpeech();
}

bool ConsoleHost::SoundExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

void ConsoleHost::PlaySound(const std::string& path)
{
    (void)m_console.Voice().PlayWaveFile(path);
}

namespace {

    interp::HostIo::LineRead Abandoned()
    {
        interp::HostIo::LineRead out;
        out.key = console::KEY_ESCAPE;
        return out;
    }

} // namespace

interp::HostIo::LineRead ConsoleHost::ReadLine(int max_length)
{
    if (OutputLost())
        return Abandoned();
    console::LineRead r = m_console.ReadLineAndRecord();
    if (static_cast<int>(r.text.size()) > max_length)
        r.text.resize(static_cast<size_t>(max_length));
    return FromEditor(r);
}

interp::HostIo::LineRead ConsoleHost::EditLine(const std::string& text, int max_length)
{
    if (OutputLost())
        return Abandoned();
    console::ScreenModel& screen = m_console.Screen();
    // A stream shows no editor: the text itself is what the reader gets.
    if (!m_console.Frontend().IsLive())
        Write(text);
    std::string edited = text;
    console::Key key = m_console.Editor().EditLine(edited, screen.CursorColumn(), screen.CursorRow(), true,
        std::min(max_length, screen.WindowWidth()), 255);
    NewLine();
    interp::HostIo::LineRead out;
    out.text = edited;
    out.key = key.extended ? 0 : key.code;
    out.extended = key.extended ? key.code : 0;
    return out;
}

int ConsoleHost::ReadKey()
{
    return m_console.Keys().ReadKey();
}
bool ConsoleHost::KeyPressed()
{
    return m_console.Keys().KeyPressed();
}
bool ConsoleHost::TakeInterrupt()
{
    if (OutputLost())
        throw core::ScriptAbort(std::string(msg::MSG_OUTPUT_WRITE_ERROR));
    // Checked between script lines: the clock is read every so many lines
    // and the terminal every few tenths of a second, so a busy loop stays
    // fast and still stops at once.
    constexpr unsigned LINES_PER_CLOCK_READ = 256;
    if (++m_lines_since_look >= LINES_PER_CLOCK_READ)
        LookForBreakKey();
    return platform::TakeInterruptRequest();
}

void ConsoleHost::LookForBreakKey()
{
    constexpr auto LOOK_INTERVAL = std::chrono::milliseconds(50);
    m_lines_since_look = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_last_look < LOOK_INTERVAL || !m_console.Frontend().IsLive())
        return;
    m_last_look = now;
    (void)m_console.Frontend().KeyWaiting();
}
void ConsoleHost::ClearWindow()
{
    m_console.Screen().ClearWindow();
}
void ConsoleHost::SetTitle(std::string_view title)
{
    m_console.Screen().SetTitle(title);
}
void ConsoleHost::SetTextColor(int colour)
{
    m_console.Screen().SetTextColour(colour);
}

void ConsoleHost::ClearRows(int first, int last)
{
    console::ScreenModel& screen = m_console.Screen();
    for (int row = first; row <= last; ++row) {
        screen.MoveCursor(1, row);
        screen.ClearToLineEnd();
    }
    screen.MoveCursor(1, first);
}

void ConsoleHost::PauseMs(int ms)
{
    // In short steps, so the break request ends the pause at once.
    constexpr int STEP_MS = 10;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    while (!platform::InterruptPending()) {
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(STEP_MS)));
    }
}

std::string ConsoleHost::ReadConfig(std::string_view section, std::string_view key)
{
    return m_console.Config().ReadConfig(section, key);
}

void ConsoleHost::SetBackColor(int colour)
{
    m_console.Screen().SetBackColour(colour);
}
void ConsoleHost::MoveCursor(int x, int y)
{
    m_console.Screen().MoveCursor(x, y);
}
int ConsoleHost::CursorColumn()
{
    return m_console.Screen().CursorColumn();
}
int ConsoleHost::CursorRow()
{
    return m_console.Screen().CursorRow();
}
void ConsoleHost::ClearToLineEnd()
{
    m_console.Screen().ClearToLineEnd();
}
int ConsoleHost::ScreenChar(int x, int y)
{
    return m_console.Screen().ScreenChar(x, y);
}
int ConsoleHost::ScreenAttr(int x, int y)
{
    return m_console.Screen().ScreenAttr(x, y);
}

void ConsoleHost::SetConsoleVisible(bool shown)
{
    if (shown)
        m_console.ShowConsole();
    else
        m_console.HideConsole();
}

int ConsoleHost::ReadKeySpoken()
{
    console::Speech& voice = m_console.Voice();
    voice.WaitSpeech();
    const std::uint8_t key = m_console.Keys().ReadKey();
    voice.StopSpeech();
    // The second byte of an extended key is read by the caller.
    if (key != 0)
        voice.SpeakChar(key);
    return key;
}

interp::HostIo::LineRead ConsoleHost::ReadPlainLine(bool hidden)
{
    return FromEditor(m_console.ReadBufferLine(hidden));
}

interp::HostIo::LineRead ConsoleHost::EditLineToEdge(const std::string& text, int max_length)
{
    console::ScreenModel& screen = m_console.Screen();
    std::string edited = text;
    const console::Key key = m_console.Editor().EditLineToEdge(
        edited, screen.CursorColumn(), screen.CursorRow(), true, max_length);
    NewLine();
    interp::HostIo::LineRead out;
    out.text = edited;
    out.key = key.extended ? 0 : key.code;
    out.extended = key.extended ? key.code : 0;
    return out;
}

void ConsoleHost::RecordLine(std::string_view text)
{
    m_console.Screen().RecordLine(text);
}
void ConsoleHost::RestartSpeech(std::string_view sound_dir)
{
    m_console.StartSpeech(sound_dir);
}
void ConsoleHost::PlayNamedSound(std::string_view name)
{
    (void)m_console.Voice().PlaySound(name);
}

bool ConsoleHost::ShowPicture(std::string_view bmp, int x, int y)
{
    console::ScreenModel& screen = m_console.Screen();
    if (!screen.LoadBackgroundPictureBytes(bmp))
        return false;
    screen.DrawBackgroundPicture(x, y);
    return true;
}

void ConsoleHost::RemovePicture()
{
    m_console.Screen().RemoveBackgroundPicture();
}

bool ConsoleHost::ShowsPictures()
{
    return m_console.Frontend().ShowsPictures();
}

bool ConsoleHost::ToggleScreenRecording()
{
    return m_console.Screen().ToggleScreenRecording();
}

interp::HostIo::LineRead ConsoleHost::AskFileName(
    int rows, std::string_view default_pattern, std::string_view start_dir)
{
    if (OutputLost())
        return Abandoned();
    return FromEditor(console::AskFileName(m_console.Editor(), m_console.Chooser(), m_console.Screen(),
        m_console.Voice(), rows, default_pattern, start_dir));
}

int ConsoleHost::ChooseFromList(const std::vector<std::string>& items, int background)
{
    if (OutputLost() || items.empty())
        return 0;
    console::PopupList list(m_console.Parts());
    // One row per item, as many as the screen holds below the cursor.
    list.Make(1, m_console.Screen().CursorRow(), console::SCREEN_COLUMNS, static_cast<int>(items.size()),
        background);
    for (const std::string& item : items)
        list.Add({}, item);
    return list.Run();
}

void ConsoleHost::EditText(std::vector<std::string>& lines, int rows)
{
    console::TextArea area;
    area.column = 1;
    area.row = m_console.Screen().CursorRow();
    area.width = console::SCREEN_COLUMNS;
    area.height = rows;
    area.framed = true;
    (void)console::ParagraphEditor(m_console.Parts()).EditText(lines, area);
}

bool ConsoleHost::InputEnded()
{
    return OutputLost() || (!m_console.Keys().KeyWaiting() && m_console.Keys().Source().InputEnded());
}

} // namespace palavrino::app
