// The log synthesizer: a speech "engine" that writes what it would say to a
// file, so that scripts' speech can be checked line by line. Every request
// is one line:
//   Speak("Olá mundo")  ->  Olá mundo
//   Spell("ab c")       ->  a b   c     (each character, one blank between)
//   SpeakChar('x')      ->  x
// Line breaks and other control bytes inside a text would split or garble
// the line; they are written as blanks, as an engine would read them.
#include "console/synthesizer.h"
#include "encoding/encoding.h"

#include <fstream>
#include <string>

namespace palavrino::console {

namespace {

    class LogSynthesizer final : public Synthesizer {
    public:
        explicit LogSynthesizer(std::filesystem::path file)
            : m_path(std::move(file))
        {
        }

        bool Start(int, int, int) override
        {
            if (m_path.empty())
                return false;
            m_out.open(m_path, std::ios::out | std::ios::app | std::ios::binary);
            return static_cast<bool>(m_out);
        }

        void Speak(std::string_view text) override { WriteLine(text); }
        bool IsSpeaking() override { return false; }
        void Stop() override { }
        void End() override { m_out.close(); }

        bool TakesSpelling() const override { return true; }

        void SpellText(std::string_view text) override
        {
            std::string spelled;
            for (std::size_t i = 0; i < text.size(); ++i) {
                if (i > 0)
                    spelled.push_back(' ');
                spelled.push_back(text[i]);
            }
            WriteLine(spelled);
        }

        void SpeakCharacter(std::uint8_t c) override { WriteLine(std::string(1, static_cast<char>(c))); }

    private:
        void WriteLine(std::string_view text)
        {
            if (!m_out.is_open())
                return;
            std::string line(text);
            for (char& c : line) {
                if (static_cast<std::uint8_t>(c) < 32)
                    c = ' ';
            }
            m_out << encoding::Cp1252ToUtf8(line) << '\n';
            m_out.flush();
        }

        std::filesystem::path m_path;
        std::ofstream m_out;
    };

} // namespace

std::unique_ptr<Synthesizer> MakeLogSynthesizer(std::filesystem::path file)
{
    return std::make_unique<LogSynthesizer>(std::move(file));
}

} // namespace palavrino::console
