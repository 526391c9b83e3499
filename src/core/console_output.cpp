#include "core/console_output.h"

#include "core/report_layout.h"

namespace quill {

void setAttribute(ConsoleScript& out, Attribute attribute)
{
    out.push_back(ConsolePiece{true, attribute, {}});
}

void writeText(ConsoleScript& out, std::string_view text)
{
    // Adjacent text pieces are merged: the script stays short and comparisons stay readable.
    if (!out.empty() && !out.back().isAttribute) {
        out.back().text += text;
        return;
    }
    out.push_back(ConsolePiece{false, Attribute::normal, std::string(text)});
}

void writeColoured(ConsoleScript& out, Attribute attribute, std::string_view text)
{
    setAttribute(out, attribute);
    writeText(out, text);
    setAttribute(out, Attribute::normal);
}

void printSeparator(ConsoleScript& out)
{
    writeColoured(out, Attribute::darkGrey, separatorLine(consoleSeparatorFill) + "\n");
}

void printCheckLine(ConsoleScript& out, const CheckItem& item)
{
    writeColoured(out, item.passed ? Attribute::green : Attribute::red, itemTag(item.passed));
    writeText(out, " " + itemNameField(item.name));
    if (!item.detail.empty()) {
        writeColoured(out, Attribute::darkGrey, std::string(detailSeparator) + item.detail);
    }
    writeText(out, "\n");
}

void printVerdictLine(ConsoleScript& out, std::string_view label, bool value, Attribute falseAttribute)
{
    writeColoured(out, value ? Attribute::green : falseAttribute, verdictLine(label, value) + "\n");
}

void playScript(const ConsoleScript& script, bool consolePresent, const ConsoleSink& sink)
{
    for (const ConsolePiece& piece : script) {
        if (!piece.isAttribute) {
            sink.write(piece.text);
        } else if (consolePresent) {
            sink.setAttribute(piece.attribute);
        }
    }
}

} // namespace quill
