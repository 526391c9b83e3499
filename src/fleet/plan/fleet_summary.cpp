#include "fleet/plan/fleet_summary.h"

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
    if (work.category == Category::ready && work.processorOnList == ProcessorListing::no) {
        ++summary.processorNotOnList;
    }
    if (machine.change) {
        ++summary.byChange[static_cast<std::size_t>(*machine.change)];
        if (*machine.change == Change::better && work.category == Category::ready) {
            ++summary.becameReady;
        }
    }
}

} // namespace

FleetSummary summariseFleet(const FleetReports& reports)
{
    FleetSummary summary;
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

std::string checkCell(const CheckItem& item)
{
    std::string cell = item.passed ? "OK" : "NO";
    if (!item.detail.empty()) {
        cell += " - ";
        cell += item.detail;
    }
    return cell;
}

int fleetExitCode(const FleetSummary& summary)
{
    if (summary.machines == 0) {
        return 2;
    }
    return summary.unreadable == 0 && summary.missing == 0 && summary.conflicts == 0 ? 0 : 1;
}

std::string_view changeId(Change change)
{
    constexpr std::array<std::string_view, 4> ids = {"new", "same", "better", "worse"};
    return ids[static_cast<std::size_t>(change)];
}

std::string_view changeText(Change change)
{
    constexpr std::array<std::string_view, 4> texts = {"neu", "unveraendert", "besser", "schlechter"};
    return texts[static_cast<std::size_t>(change)];
}

} // namespace quill::fleet
