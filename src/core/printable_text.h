#pragma once

#include <string>
#include <string_view>

namespace quill {

// Text from outside the program (a CPU brand, which a hypervisor sets freely; a file name)
// as the console may show it: every C0 control character, DEL and C1 control character
// becomes one '?', so no such text can move the cursor, retitle the window or hide lines.
// Everything else stays byte for byte, UTF-8 letters included. A byte from 0x80 to 0x9F
// that is not part of a well-formed UTF-8 character counts as a C1 control, since that is
// what an 8-bit terminal takes it for.
std::string printableText(std::string_view text);

// Whether every byte is printable ASCII (0x20 to 0x7E): text that printableText and UTF-8
// checks leave as it is, nearly every name, brand and detail.
bool isPrintableAscii(std::string_view text);

} // namespace quill
