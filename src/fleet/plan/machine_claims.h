#pragma once

#include "fleet/plan/fleet_plan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
        std::int64_t reportTime = 0;
        bool future = false;
        bool spelledAsInventory = false;     // the name is byte for byte its inventory's computer_name
        SharedInventory inventory = nullptr; // the one beside it, where it speaks for the machine
    };
    struct Machine {
        std::size_t position = 0; // in FleetPlan::machines
        std::vector<Seen> seen;
        std::optional<std::size_t> conflict; // in FleetPlan::conflicts
    };
    std::unordered_map<std::string, Machine> byLook;
};

// Whether the name is one a computer calls itself: a single DNS label of host-name characters,
// as %COMPUTERNAME% or a short host name is. Any other name of the same machine is a variant of
// it: with a domain or a trailing dot ("PC-A.corp.lan", "PC-A."), or with a dot and anything
// after it ("PC-A.1", "PC-A._").
bool isNamedAsMachine(std::string_view name);

// Adds the claim to the plan: a new machine, a newer report of a known one (the older listed as
// superseded), or a conflict (see nameMeeting). Across routes a report dated after now never
// wins against one that is not, else the newer wins. Against the claims it conflicts with, a
// claim wins only where it stands above each of them: a name as the machine calls itself first,
// whatever the times, so no variant written beside a machine's own file can take its row; then
// a report not dated after now; then a name spelled byte for byte as its inventory's
// computer_name; then a plain host name against a lookalike; then, of spellings that differ only
// in letter case, one in capitals, as Windows writes a computer's name; then the newer. The name
// is shown escaped and marked where it is more than a host name.
void claimMachine(FleetPlan& reports, ClaimIndex& index, MachineClaim claim, std::int64_t now);

// The newest inventory (by its collected time) of the claims that stand for the machine's row: its
// own and those of the reports it superseded, whichever route brought them. A conflicting
// variant's inventory is not the machine's. nullptr where none has one.
SharedInventory newestInventory(const ClaimIndex::Machine& machine);

} // namespace quill::fleet
