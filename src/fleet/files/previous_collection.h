#pragma once

#include "core/expected.h"
#include "fleet/plan/fleet_summary.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// A machine of an earlier collection: its name as written there and the category it had.
struct PreviousMachine {
    std::string name;
    Category category = Category::ready;
    std::int64_t reportTime = 0; // nanoseconds since 1970 UTC, 0 where the file gives none
};

// What the tool writes at most, and so reads: its members nest 5 levels deep, and a machine
// with the longest path Windows allows stays below 160 KiB, as does every string and number.
inline constexpr std::size_t maxPreviousDepth = 16;
inline constexpr std::size_t maxPreviousMachineBytes = std::size_t{256} * 1024;

// The machines of a JSON file this tool wrote, or in German why the text is no such file. A file
// from before machines had a category gets it from its checks. The file is taken one machine
// at a time, so a large fleet's file does not have to fit in memory as a whole; a text nested
// deeper, with a machine, a string or a number larger than the limits above, or whose top level is
// no object, is refused in one pass over its bytes before anything of it is built.
Expected<std::vector<PreviousMachine>, std::string> readPreviousCollection(std::string_view json);

// Sets each machine's change against the earlier collection (by machineKey and category
// order) and lists the machines of that collection that have no report now.
void compareWithPrevious(FleetReports& reports, const std::vector<PreviousMachine>& previous);

} // namespace quill::fleet
