#pragma once

#include <cstdint>
#include <string>

namespace quill::fleet {

// A time in nanoseconds since 1970-01-01 00:00 UTC, to the second, as ISO 8601 in UTC:
// "2026-12-09T10:33:49Z", for tools.
std::string isoUtc(std::int64_t nanoseconds);

// The same to the minute for people: "2026-12-09 10:33", which Excel takes as a date and time.
std::string standText(std::int64_t nanoseconds);

} // namespace quill::fleet
