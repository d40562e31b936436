// The MBROLA diphone synthesizer as a separate program: finding it and its
// voice database, and running it on one utterance's phoneme lines. The
// program reads .pho text on its standard input and writes the samples on
// its standard output; the run is polled so that a key press or Ctrl+C
// stops it at once, and the process is always waited for.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace palavrino::platform {

enum class MbrolaStatus : std::uint8_t {
    Ok = 0,
    StartFailed = 1, // the program could not be started
    Failed = 2, // it ended with an error (the detail says what it wrote)
    Stopped = 3, // the caller asked it to stop
};

struct MbrolaAudio {
    int sample_rate_hz { 16000 };
    // 16-bit signed little-endian mono samples, as they arrive.
    std::function<bool(std::span<const std::uint8_t>)> deliver;
    // Polled while waiting; true stops the run.
    std::function<bool()> should_stop;
};

// The program: the configured path when it names an executable file (a
// bare name is looked up on PATH), else "mbrola" on PATH; empty if none.
std::string FindMbrolaProgram(std::string_view configured);

// The database: the configured path when it names a file; else the usual
// Linux places for the named voice (/usr/share/mbrola/NAME/NAME,
// /usr/share/mbrola/NAME, /usr/share/mbrola/voices/NAME). Empty if none;
// searched tells where it looked.
std::string FindMbrolaDatabase(std::string_view configured, std::string_view name, std::string& searched);

// Runs the program on the database with the phoneme text. audio.deliver
// receives the samples (its false return stops the run, like should_stop);
// the rate the program announced is set in audio.sample_rate_hz before the
// first block. detail gets the program's error text when it fails.
[[nodiscard]] MbrolaStatus RunMbrola(const std::string& program, const std::string& database,
    std::string_view pho_text, MbrolaAudio& audio, std::string& detail);

} // namespace palavrino::platform
