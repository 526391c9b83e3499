#include "platform/answer_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace quill::platform {
namespace {

TEST(AnswerRules, FirmwareTypeFromTheErrorOfAVariableRead)
{
    // ERROR_INVALID_FUNCTION, ERROR_NOACCESS, ERROR_ENVVAR_NOT_FOUND, success; then errors that come
    // before the firmware is asked: ERROR_PRIVILEGE_NOT_HELD, ERROR_ACCESS_DENIED, ERROR_NOT_SUPPORTED
    const std::pair<std::uint32_t, std::optional<std::uint32_t>> cases[] = {
        {1, 1}, {998, 2}, {203, 2}, {0, 2}, {1314, std::nullopt}, {5, std::nullopt}, {50, std::nullopt}};
    for (const auto& [error, type] : cases) {
        EXPECT_EQ(firmwareTypeFromVariableError(error), type) << "error " << error;
    }
}

TEST(AnswerRules, AKeyIsWaitedForOnlyInAConsoleSomeoneSees)
{
    // CREATE_NO_WINDOW has no window; a hidden start hides a console of this process alone, not a shared one
    EXPECT_TRUE(isConsoleSeen(true, false, 1));
    EXPECT_FALSE(isConsoleSeen(false, false, 2));
    EXPECT_FALSE(isConsoleSeen(true, true, 1));
    EXPECT_TRUE(isConsoleSeen(true, true, 2));
}

TEST(AnswerRules, WindowsPeMeasuresTheLargestBuiltInDisk)
{
    constexpr std::uint64_t gb = 1'000'000'000;
    // STORAGE_BUS_TYPE (17 NVMe, 11 SATA, 7 USB, 12 SD, 14 virtual), removable medium, length
    const std::pair<std::vector<WindowsDisk>, std::optional<std::uint64_t>> cases[] = {
        {{{11, false, 256 * gb}, {17, false, 512 * gb}}, 512 * gb},
        {{{7, false, 999 * gb}, {12, false, 998 * gb}, {14, false, 997 * gb}, {11, true, 996 * gb}, {11, false, 1}}, 1},
        {{{17, false, std::nullopt}, {7, false, 999 * gb}}, std::nullopt}};
    for (const auto& [disks, size] : cases) {
        EXPECT_EQ(largestBuiltInDisk(disks), size) << disks.size() << " disks";
    }
}

TEST(AnswerRules, APathBufferGrowsUntilThePathFits)
{
    // buffer size, units reported, next size (0: the answer stands)
    const std::size_t cases[][3] = {
        {260, 0, 0}, {260, 259, 0}, {260, 260, 520}, {20000, 20000, 32768}, {32768, 32768, 0}};
    for (const auto& [size, reported, next] : cases) {
        EXPECT_EQ(nextPathBufferSize(size, reported), next) << size << " units, " << reported << " reported";
    }
}

TEST(AnswerRules, AChunkNeverEndsInsideASurrogatePair)
{
    const std::wstring pair = {wchar_t{0xD83D}, wchar_t{0xDE00}};
    const std::pair<std::wstring, std::size_t> cases[] = {
        {L"abc", 3}, {L"abcd" + pair, 4}, {L"abc" + pair, 3}, {pair + pair, 4}};
    for (const auto& [text, chunk] : cases) {
        EXPECT_EQ(wholeCharacterChunk(text, 4), chunk) << text.size() << " units";
    }
}

} // namespace
} // namespace quill::platform
