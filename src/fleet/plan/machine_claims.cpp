#include "fleet/plan/machine_claims.h"

#include "fleet/plan/machine_names.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace quill::fleet {
namespace {

// Whether the inventory beside the report names the computer as the file does.
bool namedAsInventory(const MachineReport& report, const std::string& name)
{
    return report.inventory && machineKey(report.inventory->computerName) == machineKey(name);
}

// Whether the candidate takes the place of the kept report.
bool wins(const MachineReport& candidate, const std::string& candidateName, const MachineReport& kept,
          const std::string& keptName, bool conflict)
{
    const bool candidateNamed = conflict && namedAsInventory(candidate, candidateName);
    const bool keptNamed = conflict && namedAsInventory(kept, keptName);
    // Against a lookalike, the plain host name is the one the route would have written.
    const bool candidatePlain = conflict && isHostName(candidateName);
    const bool keptPlain = conflict && isHostName(keptName);
    return std::tuple(!candidate.future, candidateNamed, candidatePlain, candidate.reportTime) >
           std::tuple(!kept.future, keptNamed, keptPlain, kept.reportTime);
}

void markConflict(FleetReports& reports, ClaimIndex::Machine& machine, const std::string& file)
{
    MachineReport& kept = reports.machines[machine.position];
    kept.conflict = true;
    if (!machine.conflict) {
        machine.conflict = reports.conflicts.size();
        NameConflict conflict{kept.name, {}};
        for (const ClaimIndex::Seen& seen : machine.seen) {
            conflict.files.push_back(seen.file);
        }
        reports.conflicts.push_back(std::move(conflict));
        return;
    }
    reports.conflicts[*machine.conflict].files.push_back(file);
}

} // namespace

void claimMachine(FleetReports& reports, ClaimIndex& index, MachineClaim claim, std::int64_t now)
{
    MachineReport& report = claim.report;
    const std::string name = report.name;
    report.future = isFutureTime(std::max(report.reportTime, claim.latestTime), now);
    if (report.future) {
        reports.future.push_back(report.file);
    }
    report.unusualName = !isHostName(name);
    report.name = shownName(name);
    ClaimIndex::Seen seen{name, claim.folder, report.file};

    const auto [place, added] = index.byLook.try_emplace(lookalikeKey(name));
    ClaimIndex::Machine& machine = place->second;
    if (added) {
        machine.position = reports.machines.size();
        machine.seen.push_back(std::move(seen));
        reports.machines.push_back(std::move(report));
        return;
    }
    const bool conflict = std::any_of(machine.seen.begin(), machine.seen.end(), [&](const ClaimIndex::Seen& other) {
        return nameMeeting(name, claim.folder, other.name, other.folder) == NameMeeting::conflict;
    });
    const std::string keptName = machine.seen.front().name;
    const std::string file = report.file;
    machine.seen.push_back(std::move(seen));
    MachineReport& kept = reports.machines[machine.position];
    const bool replace = wins(report, name, kept, keptName, conflict || machine.conflict.has_value());
    if (replace) {
        std::swap(kept, report);
        std::swap(machine.seen.front(), machine.seen.back());
        kept.conflict = report.conflict;
    }
    if (conflict || machine.conflict) {
        markConflict(reports, machine, file);
        return;
    }
    reports.superseded.push_back(SupersededReport{std::move(report.name), std::move(report.file)});
}

} // namespace quill::fleet
