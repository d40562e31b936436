// Feeds arbitrary bytes to the Talira.ini reader as a whole file, then asks
// it for the keys the program reads, with and without the "@" shorthands
// and the legacy fallback, and converts every value as a number.
#include "console/config.h"
#include "fuzz/scratch_file.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace {

using namespace palavrino;

const std::filesystem::path& ScratchFile()
{
    static const fuzz::ScratchFile file(".ini");
    return file.Path();
}

// Section and key pairs the program asks for, and a few odd ones.
constexpr std::pair<const char*, const char*> KEYS[] = {
    { "PALAVRIN", "DIRDEFAULT" },
    { "PALAVRIN", "DIRPALAVRIN" },
    { "SERVFALA", "TIPOSAPI" },
    { "SERVFALA", "ARQUIVOREGISTRO" },
    { "SERVFALA", "VELOCIDADE" },
    { "TRADUTOR", "SAPI" },
    { "TRADUTOR", "SAIDADEAUDIO" },
    { "tradutor", "dirLetras" },
    { "", "" },
    { "A", "K" },
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace palavrino::console;
    {
        std::ofstream out(ScratchFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ConfigFile config = ConfigFile::FromFile(ScratchFile(), "/opt/palavrino");
    for (bool legacy : { false, true }) {
        config.SetLegacy(legacy);
        for (const auto& [section, key] : KEYS) {
            std::string value = config.ReadConfig(section, key);
            (void)config.ReadProfile(section, key);
            (void)ParseConfigInt(value);
        }
    }
    (void)ParseConfigInt(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
