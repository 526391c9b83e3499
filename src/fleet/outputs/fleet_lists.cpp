#include "fleet/outputs/fleet_lists.h"

#include "core/enum_table.h"
namespace quill::fleet {
namespace {

static_assert(isInEnumOrder(fleetListTable, &FleetListDefinition::list),
              "fleetListTable lists the lists in enum order");

std::vector<ListEntry> names(const std::vector<std::string>& names)
{
    std::vector<ListEntry> entries;
    entries.reserve(names.size());
    for (const std::string& name : names) {
        entries.push_back(ListEntry{name});
    }
    return entries;
}

} // namespace

const FleetListDefinition& definitionOf(FleetList list)
{
    return fleetListTable[static_cast<std::size_t>(list)];
}

std::vector<ListEntry> listEntries(const FleetPlan& plan, FleetList list)
{
    std::vector<ListEntry> entries;
    switch (list) {
    case FleetList::unreadable:
        for (const UnreadableReport& file : plan.unreadable) {
            entries.push_back(ListEntry{file.file, {}, file.fault.line, faultText(file.fault.kind)});
        }
        return entries;
    case FleetList::superseded:
        for (const SupersededReport& report : plan.superseded) {
            entries.push_back(ListEntry{report.file, report.name});
        }
        return entries;
    case FleetList::missing:
        for (const std::string& name : plan.missing) {
            entries.push_back(ListEntry{name, groupOf(plan, name)});
        }
        return entries;
    case FleetList::gone:
        return names(plan.gone);
    case FleetList::conflicts:
        for (const NameConflict& conflict : plan.conflicts) {
            entries.push_back(ListEntry{conflict.name, {}, 0, {}, &conflict.files});
        }
        return entries;
    case FleetList::future:
        return names(plan.future);
    case FleetList::unreadableInventory:
        return names(plan.unreadableInventory);
    case FleetList::copies:
        return names(plan.copies);
    }
    return entries;
}

} // namespace quill::fleet
