// A stand-in for the mbrola program, built by the tests: it takes the same
// arguments (-e DATABASE - -.au), writes every line it reads to the file
// DATABASE.entrada, and answers with the Sun .au stream mbrola would send:
// 16 kHz, 16-bit big-endian samples, as many as the durations it was given
// add up to (each sample 1, near silence, so that byte order shows). The
// database file's text changes its behaviour: "falha" makes it fail as a
// broken database would, "lento" makes it answer slowly.
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int SAMPLES_PER_MS = 16;
constexpr std::size_t SLOW_CHUNK_BYTES = 3200;

void PutBigEndian(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::cerr << "usage: mbrola -e database - -.au\n";
        return 1;
    }
    const std::string database = argv[argc - 3];
    std::ifstream db(database);
    if (!db) {
        std::cerr << "Fatal error: cannot open " << database << "\n";
        return 2;
    }
    const std::string behaviour((std::istreambuf_iterator<char>(db)), std::istreambuf_iterator<char>());
    std::ofstream log(database + ".entrada", std::ios::app);
    long total_ms = 0;
    for (std::string line; std::getline(std::cin, line);) {
        log << line << "\n";
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name;
        long ms = 0;
        if (fields >> name >> ms)
            total_ms += ms;
    }
    log.close();
    if (behaviour.find("falha") != std::string::npos) {
        std::cerr << "Error: broken database\n";
        return 3;
    }
    std::string out = ".snd";
    PutBigEndian(out, 24);
    PutBigEndian(out, 0xFFFFFFFF);
    PutBigEndian(out, 3);
    PutBigEndian(out, 16000);
    PutBigEndian(out, 1);
    for (long i = 0; i < total_ms * SAMPLES_PER_MS; ++i) {
        out += '\0';
        out += '\1';
    }
    const bool slow = behaviour.find("lento") != std::string::npos;
    for (std::size_t at = 0; at < out.size(); at += SLOW_CHUNK_BYTES) {
        std::cout.write(
            out.data() + at, static_cast<std::streamsize>(std::min(SLOW_CHUNK_BYTES, out.size() - at)));
        std::cout.flush();
        if (slow)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!std::cout)
            return 4;
    }
    return 0;
}
