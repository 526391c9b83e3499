#include "core/utf8_text.h"

namespace quill {
namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0u) == 0x80u;
}

std::size_t asciiRun(std::string_view bytes, std::size_t offset)
{
    std::size_t end = offset;
    while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80) {
        ++end;
    }
    return end - offset;
}

} // namespace

// The ranges of the second byte rule out overlong forms, surrogates and code points above
// U+10FFFF.
std::size_t utf8CharacterLength(std::string_view bytes, std::size_t offset)
{
    const auto lead = static_cast<unsigned char>(bytes[offset]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (offset + length > bytes.size()) {
        return 0;
    }
    const auto second = static_cast<unsigned char>(bytes[offset + 1]);
    if (second < low || second > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(static_cast<unsigned char>(bytes[offset + i]))) {
            return 0;
        }
    }
    return length;
}

std::string validUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        // Runs of ASCII, nearly all a report holds, go in whole.
        const std::size_t ascii = asciiRun(bytes, offset);
        out.append(bytes, offset, ascii);
        offset += ascii;
        if (offset == bytes.size()) {
            break;
        }
        const std::size_t length = utf8CharacterLength(bytes, offset);
        if (length == 0) {
            out += replacementCharacter;
            ++offset;
            continue;
        }
        out += bytes.substr(offset, length);
        offset += length;
    }
    return out;
}

std::string utf8FromUtf16(std::u16string_view units)
{
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += replacementCharacter;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string utf8FromUtf16Le(std::string_view bytes)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    std::string text = utf8FromUtf16(units);
    if (bytes.size() % 2 != 0) {
        text += replacementCharacter;
    }
    return text;
}

} // namespace quill
