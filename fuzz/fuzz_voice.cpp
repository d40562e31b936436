// Feeds arbitrary bytes to the Orvan voice's front end with its own data:
// the normaliser, then letter-to-sound and prosody. Nothing may crash, and
// every stage's output stays within a fixed multiple of its input, so a
// text cannot make the voice run away.
#include "encoding/encoding.h"
#include "voice/orvan_voice.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// The longest expansion of one input byte: a character's name, or a
// digit's word with its scale word, with blanks around.
constexpr std::size_t MAX_CHARS_PER_BYTE = 64;
// Each letter makes at most a few phonemes, and each line at most one
// bridge before it.
constexpr std::size_t MAX_LINES_PER_CHAR = 24;

std::string ReadData(const char* name)
{
    std::ifstream in(std::string(PL_SOURCE_DIR) + "/data/orvan/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return palavrino::encoding::Utf8ToCp1252(bytes);
}

const palavrino::voice::OrvanVoice& Voice()
{
    static const palavrino::voice::OrvanVoice voice = [] {
        palavrino::voice::OrvanVoice v;
        std::string error;
        const palavrino::voice::VoiceFiles files { ReadData("portug.nrl"), ReadData("portug.exc"),
            ReadData("portug.abr"), ReadData("portug.pro"), ReadData("portug.dfn") };
        if (!v.open_voice(files, error))
            __builtin_trap();
        return v;
    }();
    return voice;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const palavrino::voice::Utterance said = Voice().Analyse(text);
    if (said.normalised.size() > MAX_CHARS_PER_BYTE * (size + 1))
        __builtin_trap();
    if (said.lines.size() > MAX_LINES_PER_CHAR * (said.normalised.size() + 4))
        __builtin_trap();
    for (const std::string& word : said.phonemes) {
        if (word.size() > MAX_CHARS_PER_BYTE + said.normalised.size())
            __builtin_trap();
    }
    return 0;
}
