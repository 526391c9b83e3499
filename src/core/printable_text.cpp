#include "core/printable_text.h"

#include "core/utf8_text.h"

#include <algorithm>

namespace quill {
namespace {

// U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F in UTF-8.
bool isC1Character(std::string_view character)
{
    return character.size() == 2 && static_cast<unsigned char>(character[0]) == 0xC2 &&
           static_cast<unsigned char>(character[1]) <= 0x9F;
}

} // namespace

bool isPrintableAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

std::string printableText(std::string_view text)
{
    if (isPrintableAscii(text)) {
        return std::string(text); // the common case: plain ASCII, nothing to replace
    }
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8CharacterLength(text, at);
        const std::string_view character = text.substr(at, length == 0 ? 1 : length);
        // A byte from 0x80 to 0x9F outside a well-formed character is what an 8-bit
        // terminal takes for a C1 control.
        const auto first = static_cast<unsigned char>(character[0]);
        const bool isControl = first < 0x20 || first == 0x7F || (length == 0 && first >= 0x80 && first <= 0x9F) ||
                               isC1Character(character);
        shown += isControl ? std::string_view("?") : character;
        at += character.size();
    }
    return shown;
}

} // namespace quill
