#pragma once

#include "core/check_item.h"
#include "platform/platform.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

using Attribute = platform::TextAttribute;

// A colour change, at the place in the script's text from which it holds.
struct ColourChange {
    std::size_t at = 0;
    Attribute attribute = Attribute::normal;
};

// Console output is composed as a script first and played in one go, so the exact
// sequence of text and colour changes can be checked without a console. The text is kept in one
// piece with the colour changes beside it: a report is some seventy pieces, each of them a
// string of its own would cost more than the questions the program asks.
struct ConsoleScript {
    std::string text;
    std::vector<ColourChange> colours; // in order of at
};

void setAttribute(ConsoleScript& out, Attribute attribute);
void writeText(ConsoleScript& out, std::string_view text);

// Attribute, text, back to normal: the shape of every coloured piece.
void writeColoured(ConsoleScript& out, Attribute attribute, std::string_view text);

// The separator line in dark grey.
void printSeparator(ConsoleScript& out);

// The item line: its tag in green or red, the name in its field, " : " and detail in dark grey.
void printCheckLine(ConsoleScript& out, const CheckItem& item);

// The whole line, newline included, in green when value is true, else in falseAttribute.
void printVerdictLine(ConsoleScript& out, std::string_view label, bool value, Attribute falseAttribute);

// Where a script is played: text to the output stream, colour changes to the console.
struct ConsoleSink {
    std::function<void(std::string_view)> write;
    std::function<void(Attribute)> setAttribute;
};

// Plays the script in order. Without a console the colour steps are skipped; the text stays the same.
void playScript(const ConsoleScript& script, bool consolePresent, const ConsoleSink& sink);

} // namespace quill
