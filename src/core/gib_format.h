#pragma once

#include <cstdint>
#include <string>

namespace quill {

// A byte count as gibibytes with exactly one decimal and " GiB", e.g. "238.4 GiB".
// The count goes through the nearest double first; exact halves round to even.
std::string formatGiB(std::uint64_t bytes);

} // namespace quill
