// The --orvan-pho view: every stage of the Orvan voice for each text, in
// UTF-8, from the same configuration and files the voice would use.
#include "app/orvan_pho.h"

#include "console/config.h"
#include "console/synth_orvan.h"
#include "encoding/encoding.h"
#include "voice/orvan_voice.h"

#include <filesystem>
#include <istream>
#include <ostream>

namespace palavrino::app {

namespace {

    std::string ProgramDir()
    {
        std::error_code ec;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::string(".") : exe.parent_path().string();
    }

    void Show(const voice::OrvanVoice& orvan, const std::string& text, std::ostream& out)
    {
        const voice::Utterance utterance = orvan.Analyse(encoding::DecodeTextLine(text));
        out << "; texto: " << encoding::Cp1252ToUtf8(utterance.normalised) << "\n";
        for (const std::string& line : utterance.lines)
            out << encoding::Cp1252ToUtf8(line) << "\n";
    }

} // namespace

int RunOrvanPho(const std::vector<std::string>& texts, std::istream& in, std::ostream& out, std::ostream& err)
{
    const console::ConfigFile config
        = console::ConfigFile::Open(console::DefaultConfigLocations(ProgramDir()));
    const console::OrvanSettings settings = console::ReadOrvanSettings(config);
    voice::VoiceFiles files;
    std::string error;
    voice::OrvanVoice orvan;
    if (!console::ReadVoiceFiles(settings, files, error) || !orvan.open_voice(files, error)) {
        err << encoding::Cp1252ToUtf8(error) << "\n";
        return 2;
    }
    for (const std::string& warning : orvan.Warnings())
        err << encoding::Cp1252ToUtf8(warning) << "\n";
    if (!texts.empty()) {
        for (const std::string& text : texts)
            Show(orvan, text, out);
        return 0;
    }
    for (std::string line; std::getline(in, line);)
        Show(orvan, line, out);
    return 0;
}

int RunOrvanWav(
    const std::string& path, const std::vector<std::string>& texts, std::istream& in, std::ostream& err)
{
    const console::ConfigFile config
        = console::ConfigFile::Open(console::DefaultConfigLocations(ProgramDir()));
    std::string text;
    for (const std::string& part : texts)
        text += (text.empty() ? "" : " ") + encoding::DecodeTextLine(part);
    if (texts.empty()) {
        for (std::string line; std::getline(in, line);)
            text += (text.empty() ? "" : " ") + encoding::DecodeTextLine(line);
    }
    std::string error;
    if (!console::WriteOrvanWav(console::ReadOrvanSettings(config), text, path, error)) {
        err << encoding::Cp1252ToUtf8(error) << "\n";
        return 2;
    }
    return 0;
}

} // namespace palavrino::app
