#include "fleet/plan/machine_claims.h"

#include "fleet/plan/machine_names.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace quill::fleet {
namespace {

// The order of claims that conflict, best last (see claimMachine).
auto conflictStanding(const ClaimIndex::Seen& claim)
{
    const bool capitals =
        std::none_of(claim.name.begin(), claim.name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    return std::tuple(isNamedAsMachine(claim.name), !claim.future, claim.spelledAsInventory, isHostName(claim.name),
                      capitals, claim.reportTime);
}

// The order of reports of one machine from different routes, best last.
auto routeStanding(const ClaimIndex::Seen& claim)
{
    return std::tuple(!claim.future, claim.reportTime);
}

bool conflicts(const ClaimIndex::Seen& a, const ClaimIndex::Seen& b)
{
    return nameMeeting(a.name, a.folder, b.name, b.folder) == NameMeeting::conflict;
}

// Whether the candidate takes the place of the kept claim, seen.front(): it must stand above
// every claim it conflicts with, and above the kept one as routes go where those two do not.
bool wins(const ClaimIndex::Seen& candidate, const std::vector<ClaimIndex::Seen>& seen)
{
    const bool aboveConflicting = std::all_of(seen.begin(), seen.end(), [&](const ClaimIndex::Seen& other) {
        return !conflicts(candidate, other) || conflictStanding(candidate) > conflictStanding(other);
    });
    return aboveConflicting &&
           (conflicts(candidate, seen.front()) || routeStanding(candidate) > routeStanding(seen.front()));
}

void markConflict(FleetPlan& reports, ClaimIndex::Machine& machine, const std::string& file)
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

SharedInventory newestInventory(const ClaimIndex::Machine& machine)
{
    SharedInventory newest;
    for (const ClaimIndex::Seen& seen : machine.seen) {
        const bool own = &seen == &machine.seen.front() || !conflicts(seen, machine.seen.front());
        if (own && seen.inventory && (newest == nullptr || seen.inventory->collectedTime > newest->collectedTime)) {
            newest = seen.inventory;
        }
    }
    return newest;
}

bool isNamedAsMachine(std::string_view name)
{
    return !name.empty() && isHostName(name) && name.find('.') == std::string_view::npos;
}

void claimMachine(FleetPlan& reports, ClaimIndex& index, MachineClaim claim, std::int64_t now)
{
    MachineReport& report = claim.report;
    const std::string name = report.name;
    report.future = isFutureTime(std::max(report.reportTime, claim.latestTime), now);
    if (report.future) {
        reports.future.push_back(report.file);
    }
    report.unusualName = !isHostName(name);
    report.name = shownName(name);
    ClaimIndex::Seen seen{name,
                          claim.folder,
                          report.file,
                          report.reportTime,
                          report.future,
                          report.inventory && report.inventory->computerName == name,
                          report.inventory};

    const auto [place, added] = index.byLook.try_emplace(lookalikeKey(name));
    ClaimIndex::Machine& machine = place->second;
    if (added) {
        machine.position = reports.machines.size();
        machine.seen.push_back(std::move(seen));
        reports.machines.push_back(std::move(report));
        return;
    }
    const bool conflict = std::any_of(machine.seen.begin(), machine.seen.end(),
                                      [&](const ClaimIndex::Seen& other) { return conflicts(seen, other); });
    const bool replace = wins(seen, machine.seen);
    const std::string file = report.file;
    machine.seen.push_back(std::move(seen));
    if (replace) {
        MachineReport& kept = reports.machines[machine.position];
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
