#include "core/printable_text.h"

namespace quill {
namespace {

bool inRange(unsigned byte, unsigned low, unsigned high)
{
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 character of two to four bytes starting at text[at],
// or 0 when none starts there (overlong forms and surrogates are not well-formed).
std::size_t multiByteLength(std::string_view text, std::size_t at)
{
    const auto byteAt = [&text](std::size_t i) -> unsigned {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    };
    const unsigned lead = byteAt(at);
    unsigned low = 0x80;
    unsigned high = 0xBF;
    std::size_t length = 0;
    if (inRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        low = lead == 0xE0 ? 0xA0u : 0x80u;
        high = lead == 0xED ? 0x9Fu : 0xBFu;
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        low = lead == 0xF0 ? 0x90u : 0x80u;
        high = lead == 0xF4 ? 0x8Fu : 0xBFu;
    } else {
        return 0;
    }
    if (!inRange(byteAt(at + 1), low, high)) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!inRange(byteAt(at + i), 0x80, 0xBF)) {
            return 0;
        }
    }
    return length;
}

} // namespace

std::string printableText(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const unsigned byte = static_cast<unsigned char>(text[at]);
        const std::size_t length = multiByteLength(text, at);
        if (length > 0) {
            // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F.
            const bool isC1 = byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F;
            shown += isC1 ? std::string_view("?") : text.substr(at, length);
            at += length;
            continue;
        }
        const bool isControl = byte < 0x20 || byte == 0x7F || inRange(byte, 0x80, 0x9F);
        shown += isControl ? '?' : text[at];
        ++at;
    }
    return shown;
}

} // namespace quill
