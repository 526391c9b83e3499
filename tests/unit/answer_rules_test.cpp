#include "platform/answer_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <tuple>
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
    // a window, shown, its class: cmd or PowerShell on the desktop; a hidden window, also shared with a
    // cmd /c wrapper; Windows Terminal and other ConPTY hosts; Wine on a terminal; CREATE_NO_WINDOW
    const std::tuple<bool, bool, std::wstring_view, bool> cases[] = {
        {true, true, L"ConsoleWindowClass", true},   {true, false, L"ConsoleWindowClass", false},
        {true, false, L"PseudoConsoleWindow", true}, {true, false, L"WineConsoleClass", true},
        {true, false, L"PseudoConsole", false},      {false, false, L"", false}};
    for (const auto& [hasWindow, visible, windowClass, seen] : cases) {
        EXPECT_EQ(isConsoleSeen(hasWindow, visible, windowClass), seen) << hasWindow << visible << windowClass.size();
    }
}

TEST(AnswerRules, WindowsPeMeasuresTheLargestBuiltInDisk)
{
    constexpr std::uint64_t gb = 1'000'000'000;
    // STORAGE_BUS_TYPE (17 NVMe, 11 SATA, 13 MMC, 7 USB, 12 SD, 14 virtual), removable medium, length,
    // hot-pluggable, the adapter's bus
    const std::pair<std::vector<WindowsDisk>, std::optional<std::uint64_t>> cases[] = {
        {{{11, false, 256 * gb}, {17, false, 512 * gb}}, 512 * gb},
        {{{7, false, 999 * gb}, {12, false, 998 * gb}, {14, false, 997 * gb}, {11, true, 996 * gb}, {11, false, 1}}, 1},
        {{{17, false, std::nullopt}, {7, false, 999 * gb}}, std::nullopt},
        {{{13, false, 64 * gb}, {12, false, 128 * gb}, {13, true, 256 * gb}}, 64 * gb}, // eMMC, not an SD or MMC card
        {{{13, false, 64 * gb}, {17, false, 2000 * gb, true}}, 64 * gb},                // and a Thunderbolt NVMe
        {{{17, false, 512 * gb, true}}, 512 * gb}, // an M.2 slot that says it is hot-pluggable
        {{{11, false, 500 * gb, false, 7}, {17, false, 256 * gb}}, 256 * gb}}; // a SATA disk behind a USB bridge
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
