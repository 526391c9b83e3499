#include "core/gib_format.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quill {
namespace {

TEST(FormatGiB, OneDecimalRoundedHalfToEven)
{
    constexpr std::uint64_t gib = std::uint64_t{1} << 30;
    struct Case {
        std::uint64_t bytes;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0.0 GiB"},
        {1, "0.0 GiB"},
        {gib, "1.0 GiB"},
        {gib + gib / 4, "1.2 GiB"},     // exact half goes to the even tenth
        {gib + 3 * gib / 4, "1.8 GiB"}, // exact half goes to the even tenth
        {gib + gib / 4 + 1, "1.3 GiB"}, // just above the half
        {2 * gib + 3 * gib / 4, "2.8 GiB"},
        {gib / 4 * 3 + 9 * gib, "9.8 GiB"},
        {9 * gib + 31 * gib / 32, "10.0 GiB"}, // rounding carries into the whole part
        {4143000000, "3.9 GiB"},
        {(std::uint64_t{1} << 32) - 1, "4.0 GiB"},
        {std::uint64_t{1} << 32, "4.0 GiB"},
        {std::uint64_t{1} << 34, "16.0 GiB"},
        {(std::uint64_t{1} << 36) - 1, "64.0 GiB"},
        {256000000000, "238.4 GiB"},
        {1000204886016, "931.5 GiB"},
        {std::uint64_t{1} << 63, "8589934592.0 GiB"},
        {UINT64_MAX, "17179869184.0 GiB"}, // no exponent and never negative
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatGiB(c.bytes), c.expected) << c.bytes;
    }
}

} // namespace
} // namespace quill
