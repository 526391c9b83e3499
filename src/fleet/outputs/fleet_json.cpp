#include "core/utf8_text.h"
#include "fleet/outputs/fleet_output.h"
#include "fleet/outputs/report_time.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace quill::fleet {
namespace {

// Members stay in the order written, as the file has always listed them.
using Json = nlohmann::ordered_json;

bool isAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Machine text as valid UTF-8, every malformed byte U+FFFD as in CSV and HTML; nearly all of
// it is ASCII and goes in as it is.
std::string text(std::string_view bytes)
{
    return isAscii(bytes) ? std::string(bytes) : validUtf8(bytes);
}

// The same into a member that may hold a string already: a fleet's machines are filled into one
// reused object, which spares the allocations of building ten thousand anew.
void setText(Json& member, std::string_view bytes)
{
    if (!member.is_string()) {
        member = std::string();
    }
    auto& value = member.get_ref<std::string&>();
    if (isAscii(bytes)) {
        value.assign(bytes);
    } else {
        value = validUtf8(bytes);
    }
}

std::string dumped(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json summaryJson(const FleetSummary& s)
{
    Json summary = {
        {"machines", s.machines},
        {"officially_compatible", s.officiallyCompatible},
        {"technically_compatible_only", s.technicallyCompatibleOnly},
        {"not_compatible", s.notCompatible},
        {"firmware_settings_only", s.firmwareSettingsOnly},
        {"tpm_missing", s.tpmMissing},
        {"unreadable", s.unreadable},
    };
    Json& failures = summary["failures_by_check"] = Json::object();
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        failures[std::string(checkTable[check].name)] = s.failuresByCheck[check];
    }
    Json& byCategory = summary["by_category"] = Json::object();
    for (const Category category : categories) {
        byCategory[std::string(categoryId(category))] = s.byCategory[static_cast<std::size_t>(category)];
    }
    summary["superseded"] = s.superseded;
    summary["missing"] = s.missing;
    summary["processor_not_on_list"] = s.processorNotOnList;
    summary["conflicts"] = s.conflicts;
    return summary;
}

// The inventory's keys as the file has them; null without a readable one.
void fillInventory(Json& out, const std::optional<Inventory>& inventory)
{
    if (!inventory) {
        out = nullptr;
        return;
    }
    const Inventory& i = *inventory;
    out = {{"computer_name", text(i.computerName)},
           {"collected", text(i.collected)},
           {"manufacturer", text(i.manufacturer)},
           {"model", text(i.model)},
           {"serial", text(i.serial)},
           {"os", text(i.os)},
           {"bitlocker", i.bitlocker},
           {"partition_style", i.partitionStyle},
           {"virtual_machine", i.virtualMachine ? Json(*i.virtualMachine) : Json(nullptr)}};
}

void fillChecks(Json& checks, const Assessment& a)
{
    if (!checks.is_array()) {
        checks = Json::array();
    }
    auto& list = checks.get_ref<Json::array_t&>();
    list.resize(a.technicalChecks.size() + a.officialChecks.size());
    std::size_t next = 0;
    for (const auto& [items, group] : {std::pair{&a.technicalChecks, "technical"}, {&a.officialChecks, "official"}}) {
        for (const CheckItem& item : *items) {
            Json& check = list[next++];
            setText(check["group"], group);
            setText(check["name"], item.name);
            check["passed"] = item.passed;
            setText(check["detail"], item.detail);
        }
    }
}

void fillMachine(Json& out, const MachineReport& machine)
{
    const Assessment& a = machine.assessment;
    setText(out["name"], machine.name);
    setText(out["file"], machine.file);
    setText(out["cpu"], a.brand);
    setText(out["vendor"], a.vendor);
    out["technically_compatible"] = a.technicallyCompatible;
    out["officially_compatible"] = a.officiallyCompatible;
    out["exit_code"] = exitCodeOf(a);
    fillChecks(out["checks"], a);
    setText(out["category"], categoryId(machine.work.category));
    Json& actions = out["actions"] = Json::array();
    for (const Action action : machine.work.actions) {
        actions.push_back(actionId(action));
    }
    setText(out["report_time"], isoUtc(machine.reportTime));
    setText(out["processor_on_list"], listingId(machine.work.processorOnList));
    const auto number = [](const std::optional<std::uint64_t>& bytes) { return bytes ? Json(*bytes) : Json(); };
    out["memory_bytes"] = number(memoryBytes(a));
    out["system_drive_bytes"] = number(systemDriveBytes(a));
    if (machine.change) {
        setText(out["change"], changeId(*machine.change));
    }
    fillInventory(out["inventory"], machine.inventory);
    out["conflict"] = machine.conflict;
    out["future"] = machine.future;
    out["unusual_name"] = machine.unusualName;
}

void fillConflict(Json& out, const NameConflict& conflict)
{
    out = {{"name", text(conflict.name)}, {"files", Json::array()}};
    for (const std::string& file : conflict.files) {
        out["files"].push_back(text(file));
    }
}

void fillUnreadable(Json& out, const UnreadableReport& file)
{
    out = {{"file", text(file.file)}, {"line", file.fault.line}, {"reason", faultText(file.fault.kind)}};
}

void fillSuperseded(Json& out, const SupersededReport& report)
{
    out = {{"name", text(report.name)}, {"file", text(report.file)}};
}

void fillName(Json& out, const std::string& name)
{
    out = text(name);
}

// One element per line keeps a fleet's file readable and diffable.
template <typename T, typename Fill>
void appendArray(std::string& out, const TextSink& sink, std::string_view key, const std::vector<T>& elements,
                 const Fill& fill)
{
    out += ",\n  \"";
    out += key;
    out += "\": [";
    Json element;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        out += i == 0 ? "\n    " : ",\n    ";
        fill(element, elements[i]);
        out += dumped(element);
        handOn(out, sink);
    }
    out += elements.empty() ? "]" : "\n  ]";
}

} // namespace

void writeFleetJson(const FleetReports& reports, const FleetSummary& summary, const TextSink& sink)
{
    Json summaryObject = summaryJson(summary);
    if (!reports.groups.empty()) {
        Json& groups = summaryObject["by_group"] = Json::object();
        for (std::size_t group = 0; group < reports.groups.size(); ++group) {
            Json& counts = groups[text(reports.groups[group])] = Json::object();
            for (const Category category : categories) {
                counts[std::string(categoryId(category))] = summary.byGroup[group][static_cast<std::size_t>(category)];
            }
            counts["missing"] = summary.missingByGroup[group];
        }
    }
    std::string out = "{\n  \"summary\": " + dumped(summaryObject);
    const auto fillWithGroup = [&reports](Json& element, const MachineReport& machine) {
        fillMachine(element, machine);
        if (!reports.groups.empty()) {
            setText(element["group"], groupOf(reports, machine.name));
        }
    };
    appendArray(out, sink, "machines", reports.machines, fillWithGroup);
    appendArray(out, sink, "unreadable", reports.unreadable, fillUnreadable);
    appendArray(out, sink, "superseded", reports.superseded, fillSuperseded);
    appendArray(out, sink, "missing", reports.missing, fillName);
    appendArray(out, sink, "gone", reports.gone, fillName);
    appendArray(out, sink, "conflicts", reports.conflicts, fillConflict);
    appendArray(out, sink, "future", reports.future, fillName);
    appendArray(out, sink, "unreadable_inventory", reports.unreadableInventory, fillName);
    out += "\n}\n";
    handOn(out, sink, true);
}

} // namespace quill::fleet
