#include "fleet/plan/fleet_plan.h"

#include "fleet/plan/earlier_collection.h"
#include "fleet/plan/expected_list.h"
#include "fleet/plan/machine_claims.h"
#include "fleet/plan/machine_names.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace quill::fleet {
namespace {

// The machine a report stands for. Only an inventory that names the machine the report's file
// names speaks for it: another computer may have put its own there, and its facts and time would
// bend this machine's row.
MachineReport machineOf(CollectedReport& report)
{
    MachineReport machine;
    machine.name = report.name;
    machine.file = std::move(report.file);
    machine.assessment = std::move(report.assessment);
    machine.reportTime = report.fileTime;
    if (report.inventory && machineKey(report.inventory->computerName) != machineKey(report.name)) {
        machine.inventoryMismatch = report.inventory->computerName;
    } else if (report.inventory) {
        machine.reportTime = report.inventory->collectedTime;
        machine.inventory = std::move(report.inventory);
    }
    return machine;
}

// Each machine's facts from the newest inventory of its reports, whichever route brought it, and
// what is to be done with it.
void planWork(FleetPlan& plan, const ClaimIndex& claims)
{
    for (const auto& [look, claimed] : claims.byLook) {
        MachineReport& machine = plan.machines[claimed.position];
        SharedInventory newest = newestInventory(claimed);
        if (newest && (!machine.inventory || newest->collectedTime > machine.inventory->collectedTime)) {
            machine.inventory = std::move(newest);
        }
    }
    for (MachineReport& machine : plan.machines) {
        machine.work =
            machineWork(machine.assessment, machine.inventory ? machineFacts(*machine.inventory) : MachineFacts{});
    }
}

std::unordered_set<std::string> expectedKeys(const std::vector<ExpectedMachine>& expected)
{
    std::unordered_set<std::string> keys;
    for (const ExpectedMachine& machine : expected) {
        keys.insert(machineKey(machine.name));
    }
    return keys;
}

// The groups of --expect, in the order it names them first, and each machine's.
void assignGroups(FleetPlan& plan, const std::vector<ExpectedMachine>& expected)
{
    std::unordered_set<std::string_view> groups; // a list may name as many groups as machines
    for (const ExpectedMachine& machine : expected) {
        if (!machine.group.empty()) {
            plan.groupByKey.try_emplace(machineKey(machine.name), machine.group);
            if (groups.insert(machine.group).second) {
                plan.groups.push_back(machine.group);
            }
        }
    }
}

std::vector<std::string> missingOf(const FleetPlan& plan, const std::vector<ExpectedMachine>& expected)
{
    std::vector<std::string> expectedNames;
    expectedNames.reserve(expected.size());
    for (const ExpectedMachine& machine : expected) {
        expectedNames.push_back(machine.name);
    }
    std::vector<std::string> names;
    names.reserve(plan.machines.size());
    for (const MachineReport& machine : plan.machines) {
        names.push_back(machine.name);
    }
    return missingMachines(expectedNames, names);
}

} // namespace

FleetPlan planFleet(Collection collection, std::int64_t now)
{
    FleetPlan plan;
    plan.unreadable = std::move(collection.unreadable);
    plan.unreadableInventory = std::move(collection.unreadableInventory);
    // Grown by doubling, the list would hold its old and new copies at once near the end.
    plan.machines.reserve(collection.reports.size());
    ClaimIndex claims;
    const std::unordered_set<std::string> expected = expectedKeys(collection.expected);
    // Taken out of the collection, the reports' texts go once each has its claim, before the work is planned.
    for (CollectedReport& report : std::exchange(collection.reports, {})) {
        // A copy made in Explorer would count as one more machine, most often a ready one.
        if (looksLikeCopy(report.name) && !expected.contains(machineKey(report.name))) {
            plan.copies.push_back(std::move(report.file));
            continue;
        }
        MachineReport machine = machineOf(report);
        // A report file dated after the run is as suspect as a collected time after it.
        const std::int64_t latest = std::max(machine.reportTime, report.fileTime);
        claimMachine(plan, claims, MachineClaim{std::move(machine), std::move(report.folder), latest}, now);
    }
    planWork(plan, claims);
    plan.isExpectWindows1252 = collection.isExpectWindows1252;
    assignGroups(plan, collection.expected);
    plan.missing = missingOf(plan, collection.expected);
    if (collection.earlier) {
        compareWithEarlier(plan, *collection.earlier);
    }
    plan.summary = summariseFleet(plan);
    return plan;
}

std::string_view groupOf(const FleetPlan& plan, std::string_view name)
{
    if (plan.groupByKey.empty()) {
        return {};
    }
    const auto found = plan.groupByKey.find(machineKey(name));
    return found == plan.groupByKey.end() ? std::string_view() : std::string_view(found->second);
}

int fleetExitCode(const FleetPlan& plan)
{
    if (plan.machines.empty()) {
        return 2;
    }
    return plan.unreadable.empty() && plan.missing.empty() && plan.conflicts.empty() ? 0 : 1;
}

} // namespace quill::fleet
