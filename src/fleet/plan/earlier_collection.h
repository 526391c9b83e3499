#pragma once

#include "fleet/files/collection.h"
#include "fleet/plan/fleet_plan.h"

#include <optional>
#include <vector>

namespace quill::fleet {

// Sets each machine's change against the earlier collection (by machineKey and category order)
// and lists the machines of that collection that have no report now. An earlier machine's
// category is worked out again from the checks it failed, by today's rules, where its file lists
// them and with the facts of the inventory it kept, so that a machine that did not change is not
// taken for worse because the rules learnt a category; else it is the one the file stored. A machine whose category
// neither tells (a later version's) is left out of the comparison.
void compareWithEarlier(FleetPlan& plan, const std::vector<EarlierMachine>& earlier);

// The category an earlier machine is compared by (see compareWithEarlier); nullopt where neither
// its checks nor its stored category tell.
std::optional<Category> earlierCategory(const EarlierMachine& machine);

} // namespace quill::fleet
