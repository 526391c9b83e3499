#include "core/console_output.h"

#include "core/report_layout.h"
#include "core/verdicts.h"

#include <span>

namespace quill {

void setAttribute(ConsoleScript& out, Attribute attribute)
{
    out.colours.push_back(ColourChange{out.text.size(), attribute});
}

void writeText(ConsoleScript& out, std::string_view text)
{
    out.text += text;
}

void writeColoured(ConsoleScript& out, Attribute attribute, std::string_view text)
{
    setAttribute(out, attribute);
    writeText(out, text);
    setAttribute(out, Attribute::normal);
}

void printSeparator(ConsoleScript& out)
{
    setAttribute(out, Attribute::darkGrey);
    out.text.append(separatorWidth, consoleSeparatorFill);
    out.text += '\n';
    setAttribute(out, Attribute::normal);
}

void printCheckLine(ConsoleScript& out, const CheckItem& item)
{
    writeColoured(out, item.passed ? Attribute::green : Attribute::red, itemTag(item.passed));
    out.text += ' ';
    appendPadded(out.text, item.name, itemNameWidth);
    if (!item.detail.empty()) {
        setAttribute(out, Attribute::darkGrey);
        out.text += detailSeparator;
        out.text += item.detail;
        setAttribute(out, Attribute::normal);
    }
    out.text += '\n';
}

void printVerdictLine(ConsoleScript& out, std::string_view label, bool value, Attribute falseAttribute)
{
    setAttribute(out, value ? Attribute::green : falseAttribute);
    appendVerdictLine(out.text, label, value);
    out.text += '\n';
    setAttribute(out, Attribute::normal);
}

void playScript(const ConsoleScript& script, bool consolePresent, const ConsoleSink& sink)
{
    // Without a console the colour steps fall away and the text goes out in one piece: a report
    // handed to a file or a pipe is one write, not one per word.
    const std::string_view text = script.text;
    std::size_t written = 0;
    const std::span<const ColourChange> colours =
        consolePresent ? std::span<const ColourChange>(script.colours) : std::span<const ColourChange>();
    for (const ColourChange& colour : colours) {
        if (colour.at > written) {
            sink.write(text.substr(written, colour.at - written));
            written = colour.at;
        }
        sink.setAttribute(colour.attribute);
    }
    if (written < text.size()) {
        sink.write(text.substr(written));
    }
}

} // namespace quill
