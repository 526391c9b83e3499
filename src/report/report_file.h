#pragma once

#include "core/assessment.h"
#include "core/console_output.h"

#include <string_view>

namespace quill {

// Prints the outcome: an empty line; where the folder beside the program took no file, the
// system's reason in yellow (refusedReason, empty when it did); then "Report: <path>" in dark
// grey (the path as printableText shows it) or the failure message in yellow; then back to
// normal.
void printReportStatus(ConsoleScript& out, bool written, std::string_view pathUtf8,
                       std::string_view refusedReason = {});

// Writes the report beside the executable, where that folder takes no file in the current
// directory or else the home directory, and prints the outcome. The exit code never depends
// on it.
void writeReportFile(const Assessment& assessment, ConsoleScript& out);

} // namespace quill
