// The one file a fuzz target writes each input to, in the temporary folder
// under a name of its own, removed when the fuzzer exits.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace palavrino::fuzz {

class ScratchFile {
public:
    explicit ScratchFile(const std::string& extension)
        : m_path(std::filesystem::temp_directory_path()
            / ("palavrino-fuzz-" + std::to_string(std::random_device {}()) + extension))
    {
    }
    ~ScratchFile()
    {
        std::error_code ec;
        std::filesystem::remove(m_path, ec);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace palavrino::fuzz
