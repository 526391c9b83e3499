#include "fleet/plan/fleet_summary.h"

#include "core/finding_table.h"
#include "core/inventory_format.h"
#include "fleet/plan/fleet_plan.h"
#include "fleet/plan/machine_names.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace quill::fleet {
namespace {

// Every category counts in exactly one of the top counts, so that they add up to the machines.
constexpr bool sumsPartitionCategories()
{
    CategorySet seen = 0;
    for (const CategorySum& sum : categorySums) {
        if ((seen & sum.categories) != 0) {
            return false;
        }
        seen = static_cast<CategorySet>(seen | sum.categories);
    }
    return seen == (1u << categoryTable.size()) - 1;
}
static_assert(sumsPartitionCategories(), "each category is in exactly one of categorySums");

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

void countWork(const MachineReport& machine, FleetSummary& summary)
{
    const MachineWork& work = machine.work;
    ++summary.byCategory[static_cast<std::size_t>(work.category)];
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

void countPurchases(const MachineWork& work, PurchaseCounts& counts)
{
    for (std::size_t line = 0; line < purchaseTable.size(); ++line) {
        const PurchaseRow& row = purchaseTable[line];
        if (inSet(row.categories, work.category) &&
            (!row.step || std::find(work.actions.begin(), work.actions.end(), *row.step) != work.actions.end())) {
            ++counts[line];
        }
    }
}

std::string foldedAscii(std::string text)
{
    for (char& c : text) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return text;
}

std::string modelName(const ModelWork& row)
{
    return makerAndModel(row.manufacturer, row.model);
}

// Named models in natural order, then those an inventory names not, then those without one.
bool modelBefore(const ModelWork& a, const ModelWork& b)
{
    const std::string nameA = modelName(a);
    const std::string nameB = modelName(b);
    const auto rank = [](const ModelWork& row, const std::string& name) {
        return !row.inventory ? 2 : name.empty() ? 1 : 0;
    };
    if (rank(a, nameA) != rank(b, nameB)) {
        return rank(a, nameA) < rank(b, nameB);
    }
    if (naturalLess(nameA, nameB) || naturalLess(nameB, nameA)) {
        return naturalLess(nameA, nameB);
    }
    return std::tie(a.category, a.actions) < std::tie(b.category, b.actions);
}

// One row per model, category and steps. A model is its name as shown, whatever the case of its
// letters: one firmware version spells its maker "LENOVO", the next "Lenovo".
void countModels(const FleetPlan& plan, FleetSummary& summary)
{
    std::map<std::tuple<bool, std::string, Category, std::vector<Action>>, std::size_t> index;
    for (const MachineReport& machine : plan.machines) {
        ModelWork row{machine.inventory != nullptr, {}, {}, machine.work.category, machine.work.actions, 0};
        if (const SharedInventory& inventory = machine.inventory) {
            row.manufacturer = inventory->manufacturer;
            row.model = inventory->model.empty() ? inventory->modelNumber : inventory->model;
        }
        const auto [at, added] = index.try_emplace(
            std::tuple(row.inventory, foldedAscii(modelName(row)), row.category, row.actions), summary.byModel.size());
        if (added) {
            summary.byModel.push_back(std::move(row));
        }
        ++summary.byModel[at->second].machines;
    }
    std::sort(summary.byModel.begin(), summary.byModel.end(), modelBefore);
}

void countGroups(const FleetPlan& reports, FleetSummary& summary)
{
    summary.byGroup.assign(reports.groups.size(), {});
    summary.missingByGroup.assign(reports.groups.size(), 0);
    summary.purchasesByGroup.assign(reports.groups.size(), {});
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
            countPurchases(machine.work, summary.purchasesByGroup[*group]);
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

FleetSummary summariseFleet(const FleetPlan& plan)
{
    FleetSummary summary;
    countGroups(plan, summary);
    summary.machines = plan.machines.size();
    summary.unreadable = plan.unreadable.size();
    summary.missing = plan.missing.size();
    summary.superseded = plan.superseded.size();
    summary.conflicts = plan.conflicts.size();
    for (const MachineReport& machine : plan.machines) {
        countFailures(machine.assessment, summary);
        countWork(machine, summary);
        countPurchases(machine.work, summary.purchases);
    }
    countModels(plan, summary);
    return summary;
}

const CheckItem* findCheck(const Assessment& assessment, std::string_view name)
{
    const CheckItem* technical = findIn(assessment.technicalChecks, name);
    return technical != nullptr ? technical : findIn(assessment.officialChecks, name);
}

std::size_t categoryCount(const FleetSummary& summary, CategorySet which)
{
    std::size_t count = 0;
    for (const CategoryRow& row : categoryTable) {
        count += inSet(which, row.category) ? summary.byCategory[static_cast<std::size_t>(row.category)] : 0;
    }
    return count;
}

} // namespace quill::fleet
