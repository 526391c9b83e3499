#pragma once

#include <cstdint>
#include <string>

namespace quill::fleet {

// A time in nanoseconds since 1970-01-01 00:00 UTC, to the second, as ISO 8601 in UTC:
// "2026-12-09T10:33:49Z", for tools.
std::string isoUtc(std::int64_t nanoseconds);

// The same to the minute for people, moved by offset seconds from UTC: "2026-12-09 11:33", which
// Excel takes as a date and time.
std::string standText(std::int64_t nanoseconds, std::int64_t offset);

// The same as German writes it: "09.12.2026 11:33".
std::string germanTime(std::int64_t nanoseconds, std::int64_t offset);

// Which clock that is: "UTC+01:00", "UTC-03:30", "UTC".
std::string offsetText(std::int64_t offset);

// "Seit der Sammlung vom 02.12.2026 10:33", or "Seit der früheren Sammlung" where its file tells no time.
std::string previousCollectionTitle(std::int64_t previousTime, std::int64_t offset);

// The local clock's distance from UTC in seconds at that time, as this computer's settings say.
std::int64_t localUtcOffset(std::int64_t nanoseconds);

} // namespace quill::fleet
