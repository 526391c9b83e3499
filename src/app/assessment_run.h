#pragma once

namespace quill {

// The whole program: probe, report on the console and in the file, wait for a key.
// Returns the exit code (0 officially compatible, 1 only technically, 2 otherwise).
int runAssessment();

} // namespace quill
