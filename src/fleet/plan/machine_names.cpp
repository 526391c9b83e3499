#include "fleet/plan/machine_names.h"

#include "core/utf8_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <unordered_set>

namespace quill::fleet {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The digit run at the text's start, without leading zeros.
std::string_view digitRun(std::string_view text, std::size_t& length)
{
    length = 0;
    while (length < text.size() && isDigit(text[length])) {
        ++length;
    }
    std::string_view run = text.substr(0, length);
    run.remove_prefix(std::min(run.find_first_not_of('0'), run.size()));
    return run;
}

// The code point of the well-formed character of length bytes at text's start.
char32_t codePoint(std::string_view text, std::size_t length)
{
    if (length == 1) {
        return static_cast<unsigned char>(text[0]);
    }
    char32_t value = static_cast<unsigned char>(text[0]) & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(text[i]) & 0x3Fu);
    }
    return value;
}

// Characters that show nothing or turn the text around: zero widths, joiners, bidi marks,
// embeddings, overrides and isolates, the soft hyphen, variation selectors, the BOM, tags.
bool isInvisible(char32_t c)
{
    const std::pair<char32_t, char32_t> ranges[] = {
        {0x00, 0x20},     {0x7F, 0xA0},     {0xAD, 0xAD},     {0x34F, 0x34F},   {0x61C, 0x61C},   {0x115F, 0x1160},
        {0x17B4, 0x17B5}, {0x180B, 0x180E}, {0x2000, 0x200F}, {0x2028, 0x202F}, {0x205F, 0x206F}, {0x3000, 0x3000},
        {0x3164, 0x3164}, {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF9, 0xFFFB}, {0xE0000, 0xE0FFF}};
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](const auto& range) { return c >= range.first && c <= range.second; });
}

// The Latin letter a Cyrillic or Greek letter is drawn like in the usual fonts, or 0.
char latinLookalike(char32_t c)
{
    struct Lookalike {
        char32_t letter;
        char latin; // cppcheck-suppress unusedStructMember ; read through the iterator lower_bound gives
    };
    static constexpr Lookalike table[] = {
        {0x391, 'A'}, {0x392, 'B'}, {0x395, 'E'}, {0x396, 'Z'}, {0x397, 'H'}, {0x399, 'I'}, {0x39A, 'K'}, {0x39C, 'M'},
        {0x39D, 'N'}, {0x39F, 'O'}, {0x3A1, 'P'}, {0x3A4, 'T'}, {0x3A5, 'Y'}, {0x3A7, 'X'}, {0x3B9, 'i'}, {0x3BA, 'k'},
        {0x3BD, 'v'}, {0x3BF, 'o'}, {0x3C1, 'p'}, {0x3C5, 'u'}, {0x3C7, 'x'}, {0x405, 'S'}, {0x406, 'I'}, {0x408, 'J'},
        {0x410, 'A'}, {0x412, 'B'}, {0x415, 'E'}, {0x41A, 'K'}, {0x41C, 'M'}, {0x41D, 'H'}, {0x41E, 'O'}, {0x420, 'P'},
        {0x421, 'C'}, {0x422, 'T'}, {0x423, 'Y'}, {0x425, 'X'}, {0x430, 'a'}, {0x435, 'e'}, {0x43E, 'o'}, {0x440, 'p'},
        {0x441, 'c'}, {0x443, 'y'}, {0x445, 'x'}, {0x455, 's'}, {0x456, 'i'}, {0x458, 'j'}, {0x4BB, 'h'}, {0x501, 'd'}};
    const auto* const found =
        std::lower_bound(std::begin(table), std::end(table), c,
                         [](const Lookalike& entry, char32_t letter) { return entry.letter < letter; });
    if (found != std::end(table) && found->letter == c) {
        return found->latin;
    }
    return c >= 0xFF01 && c <= 0xFF5E ? static_cast<char>(c - 0xFEE0) : '\0';
}

