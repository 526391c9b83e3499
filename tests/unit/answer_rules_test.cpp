#include "platform/answer_rules.h"

#include <gtest/gtest.h>

#include <optional>
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

TEST(AnswerRules, TheNativeMachineWinsOverWhatTheEmulatorReports)
{
    // IsWow64Process2's native machine (nullopt: not asked), GetNativeSystemInfo's architecture, result
    const std::tuple<std::optional<std::uint16_t>, std::uint16_t, std::uint16_t> cases[] = {
        {0xAA64, 9, 12}, {0x8664, 9, 9}, {std::nullopt, 9, 9}, {std::nullopt, 12, 12}, {0, 9, 9}};
    for (const auto& [machine, reported, architecture] : cases) {
        EXPECT_EQ(nativeArchitectureFrom(machine, reported), architecture) << machine.value_or(0) << " " << reported;
    }
}

TEST(AnswerRules, AKeyIsWaitedForOnlyInAConsoleSomeoneSees)
{
    // has a window, started hidden, processes on the console, seen
    const std::tuple<bool, bool, std::uint32_t, bool> cases[] = {
        {true, false, 1, true}, {true, false, 2, true}, {false, false, 2, false}, // CREATE_NO_WINDOW
        {true, true, 1, false},                                                   // its own console, hidden
        {true, true, 2, true}, // hidden start inherited in a shared, visible console
    };
    for (const auto& [window, hidden, processes, seen] : cases) {
        EXPECT_EQ(isConsoleSeen(window, hidden, processes), seen) << window << hidden << processes;
    }
}

TEST(AnswerRules, WindowsPeMeasuresTheLargestBuiltInDisk)
{
    constexpr std::uint64_t gb = 1'000'000'000;
    // STORAGE_BUS_TYPE (17 NVMe, 11 SATA, 7 USB, 12 SD, 14 virtual), removable medium, length
    const WindowsDisk nvme{17, false, 512 * gb};
    const WindowsDisk sata{11, false, 256 * gb};
    const WindowsDisk usbSsd{7, false, 1000 * gb};
    const WindowsDisk sdCard{12, false, 128 * gb};
    const WindowsDisk virtualDisk{14, false, 900 * gb};
    const WindowsDisk removable{11, true, 800 * gb};
    const WindowsDisk unanswered{17, false, std::nullopt};
    const std::pair<std::vector<WindowsDisk>, std::optional<std::uint64_t>> cases[] = {
        {{sata, nvme}, 512 * gb},
        {{usbSsd, sata}, 256 * gb},
        {{sdCard, virtualDisk, removable, sata}, 256 * gb},
        {{usbSsd, unanswered}, std::nullopt},
        {{}, std::nullopt},
    };
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
