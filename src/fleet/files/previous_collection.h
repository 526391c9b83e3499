#pragma once

#include "fleet/plan/fleet_summary.h"

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

// The machines of a JSON file this tool wrote, nullopt when the text is no such file. A file
// from before machines had a category gets it from its checks. The file is taken one machine
// at a time, so a large fleet's file does not have to fit in memory as a whole.
std::optional<std::vector<PreviousMachine>> readPreviousCollection(std::string_view json);

// Sets each machine's change against the earlier collection (by machineKey and category
// order) and lists the machines of that collection that have no report now.
void compareWithPrevious(FleetReports& reports, const std::vector<PreviousMachine>& previous);

} // namespace quill::fleet
