#pragma once

#include "core/assessment.h"
#include "fleet/files/collection.h"
#include "fleet/plan/fleet_summary.h"
#include "fleet/plan/machine_work.h"
#include "fleet/plan/work_table.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quill::fleet {

// One machine of the plan: its report as read and what is to be done with it.
struct MachineReport {
    std::string name; // as shown: invisible and bidi characters escaped (shownName)
    std::string file;
    Assessment assessment;
    std::int64_t reportTime = 0; // the inventory's collected time, else the file's last write; ns since 1970 UTC
    MachineWork work;
    std::optional<Change> change; // only against an earlier collection
    SharedInventory inventory;    // NAME.inventory.json beside the report, where it speaks for the machine
    bool conflict = false;        // another file claims this machine under another name
    bool future = false;          // its time lies after the run: no report newer than it could win
    bool unusualName = false;     // the name holds more than host-name characters
    // The computer_name of an inventory beside the report that names another machine, whose facts
    // and time were therefore left out; "" where there is none such.
    std::string inventoryMismatch;
};

// Files that claim one machine under different names (see nameMeeting): all are listed, one is shown.
struct NameConflict {
    std::string name;
    std::vector<std::string> files;
};

// A report that a newer one of the same machine replaces.
struct SupersededReport {
    std::string name;
    std::string file;
};

// The collection planned: one row per machine, in the order its files were found, what could not
// be read or stood aside, and the counts.
struct FleetPlan {
    std::vector<MachineReport> machines;
    std::vector<UnreadableReport> unreadable;
    std::vector<SupersededReport> superseded;
    std::vector<std::string> missing; // expected machines without a readable report
    bool comparedWithPrevious = false;
    std::vector<std::string> gone;   // in the earlier collection, without a report now
    std::int64_t previousTime = 0;   // the earlier collection's newest report, nanoseconds since 1970 UTC
    std::vector<std::string> groups; // the sites or departments of --expect, in the order it names them first
    std::unordered_map<std::string, std::string> groupByKey; // machineKey -> its group, where --expect gives one
    bool isExpectWindows1252 = false; // some line of --expect was no UTF-8 and was read as Windows-1252
    std::vector<NameConflict> conflicts;
    std::vector<std::string> future;              // files dated after the run
    std::vector<std::string> unreadableInventory; // inventory files beside a report that are none
    std::vector<std::string> copies; // files named as copies ("PC-7 - Kopie.txt") --expect does not list: not counted
    FleetSummary summary;
};

// The whole plan of a collection read at now (nanoseconds since 1970 UTC): which file is each
// machine's row (claimMachine), whose inventory speaks for it, its category and steps
// (machineWork), its group, how it moved since the earlier collection, and the counts. The
// collection's reports are moved into the plan.
FleetPlan planFleet(Collection collection, std::int64_t now);

// The machine's group as --expect gives it, or "".
std::string_view groupOf(const FleetPlan& plan, std::string_view name);

// The tool's exit code once its outputs are written: 0 every file read, 1 some unreadable, some
// expected machine missing or a name conflict, 2 nothing readable.
int fleetExitCode(const FleetPlan& plan);

} // namespace quill::fleet
