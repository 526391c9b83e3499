#include "platform/answer_rules.h"

#include <algorithm>

namespace quill::platform {

std::uint32_t firmwareTypeFromVariableError(std::uint32_t error)
{
    constexpr std::uint32_t errorInvalidFunction = 1; // ERROR_INVALID_FUNCTION
    return error == errorInvalidFunction ? firmwareTypeBios : firmwareTypeUefi;
}

std::size_t nextPathBufferSize(std::size_t size, std::size_t reported)
{
    if (reported == 0 || reported < size || size >= largestPathBuffer) {
        return 0;
    }
    return std::min(size * 2, largestPathBuffer);
}

std::size_t wholeCharacterChunk(std::wstring_view text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text.size();
    }
    const wchar_t last = text[limit - 1];
    const bool highSurrogate = last >= 0xD800 && last <= 0xDBFF;
    return highSurrogate ? limit - 1 : limit;
}

std::uint16_t attributeInWindow(TextAttribute attribute, std::uint16_t window)
{
    if (attribute == TextAttribute::normal) {
        return window;
    }
    constexpr std::uint16_t backgroundBits = 0xF0;
    return static_cast<std::uint16_t>((window & backgroundBits) | static_cast<std::uint16_t>(attribute));
}

} // namespace quill::platform
