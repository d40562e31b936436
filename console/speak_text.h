// How the built-in voice reads a text: the walk over it that turns digits
// into number words, letters into words for the word synthesizer, and
// punctuation into its sound and a pause; and the Portuguese number words
// (also used for the time and the date) with the recorded file each word
// is played from. Pure logic: what is heard goes through a SpeakTextOutput.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace palavrino::console {

// The pauses after punctuation, in milliseconds.
struct PunctuationPauses {
    int full_stop_ms { 250 };
    int comma_ms { 150 };
    int colon_ms { 200 };
};

class SpeakTextOutput {
public:
    virtual ~SpeakTextOutput() = default;
    // A key was pressed: speech has been stopped and the walk must end.
    virtual bool StopRequested() = 0;
    // A recorded sound by name ("_zero", "_MENOS").
    virtual void PlayNamed(std::string_view name) = 0;
    virtual void SpeakChar(std::uint8_t c) = 0;
    virtual void SpeakNumberWords(std::string_view words, bool feminine) = 0;
    // A run of letters, for the word synthesizer.
    virtual void SpeakWord(std::string_view word) = 0;
    virtual void Tick() = 0;
    virtual void WaitSpeech() = 0;
    virtual void PauseMs(int ms) = 0;
};

// Reads the text aloud through out, item by item, until it is done or a
// key is pressed.
void SpeakTextWalk(std::string_view text, const PunctuationPauses& pauses, SpeakTextOutput& out);

// The number in Portuguese words, joined with blanks ("mil e duzentos e
// trinta e quatro"). Numbers up to 999 trillions.
std::string NumberToWords(std::uint64_t number);

// One recorded word: the file it is played from (without ".wav") and the
// text to synthesize when the file is missing.
struct RecordedWord {
    std::string file;
    std::string text;
    bool operator==(const RecordedWord&) const = default;
};

// The files for number words: "_" and the word cut to 8 characters, with
// the nasal vowels plain; for the last word, feminine turns "um" and "dois"
// into "uma" and "duas".
std::vector<RecordedWord> NumberWordFiles(std::string_view words, bool feminine);

// The hour and minutes as recorded words ("uma hora um minuto"): the
// hours feminine, the minutes masculine; no minutes word on the hour.
std::vector<RecordedWord> TimeWords(int hour, int minute);
// weekday 0 (Sunday) to 6; month 1 to 12.
std::vector<RecordedWord> DateWords(int weekday, int day, int month, int year);

} // namespace palavrino::console
