#pragma once

#include "core/assessment.h"
#include "core/console_output.h"

namespace quill {

// The console report from the product line down to the closing hint and its colour reset.
ConsoleScript renderConsoleReport(const Assessment& assessment);

// The key prompt that ends every run.
void printKeyPrompt(ConsoleScript& out);

} // namespace quill
