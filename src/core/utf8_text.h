#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

// The length of the well-formed UTF-8 character starting at bytes[offset]: 1 for ASCII, 2 to 4
// for the others, 0 when none starts there (a stray continuation byte, an overlong form, a
// surrogate, a code point above U+10FFFF, or a character cut short). offset < bytes.size().
std::size_t utf8CharacterLength(std::string_view bytes, std::size_t offset);

// The text with every byte that is not part of well-formed UTF-8 replaced by U+FFFD.
// Report fields and Linux file names are bytes; JSON and HTML need Unicode text.
std::string validUtf8(std::string_view bytes);

// UTF-16 code units as UTF-8, with every unpaired surrogate replaced by U+FFFD. Windows file
// names may hold them, and a report saved by PowerShell 5.1 comes as UTF-16.
std::string utf8FromUtf16(std::u16string_view units);

// Bytes in UTF-16 little endian as UTF-8, as utf8FromUtf16; an odd last byte becomes U+FFFD.
std::string utf8FromUtf16Le(std::string_view bytes);

} // namespace quill
