#include "core/gib_format.h"

#include <cmath>

namespace quill {

std::string formatGiB(std::uint64_t bytes)
{
    constexpr double gib = 1073741824.0; // 2^30
    constexpr std::uint64_t unit = std::uint64_t{1} << 30;

    // Both steps are exact: scaling a double by a power of two loses nothing, and the
    // remainder is an integer below 2^30 made of bits the double already holds.
    // That keeps the rounding below on the exact binary value, the same on every runtime.
    const auto value = static_cast<double>(bytes); // the one rounding the figure is based on
    const double whole = std::floor(value / gib);
    auto wholeGiB = static_cast<std::uint64_t>(whole); // at most 2^34
    const auto remainder = static_cast<std::uint64_t>(value - whole * gib);

    const std::uint64_t scaled = remainder * 10;
    std::uint64_t tenths = scaled / unit;
    const std::uint64_t rest = scaled % unit;
    const std::uint64_t half = unit / 2;
    if (rest > half || (rest == half && tenths % 2 == 1)) {
        ++tenths;
    }
    if (tenths == 10) {
        tenths = 0;
        ++wholeGiB;
    }
    return std::to_string(wholeGiB) + "." + std::to_string(tenths) + " GiB";
}

} // namespace quill
