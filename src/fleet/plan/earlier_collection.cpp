#include "fleet/plan/earlier_collection.h"

#include "fleet/plan/machine_names.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace quill::fleet {

std::optional<Category> earlierCategory(const EarlierMachine& machine)
{
    if (machine.failedChecks) {
        return machineWork(*machine.failedChecks, machine.inventory ? machineFacts(*machine.inventory) : MachineFacts{})
            .category;
    }
    return categoryFromId(machine.categoryId);
}

void compareWithEarlier(FleetPlan& plan, const std::vector<EarlierMachine>& earlier)
{
    std::unordered_map<std::string, Category> before;
    for (const EarlierMachine& machine : earlier) {
        if (const std::optional<Category> category = earlierCategory(machine)) {
            before.try_emplace(machineKey(machine.name), *category);
        }
        plan.previousTime = std::max(plan.previousTime, machine.reportTime);
    }
    std::unordered_set<std::string> now;
    for (MachineReport& machine : plan.machines) {
        std::string key = machineKey(machine.name);
        const auto found = before.find(key);
        if (found == before.end()) {
            machine.change = Change::added;
        } else if (found->second == machine.work.category) {
            machine.change = Change::same;
        } else {
            machine.change = found->second < machine.work.category ? Change::better : Change::worse;
        }
        now.insert(std::move(key));
    }
    std::unordered_set<std::string> listed;
    for (const EarlierMachine& machine : earlier) {
        std::string key = machineKey(machine.name);
        if (before.contains(key) && !now.contains(key) && listed.insert(std::move(key)).second) {
            plan.gone.push_back(machine.name);
        }
    }
    plan.comparedWithPrevious = true;
}

} // namespace quill::fleet
