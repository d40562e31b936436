// The hash of texts that the core indexes (dictionary keys). A word-at-a-time
// multiply-and-fold mix: a key of up to 16 bytes costs two 64x64->128-bit
// multiplications whatever its length, longer keys one more per 16 bytes.
// Every bit of the result depends on every byte, so the low bits alone serve
// as a power-of-two table position. Values live only inside one process: they
// are never stored, shown or used to order anything a script can see.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace palavrino::core {

namespace text_hash_detail {

    // Odd constants with well-spread bits (the golden ratio and two large
    // primes), so a multiplication by them moves every input bit far.
    constexpr uint64_t MIX_A = 0x9E3779B97F4A7C15ull;
    constexpr uint64_t MIX_B = 0xC2B2AE3D27D4EB4Full;
    constexpr uint64_t MIX_C = 0x165667B19E3779F9ull;

    __extension__ typedef unsigned __int128 Wide;

    // The full product of a and b, its two halves folded together.
    inline uint64_t Fold(uint64_t a, uint64_t b)
    {
        const Wide product = static_cast<Wide>(a) * b;
        return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
    }

    inline uint64_t Read64(const unsigned char* p)
    {
        uint64_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }

    inline uint64_t Read32(const unsigned char* p)
    {
        uint32_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }

} // namespace text_hash_detail

// 64-bit hash of the bytes of text (NUL and high bytes included).
inline uint64_t HashText(std::string_view text)
{
    using namespace text_hash_detail;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    uint64_t seed = MIX_C;
    uint64_t a = 0;
    uint64_t b = 0;
    if (n <= 16) {
        if (n >= 4) {
            // Two overlapping reads from each end cover every byte of 4..16.
            const size_t middle = (n >> 3) << 2;
            a = (Read32(p) << 32) | Read32(p + middle);
            b = (Read32(p + n - 4) << 32) | Read32(p + n - 4 - middle);
        } else if (n > 0) {
            a = (static_cast<uint64_t>(p[0]) << 16) | (static_cast<uint64_t>(p[n >> 1]) << 8) | p[n - 1];
        }
    } else {
        size_t left = n;
        while (left > 16) {
            seed = Fold(Read64(p) ^ MIX_A, Read64(p + 8) ^ seed);
            p += 16;
            left -= 16;
        }
        // The last 16 bytes, overlapping what was mixed when fewer remain.
        a = Read64(p + left - 16);
        b = Read64(p + left - 8);
    }
    return Fold(MIX_B ^ n, Fold(a ^ MIX_A, b ^ seed));
}

// The same folded to 32 bits, for tables whose positions are 32-bit.
inline uint32_t HashText32(std::string_view text)
{
    const uint64_t h = HashText(text);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

} // namespace palavrino::core
