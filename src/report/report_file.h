#pragma once

#include "core/assessment.h"
#include "core/console_output.h"
#include "platform/platform.h"

#include <cstdio>
#include <string_view>

namespace quill {

// Writes the byte-order mark and the text to an open file and closes it. False when any
// write, the flush that hands the bytes to the system, or the close failed; a file that
// could not be opened (nullptr) is a failure too.
bool writeAndClose(std::FILE* file, std::string_view text);

// Prints the outcome: an empty line, then "Report: <path>" in dark grey (the path as
// printableText shows it) or the failure message in yellow, then back to normal.
void printReportStatus(ConsoleScript& out, bool written, std::string_view pathUtf8);

// Writes the report beside the executable and prints the outcome. The exit code never
// depends on it.
void writeReportFile(const Assessment& assessment, ConsoleScript& out);

} // namespace quill
