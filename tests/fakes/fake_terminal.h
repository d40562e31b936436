// A console front end for tests: keys come from a script of bytes, and what
// the console shows is captured (program text, title, bells). When the
// script runs out, reads give Escape, like the stream front end at the end
// of its input.
#pragma once

#include "platform/terminal.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace palavrino::fakes {

class FakeTerminal final : public platform::Terminal {
public:
    explicit FakeTerminal(std::string keys = {}, bool live = false)
        : m_keys(std::move(keys))
        , m_live(live)
    {
    }

    void Type(std::string_view bytes) { m_keys += bytes; }
    void PressExtended(std::uint8_t code)
    {
        m_keys.push_back('\0');
        m_keys.push_back(static_cast<char>(code));
    }
    void SetLive(bool live) { m_live = live; }
    // Ctrl alone: silences speech and is no key.
    void PressSilence() { m_silence = true; }

    // What the program wrote (Windows-1252, control bytes kept).
    const std::string& Written() const { return m_written; }
    const std::string& Title() const { return m_title; }
    int Bells() const { return m_bells; }
    int Scrolls() const { return m_scrolls; }
    std::size_t KeysLeft() const { return m_keys.size() - m_next; }

    void TextWritten(std::string_view text) override { m_written += text; }
    void CellsChanged(int, int, int) override { }
    void RegionScrolled(int, int, int, int) override { ++m_scrolls; }
    void TitleChanged(std::string_view title) override { m_title = title; }
    void Bell() override { ++m_bells; }
    void Refresh(const platform::CellView&) override { }

    bool KeyWaiting() override { return m_next < m_keys.size(); }
    bool WaitForKey(int) override { return KeyWaiting(); }
    std::uint8_t ReadKeyByte() override
    {
        if (m_next >= m_keys.size())
            return 27;
        return static_cast<std::uint8_t>(m_keys[m_next++]);
    }
    bool InputEnded() override { return m_next >= m_keys.size(); }
    bool IsLive() const override { return m_live; }
    bool TakeSilenceRequest() override { return std::exchange(m_silence, false); }

private:
    std::string m_keys;
    std::size_t m_next { 0 };
    bool m_live { false };
    bool m_silence { false };
    std::string m_written;
    std::string m_title;
    int m_bells { 0 };
    int m_scrolls { 0 };
};

} // namespace palavrino::fakes
