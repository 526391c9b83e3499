#pragma once

#include "fleet/plan/fleet_summary.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace quill::fleet {

// A readable report as it claims its machine: the name as its file gives it (not yet shown) and
// the folder it lies in, the route that wrote it.
struct MachineClaim {
    MachineReport report;
    std::string folder;
    std::int64_t latestTime = 0; // the latest of the report's times: its file's and its inventory's
};

// What earlier claims left behind, per look of a name (lookalikeKey).
struct ClaimIndex {
    struct Seen {
        std::string name;
        std::string folder;
        std::string file;
    };
    struct Machine {
        std::size_t position = 0; // in FleetReports::machines
        std::vector<Seen> seen;
        std::optional<std::size_t> conflict; // in FleetReports::conflicts
    };
    std::unordered_map<std::string, Machine> byLook;
};

// Adds the claim to reports: a new machine, a newer report of a known one (the older listed as
// superseded), or a conflict. A report dated after now never wins against one that is not; in a
// conflict a file named as its inventory names the computer beats one that is not, then a plain
// host name beats a lookalike, then the newer wins. The name is
// shown escaped and marked where it is more than a host name.
void claimMachine(FleetReports& reports, ClaimIndex& index, MachineClaim claim, std::int64_t now);

} // namespace quill::fleet
