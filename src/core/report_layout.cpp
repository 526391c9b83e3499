#include "core/report_layout.h"

#include "core/verdicts.h"

namespace quill {

std::string separatorLine(char fill)
{
    return std::string(separatorWidth, fill);
}

std::string_view sectionTitle(CheckGroup group)
{
    return group == CheckGroup::technical ? technicalTitle : officialTitle;
}

void appendPadded(std::string& out, std::string_view text, std::size_t width)
{
    out += text;
    if (text.size() < width) {
        out.append(width - text.size(), ' ');
    }
}

std::string itemTag(bool passed)
{
    return passed ? "[OK ]" : "[NO ]";
}

std::string itemNameField(std::string_view name)
{
    std::string field;
    appendPadded(field, name, itemNameWidth);
    return field;
}

void appendVerdictLine(std::string& out, std::string_view label, bool value)
{
    appendPadded(out, label, verdictLabelWidth);
    out += detailSeparator;
    out += verdictWord(value);
}

std::string verdictLine(std::string_view label, bool value)
{
    std::string line;
    appendVerdictLine(line, label, value);
    return line;
}

} // namespace quill
