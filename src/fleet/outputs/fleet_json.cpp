#include "fleet/outputs/fleet_lists.h"
#include "fleet/outputs/fleet_output.h"
#include "core/json_text.h"
#include "fleet/outputs/report_time.h"

namespace quill::fleet {
namespace {

void appendCategoryCounts(JsonObject& object, const std::array<std::size_t, categoryTable.size()>& counts)
{
    for (const CategoryRow& category : categoryTable) {
        object.number(category.id, counts[static_cast<std::size_t>(category.category)]);
    }
}

void appendPurchases(std::string& out, const PurchaseCounts& counts)
{
    JsonObject purchases(out);
    for (std::size_t line = 0; line < purchaseTable.size(); ++line) {
        purchases.number(purchaseTable[line].id, counts[line]);
    }
}

// One object per group of the list; a list may name as many groups as machines, so the objects
// are handed on as they grow.
template <typename Append>
void appendPerGroup(std::string& out, const TextSink& sink, const FleetPlan& plan, const Append& append)
{
    JsonObject groups(out);
    for (std::size_t group = 0; group < plan.groups.size(); ++group) {
        append(groups.member(plan.groups[group]), group);
        handOn(out, sink);
    }
}

// The page's counts and no others: the top counts, the work list, the failed checks, the purchase order.
void appendSummary(std::string& out, const TextSink& sink, const FleetPlan& plan, const FleetSummary& s)
{
    JsonObject summary(out);
    summary.number("machines", s.machines);
    for (const CategorySum& sum : categorySums) {
        summary.number(sum.id, categoryCount(s, sum.categories));
    }
    summary.number("missing", s.missing);
    summary.number("unreadable", s.unreadable);
    summary.number("conflicts", s.conflicts);
    summary.number("superseded", s.superseded);
    {
        JsonObject byCategory(summary.member("by_category"));
        appendCategoryCounts(byCategory, s.byCategory);
    }
    {
        JsonObject failures(summary.member("failures_by_check"));
        for (std::size_t check = 0; check < checkTable.size(); ++check) {
            failures.number(checkTable[check].name, s.failuresByCheck[check]);
        }
    }
    appendPurchases(summary.member("purchases"), s.purchases);
    if (!plan.groups.empty()) {
        appendPerGroup(summary.member("by_group"), sink, plan, [&s](std::string& to, std::size_t group) {
            JsonObject counts(to);
            appendCategoryCounts(counts, s.byGroup[group]);
            counts.number("missing", s.missingByGroup[group]);
        });
        appendPerGroup(summary.member("purchases_by_group"), sink, plan,
                       [&s](std::string& to, std::size_t group) { appendPurchases(to, s.purchasesByGroup[group]); });
    }
}

// The inventory's keys as the file has them; null without a readable one.
void appendInventory(JsonObject& machine, const SharedInventory& inventory)
{
    if (!inventory) {
        machine.null("inventory");
        return;
    }
    const Inventory& i = *inventory;
    JsonObject out(machine.member("inventory"));
    const auto number = [&out](std::string_view key, const std::optional<std::uint32_t>& value) {
        out.number(key, value ? std::optional<std::uint64_t>(*value) : std::nullopt);
    };
    out.text("computer_name", i.computerName);
    out.text("collected", i.collected);
    out.text("manufacturer", i.manufacturer);
    out.text("model", i.model);
    out.text("model_number", i.modelNumber);
    out.text("serial", i.serial);
    out.text("os", i.os);
    out.text("bitlocker", i.bitlocker);
    out.text("partition_style", i.partitionStyle);
    if (i.virtualMachine) {
        out.flag("virtual_machine", *i.virtualMachine);
    } else {
        out.null("virtual_machine");
    }
    out.text("cpu_vendor", i.cpuVendor);
    number("cpu_family", i.cpuFamily);
    number("cpu_model", i.cpuModel);
    number("cpu_stepping", i.cpuStepping);
    number("cpu_cores", i.cpuCores);
    number("cpu_logical", i.cpuLogical);
    number("cpu_max_mhz", i.cpuMaxMhz);
}

void appendChecks(std::string& out, const Assessment& a)
{
    out += '[';
    bool first = true;
    for (const auto& [items, group] : {std::pair{&a.technicalChecks, "technical"}, {&a.officialChecks, "official"}}) {
        for (const CheckItem& item : *items) {
            out += first ? "" : ",";
            first = false;
            JsonObject check(out);
            check.text("group", group);
            check.text("name", item.name);
            check.flag("passed", item.passed);
            check.text("detail", item.detail);
        }
    }
    out += ']';
}

void appendActions(std::string& out, const std::vector<Action>& actions)
{
    out += '[';
    for (std::size_t i = 0; i < actions.size(); ++i) {
        out += i == 0 ? "" : ",";
        appendJsonString(out, rowOf(actions[i]).id);
    }
    out += ']';
}

// One row of the plan by model; a model without an inventory has null for its maker and name.
void appendModel(std::string& out, const ModelWork& row)
{
    JsonObject object(out);
    if (row.inventory) {
        object.text("manufacturer", row.manufacturer);
        object.text("model", row.model);
    } else {
        object.null("manufacturer");
        object.null("model");
    }
    object.text("category", rowOf(row.category).id);
    appendActions(object.member("actions"), row.actions);
    object.number("machines", std::uint64_t{row.machines});
}

void appendMachine(std::string& out, const FleetPlan& plan, const MachineReport& machine)
{
    const Assessment& a = machine.assessment;
    JsonObject object(out);
    object.text("name", machine.name);
    object.text("file", machine.file);
    object.text("cpu", a.brand);
    object.text("vendor", a.vendor);
    object.flag("technically_compatible", a.technicallyCompatible);
    object.flag("officially_compatible", a.officiallyCompatible);
    object.number("exit_code", exitCodeOf(a));
    appendChecks(object.member("checks"), a);
    object.text("category", rowOf(machine.work.category).id);
    appendActions(object.member("actions"), machine.work.actions);
    object.text("report_time", isoUtc(machine.reportTime));
    object.text("processor_on_list", rowOf(machine.work.processorOnList).id);
    object.number("memory_bytes", memoryBytes(a));
    object.number("system_drive_bytes", systemDriveBytes(a));
    if (machine.change) {
        object.text("change", rowOf(*machine.change).id);
    }
    appendInventory(object, machine.inventory);
    object.flag("conflict", machine.conflict);
    object.flag("future", machine.future);
    object.flag("unusual_name", machine.unusualName);
    object.flag("inventory_mismatch", !machine.inventoryMismatch.empty());
    if (!plan.groups.empty()) {
        object.text("group", groupOf(plan, machine.name));
    }
}

// An entry of a list as the list's shape has it: a plain name, or an object.
void appendEntry(std::string& out, FleetList list, const ListEntry& entry)
{
    switch (list) {
    case FleetList::unreadable: {
        JsonObject object(out);
        object.text("file", entry.text);
        object.number("line", std::uint64_t{entry.line});
        object.text("reason", entry.reason);
        return;
    }
    case FleetList::superseded: {
        JsonObject object(out);
        object.text("name", entry.aside);
        object.text("file", entry.text);
        return;
    }
    case FleetList::conflicts: {
        JsonObject object(out);
        object.text("name", entry.text);
        std::string& files = object.member("files");
        files += '[';
        for (std::size_t i = 0; i < entry.files->size(); ++i) {
            files += i == 0 ? "" : ",";
            appendJsonString(files, (*entry.files)[i]);
        }
        files += ']';
        return;
    }
    default:
        appendJsonString(out, entry.text);
    }
}

// One element per line keeps a fleet's file readable and diffable.
template <typename T, typename Append>
void appendArray(std::string& out, const TextSink& sink, std::string_view key, const std::vector<T>& elements,
                 const Append& append)
{
    out += ",\n  \"";
    out += key;
    out += "\": [";
    for (std::size_t i = 0; i < elements.size(); ++i) {
        out += i == 0 ? "\n    " : ",\n    ";
        append(out, elements[i]);
        handOn(out, sink);
    }
    out += elements.empty() ? "]" : "\n  ]";
}

} // namespace

void writeFleetJson(const FleetPlan& plan, const TextSink& sink)
{
    std::string out = "{\n  \"summary\": ";
    appendSummary(out, sink, plan, plan.summary);
    appendArray(out, sink, "by_model", plan.summary.byModel, appendModel);
    const auto appendMachineOfFleet = [&plan](std::string& to, const MachineReport& machine) {
        appendMachine(to, plan, machine);
    };
    appendArray(out, sink, "machines", plan.machines, appendMachineOfFleet);
    for (const FleetListDefinition& list : fleetListTable) {
        const auto appendListEntry = [&list](std::string& to, const ListEntry& entry) {
            appendEntry(to, list.list, entry);
        };
        appendArray(out, sink, list.jsonKey, listEntries(plan, list.list), appendListEntry);
    }
    out += "\n}\n";
    handOn(out, sink, true);
}

} // namespace quill::fleet
