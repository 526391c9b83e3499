#include "platform/answer_rules.h"

#include <gtest/gtest.h>

namespace quill::platform {
namespace {

TEST(AnswerRules, FirmwareTypeFromTheErrorOfAVariableRead)
{
    // ERROR_INVALID_FUNCTION, ERROR_NOACCESS, ERROR_PRIVILEGE_NOT_HELD, ERROR_ENVVAR_NOT_FOUND, success
    const std::uint32_t cases[][2] = {{1, 1}, {998, 2}, {1314, 2}, {203, 2}, {0, 2}};
    for (const auto& [error, type] : cases) {
        EXPECT_EQ(firmwareTypeFromVariableError(error), type) << "error " << error;
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
