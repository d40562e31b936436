// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace palavrino::fakes {

class TempDir {
public:
    TempDir()
    {
        std::random_device seed;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = std::filesystem::temp_directory_path() / ("palavrino-test-" + std::to_string(seed()));
            if (std::filesystem::create_directory(m_path))
                return;
        }
    }
    ~TempDir()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

    std::filesystem::path Write(const std::filesystem::path& relative, std::string_view contents) const
    {
        const std::filesystem::path file = m_path / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out << contents;
        return file;
    }

    static std::string Read(const std::filesystem::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path m_path;
};

} // namespace palavrino::fakes
