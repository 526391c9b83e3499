#pragma once

#include "core/console_output.h"
#include "platform/platform.h"

namespace quill {

// Writes the script to stdout, switching colours where it says so when the console is present.
void playScript(const ConsoleScript& script, platform::ConsoleHandle console);

// The whole program: probe, report on the console and in the file, wait for a key.
// Returns the exit code (0 officially compatible, 1 only technically, 2 otherwise).
int runAssessment();

} // namespace quill
