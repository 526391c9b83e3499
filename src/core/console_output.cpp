#include "core/console_output.h"

#include "core/report_layout.h"

namespace quill {

void setAttribute(ConsoleScript& out, Attribute attribute)
{
    out.push_back(ConsolePiece{true, attribute, {}});
}

namespace {

// The text piece at the script's end, opened where the last piece is a colour change: adjacent
// text is merged, so the script stays short and comparisons stay readable.
std::string& textPiece(ConsoleScript& out)
{
    if (out.empty() || out.back().isAttribute) {
        out.push_back(ConsolePiece{false, Attribute::normal, {}});
    }
    return out.back().text;
}

} // namespace

void writeText(ConsoleScript& out, std::string_view text)
{
    textPiece(out) += text;
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
    std::string& name = textPiece(out);
    name += ' ';
    appendPadded(name, item.name, itemNameWidth);
    if (!item.detail.empty()) {
        setAttribute(out, Attribute::darkGrey);
        std::string& detail = textPiece(out);
        detail += detailSeparator;
        detail += item.detail;
        setAttribute(out, Attribute::normal);
    }
    writeText(out, "\n");
}

void printVerdictLine(ConsoleScript& out, std::string_view label, bool value, Attribute falseAttribute)
{
    writeColoured(out, value ? Attribute::green : falseAttribute, verdictLine(label, value) + "\n");
}

void playScript(const ConsoleScript& script, bool consolePresent, const ConsoleSink& sink)
{
    // Without a console the colour steps fall away and the text between them goes out in one
    // piece: a report handed to a file or a pipe is one write, not one per word.
    std::string text;
    for (const ConsolePiece& piece : script) {
        if (!piece.isAttribute) {
            text += piece.text;
        } else if (consolePresent) {
            if (!text.empty()) {
                sink.write(text);
                text.clear();
            }
            sink.setAttribute(piece.attribute);
        }
    }
    if (!text.empty()) {
        sink.write(text);
    }
}

} // namespace quill
