#include "fleet/plan/fleet_summary.h"

#include "core/finding_table.h"
#include "fleet/plan/fleet_plan.h"

#include <algorithm>

namespace quill::fleet {
namespace {

const CheckItem* findIn(const CheckList& checks, std::string_view name)
{
    const auto found =
        std::find_if(checks.begin(), checks.end(), [name](const CheckItem& item) { return item.name == name; });
    return found == checks.end() ? nullptr : &*found;
}

void countFailures(const Assessment& a, FleetSummary& summary)
{
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        const CheckItem* item = findCheck(a, checkTable[check].name);
        if (item != nullptr && !item->passed) {
            ++summary.failuresByCheck[check];
        }
    }
}

void countVerdict(const Assessment& a, FleetSummary& summary)
{
    switch (exitCodeOf(a)) {
    case 0:
        ++summary.officiallyCompatible;
        return;
    case 1: {
        ++summary.technicallyCompatibleOnly;
        const CheckItem* tpm = findCheck(a, checkName(Check::tpm20));
        ++(tpm != nullptr && tpm->passed ? summary.firmwareSettingsOnly : summary.tpmMissing);
        return;
    }
    default:
        ++summary.notCompatible;
    }
}

void countWork(const MachineReport& machine, FleetSummary& summary)
{
    const MachineWork& work = machine.work;
    ++summary.byCategory[static_cast<std::size_t>(work.category)];
    if (exitCodeOf(machine.assessment) == 0 && work.processorOnList == ProcessorListing::no) {
        ++summary.processorNotOnList;
    }
    if (machine.change) {
        ++summary.byChange[static_cast<std::size_t>(*machine.change)];
        if (*machine.change == Change::better && work.category == Category::ready) {
            ++summary.becameReady;
        }
    }
}

// The bytes an item found with this finding names, read back from the report's figure.
std::optional<std::uint64_t> bytesOf(const Assessment& a, Check check, Finding finding)
{
    const CheckItem* item = findCheck(a, checkName(check));
    return item != nullptr && item->finding == finding ? std::optional(item->value) : std::nullopt;
}

void countGroups(const FleetPlan& reports, FleetSummary& summary)
{
    summary.byGroup.assign(reports.groups.size(), {});
    summary.missingByGroup.assign(reports.groups.size(), 0);
    if (reports.groups.empty()) {
        return;
    }
    // Looked up once per machine: a list may name as many groups as machines.
    std::unordered_map<std::string_view, std::size_t> groupIndex;
    for (std::size_t group = 0; group < reports.groups.size(); ++group) {
        groupIndex.try_emplace(reports.groups[group], group);
    }
    const auto indexOf = [&](std::string_view name) {
        const auto found = groupIndex.find(groupOf(reports, name));
        return found == groupIndex.end() ? std::optional<std::size_t>() : found->second;
    };
    for (const MachineReport& machine : reports.machines) {
        if (const std::optional<std::size_t> group = indexOf(machine.name)) {
            ++summary.byGroup[*group][static_cast<std::size_t>(machine.work.category)];
        }
    }
    for (const std::string& name : reports.missing) {
        if (const std::optional<std::size_t> group = indexOf(name)) {
            ++summary.missingByGroup[*group];
        }
    }
}

} // namespace

std::optional<std::uint64_t> memoryBytes(const Assessment& assessment)
{
    return bytesOf(assessment, Check::memory, Finding::memoryInstalled);
}

std::optional<std::uint64_t> systemDriveBytes(const Assessment& assessment)
{
    return bytesOf(assessment, Check::systemDrive, Finding::driveCapacity);
}

FleetSummary summariseFleet(const FleetPlan& reports)
{
    FleetSummary summary;
    countGroups(reports, summary);
    summary.machines = reports.machines.size();
    summary.unreadable = reports.unreadable.size();
    summary.missing = reports.missing.size();
    summary.superseded = reports.superseded.size();
    summary.conflicts = reports.conflicts.size();
    for (const MachineReport& machine : reports.machines) {
        countVerdict(machine.assessment, summary);
        countFailures(machine.assessment, summary);
        countWork(machine, summary);
    }
    return summary;
}

const CheckItem* findCheck(const Assessment& assessment, std::string_view name)
{
    const CheckItem* technical = findIn(assessment.technicalChecks, name);
    return technical != nullptr ? technical : findIn(assessment.officialChecks, name);
}

std::size_t categoryCount(const FleetSummary& summary, std::initializer_list<Category> which)
{
    std::size_t count = 0;
    for (const Category category : which) {
        count += summary.byCategory[static_cast<std::size_t>(category)];
    }
    return count;
}

} // namespace quill::fleet
