#include "platform/answer_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace quill::platform {
namespace {

TEST(AnswerRules, FirmwareFromTheErrorOfAVariableRead)
{
    // ERROR_INVALID_FUNCTION, ERROR_NOACCESS, ERROR_PRIVILEGE_NOT_HELD, ERROR_ENVVAR_NOT_FOUND, none
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {{1, firmwareTypeBios},
                                                             {998, firmwareTypeUefi},
                                                             {1314, firmwareTypeUefi},
                                                             {203, firmwareTypeUefi},
                                                             {0, firmwareTypeUefi}};
    for (const auto& [error, expected] : cases) {
        EXPECT_EQ(firmwareTypeFromVariableError(error), expected) << "error " << error;
    }
}

TEST(AnswerRules, APathBufferGrowsUntilThePathFits)
{
    struct Case {
        std::size_t size, reported, next;
    };
    const Case cases[] = {{260, 0, 0},   {260, 259, 0},         {260, 260, 520},
                          {520, 300, 0}, {20000, 20000, 32768}, {32768, 32768, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(nextPathBufferSize(c.size, c.reported), c.next) << c.size << " units, " << c.reported << " reported";
    }
}

TEST(AnswerRules, AChunkNeverEndsInsideASurrogatePair)
{
    const std::wstring pair = {wchar_t(0xD83D), wchar_t(0xDE00)};
    const struct {
        std::wstring text;
        std::size_t expected;
    } cases[] = {{L"abc", 3}, {L"abcd" + pair, 4}, {L"abc" + pair, 3}, {L"ab" + pair + L"c", 4}, {pair + pair, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(wholeCharacterChunk(c.text, 4), c.expected) << c.text.size() << " units";
    }
}

TEST(AnswerRules, ColoursOnTheWindowsOwnBackground)
{
    EXPECT_EQ(attributeInWindow(TextAttribute::normal, 0x07), 0x07);
    EXPECT_EQ(attributeInWindow(TextAttribute::green, 0x07), 0x0A);
    EXPECT_EQ(attributeInWindow(TextAttribute::normal, 0x1F), 0x1F);
    EXPECT_EQ(attributeInWindow(TextAttribute::red, 0x1F), 0x1C);
    EXPECT_EQ(attributeInWindow(TextAttribute::darkGrey, 0x8056), 0x58); // no underline carried over
}

} // namespace
} // namespace quill::platform
