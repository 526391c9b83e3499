#pragma once

#include <string>
#include <string_view>

namespace quill::fleet {

// The text with every byte that is not part of well-formed UTF-8 replaced by U+FFFD.
// Report fields and Linux file names are bytes; JSON and HTML need Unicode text.
std::string validUtf8(std::string_view bytes);

} // namespace quill::fleet
