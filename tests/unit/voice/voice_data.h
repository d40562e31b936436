// The Orvan voice's own data files, read from the sources for the tests, and
// a voice opened on them.
#pragma once

#include "encoding/encoding.h"
#include "voice/orvan_voice.h"

#include <fstream>
#include <iterator>
#include <string>

namespace palavrino::voice::testing {

inline std::string ReadDataFile(const std::string& name)
{
    std::ifstream in(std::string(PL_SOURCE_DIR) + "/data/orvan/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return encoding::IsValidUtf8(bytes) ? encoding::Utf8ToCp1252(bytes) : bytes;
}

inline VoiceFiles OurVoiceFiles()
{
    return VoiceFiles { ReadDataFile("portug.nrl"), ReadDataFile("portug.exc"), ReadDataFile("portug.abr"),
        ReadDataFile("portug.pro"), ReadDataFile("portug.dfn") };
}

// UTF-8 test text to the voice's Windows-1252, and back.
inline std::string W(std::string_view utf8)
{
    return encoding::Utf8ToCp1252(utf8);
}
inline std::string U(std::string_view cp1252)
{
    return encoding::Cp1252ToUtf8(cp1252);
}

} // namespace palavrino::voice::testing