bool isHostNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '-' || c == '.' || c == '_';
}

// The text with invisible, bidi and control characters as "\u200B", but where keepSpaces the
// ordinary space as it is; malformed UTF-8 as U+FFFD.
std::string shown(std::string_view text, bool keepSpaces)
{
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8CharacterLength(text, at);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        const char32_t c = codePoint(text.substr(at), length);
        if (isInvisible(c) && !(keepSpaces && c == ' ')) {
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            out += escape;
        } else {
            out.append(text.substr(at, length));
        }
        at += length;
    }
    return out;
}

} // namespace

std::string lookalikeKey(std::string_view name)
{
    std::string folded;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = std::max<std::size_t>(utf8CharacterLength(name, at), 1);
        const char32_t c = codePoint(name.substr(at), length);
        const char latin = length == 1 ? name[at] : latinLookalike(c);
        if (latin != '\0' && !isInvisible(static_cast<unsigned char>(latin))) {
            folded += latin;
        } else if (length > 1 && !isInvisible(c)) {
            folded.append(name.substr(at, length));
        }
        at += length;
    }
    return machineKey(folded);
}

bool looksLikeCopy(std::string_view name)
{
    if (isHostName(name)) {
        return false;
    }
    std::string words = " " + std::string(name) + " ";
    std::transform(words.begin(), words.end(), words.begin(), lowerAscii);
    constexpr std::string_view copyWords[] = {" kopie ", " copy ", "(kopie)", "(copy)", " copy)"};
    const bool copyWord = std::any_of(std::begin(copyWords), std::end(copyWords), [&words](std::string_view word) {
        return words.find(word) != std::string::npos;
    });
    // " (2)" at the end, as browsers and Explorer number a second file of one name.
    const std::string_view trimmed = std::string_view(words).substr(0, words.size() - 1);
    const std::size_t open = trimmed.rfind(" (");
    const bool numbered =
        open != std::string_view::npos && trimmed.ends_with(')') && open + 3 < trimmed.size() &&
        std::all_of(trimmed.begin() + static_cast<std::ptrdiff_t>(open) + 2, trimmed.end() - 1, isDigit);
    return copyWord || numbered;
}

bool isHostName(std::string_view name)
{
    return std::all_of(name.begin(), name.end(), isHostNameCharacter);
}

std::string shownName(std::string_view name)
{
    return shown(name, false);
}

std::string shownText(std::string_view text)
{
    return shown(text, true);
}

NameMeeting nameMeeting(std::string_view name, std::string_view folder, std::string_view otherName,
                        std::string_view otherFolder)
{
    return machineKey(name) != machineKey(otherName) || folder == otherFolder ? NameMeeting::conflict
                                                                              : NameMeeting::supersede;
}

std::string machineKey(std::string_view name)
{
    // An IPv4 address (an inventory may name hosts so) is one name, not a first label and a domain.
    const bool address = name.find_first_not_of("0123456789.") == std::string_view::npos;
    std::string key(address ? name : name.substr(0, name.find('.')));
    std::transform(key.begin(), key.end(), key.begin(), lowerAscii);
    return key;
}

bool naturalLess(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t lengthA = 0;
            std::size_t lengthB = 0;
            const std::string_view runA = digitRun(a.substr(i), lengthA);
            const std::string_view runB = digitRun(b.substr(j), lengthB);
            if (runA.size() != runB.size()) {
                return runA.size() < runB.size();
            }
            if (runA != runB) {
                return runA < runB;
            }
            i += lengthA;
            j += lengthB;
        } else if (lowerAscii(a[i]) != lowerAscii(b[j])) {
            return static_cast<unsigned char>(lowerAscii(a[i])) < static_cast<unsigned char>(lowerAscii(b[j]));
        } else {
            ++i;
            ++j;
        }
    }
    if (i < a.size() || j < b.size()) {
        return j < b.size();
    }
    return a < b; // equal but for case or leading zeros: still one order
}

} // namespace quill::fleet
