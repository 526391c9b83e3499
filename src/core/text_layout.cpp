#include "core/text_layout.h"

namespace quill {

void appendPadded(std::string& out, std::string_view text, std::size_t width)
{
    out += text;
    if (text.size() < width) {
        out.append(width - text.size(), ' ');
    }
}

std::string_view passTag(bool passed)
{
    return passed ? "OK " : "NO ";
}

} // namespace quill
