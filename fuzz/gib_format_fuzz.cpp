// Formats arbitrary byte counts. Input: the count as eight bytes, little-endian.

#include "fuzz_input.h"
#include "core/gib_format.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace {

constexpr std::uint64_t gib = std::uint64_t{1} << 30;

// The figure in tenths of a GiB, after checking the text is digits, one '.', one digit
// and " GiB", with no leading zero in the whole part.
std::uint64_t tenthsShown(std::uint64_t bytes)
{
    const std::string text = quill::formatGiB(bytes);
    constexpr std::string_view unit = " GiB";
    FUZZ_CHECK(text.size() >= unit.size() + 3);
    FUZZ_CHECK(text.compare(text.size() - unit.size(), unit.size(), unit) == 0);
    const std::string figure = text.substr(0, text.size() - unit.size());
    const std::size_t dot = figure.size() - 2;
    FUZZ_CHECK(figure[dot] == '.');
    FUZZ_CHECK(figure[0] != '0' || dot == 1);
    // 2^64 bytes are 2^34 GiB: eleven digits at most before the point.
    FUZZ_CHECK(dot <= 11);
    std::uint64_t tenths = 0;
    for (std::size_t i = 0; i < figure.size(); ++i) {
        if (i == dot) {
            continue;
        }
        FUZZ_CHECK(figure[i] >= '0' && figure[i] <= '9');
        tenths = tenths * 10 + static_cast<std::uint64_t>(figure[i] - '0');
    }
    return tenths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quill::fuzz::ByteReader in(data, size);
    const std::uint64_t bytes = in.u64();
    const std::uint64_t tenths = tenthsShown(bytes);

    // The exact value is the count rounded to the nearest double, then divided by 2^30.
    // Split into whole GiB and a remainder with integers, the check needs no tolerance:
    // shown minus exact, times 10 * 2^30, is (tenths - 10 * whole) * 2^30 - 10 * remainder.
    const auto nearest = static_cast<double>(bytes);
    std::uint64_t whole = std::uint64_t{1} << 34; // a count that rounds up to 2^64
    std::uint64_t remainder = 0;
    if (nearest < 18446744073709551616.0) {
        const auto exact = static_cast<std::uint64_t>(nearest);
        whole = exact / gib;
        remainder = exact % gib;
    }
    const auto excessTenths = static_cast<std::int64_t>(tenths) - static_cast<std::int64_t>(whole * 10);
    FUZZ_CHECK(excessTenths >= 0 && excessTenths <= 10);
    const std::int64_t error =
        excessTenths * static_cast<std::int64_t>(gib) - 10 * static_cast<std::int64_t>(remainder);
    const auto halfTenth = static_cast<std::int64_t>(gib / 2);
    // Within half a tenth (0.05 GiB) of the exact value, and an exact half goes to the even tenth.
    FUZZ_CHECK(error >= -halfTenth && error <= halfTenth);
    if (error == halfTenth || error == -halfTenth) {
        FUZZ_CHECK(tenths % 2 == 0);
    }

    // More bytes never show a smaller figure.
    if (bytes < std::numeric_limits<std::uint64_t>::max()) {
        FUZZ_CHECK(tenthsShown(bytes + 1) >= tenths);
    }
    return 0;
}
