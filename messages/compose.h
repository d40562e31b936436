// The joining every message family uses for its shapes with variable parts.
// It includes nothing of the project, so that every folder may use messages/.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace palavrino::msg {

// A script integer as the interpreter writes it: plain decimal, a leading "-"
// for negatives (std::to_string gives the same text as core::IntToText).
inline std::string Num(int32_t n)
{
    return std::to_string(n);
}

// The pieces of a message, one after another.
template <typename... Parts> std::string Join(const Parts&... parts)
{
    std::string out;
    (out.append(std::string_view(parts)), ...);
    return out;
}

} // namespace palavrino::msg
