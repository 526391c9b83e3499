#include "core/utf8_text.h"
#include "fleet/fleet_output.h"
#include "fleet/report_time.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace quill::fleet {
namespace {

// Members stay in the order written, as the file has always listed them.
using Json = nlohmann::ordered_json;

// Machine text as valid UTF-8, every malformed byte U+FFFD as in CSV and HTML; nearly all of
// it is ASCII and goes in as it is.
std::string text(std::string_view bytes)
{
    const bool ascii =
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? std::string(bytes) : validUtf8(bytes);
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
    return summary;
}

void appendChecks(Json& out, const CheckList& checks, std::string_view group)
{
    for (const CheckItem& item : checks) {
        out.push_back(
            {{"group", group}, {"name", text(item.name)}, {"passed", item.passed}, {"detail", text(item.detail)}});
    }
}

Json machineJson(const MachineReport& machine)
{
    const Assessment& a = machine.assessment;
    Json checks = Json::array();
    appendChecks(checks, a.technicalChecks, "technical");
    appendChecks(checks, a.officialChecks, "official");
    Json actions = Json::array();
    for (const Action action : machine.work.actions) {
        actions.push_back(actionId(action));
    }
    Json out = {
        {"name", text(machine.name)},
        {"file", text(machine.file)},
        {"cpu", text(a.brand)},
        {"vendor", text(a.vendor)},
        {"technically_compatible", a.technicallyCompatible},
        {"officially_compatible", a.officiallyCompatible},
        {"exit_code", exitCodeOf(a)},
        {"checks", std::move(checks)},
        {"category", categoryId(machine.work.category)},
        {"actions", std::move(actions)},
        {"report_time", isoUtc(machine.reportTime)},
        {"processor_on_list", listingId(machine.work.processorOnList)},
    };
    if (machine.change) {
        out["change"] = changeId(*machine.change);
    }
    return out;
}

Json unreadableJson(const UnreadableReport& file)
{
    return {{"file", text(file.file)}, {"line", file.fault.line}, {"reason", faultText(file.fault.kind)}};
}

Json supersededJson(const SupersededReport& report)
{
    return {{"name", text(report.name)}, {"file", text(report.file)}};
}

Json nameJson(const std::string& name)
{
    return text(name);
}

// One element per line keeps a fleet's file readable and diffable.
template <typename T>
void appendArray(std::string& out, const TextSink& sink, std::string_view key, const std::vector<T>& elements,
                 Json (*toJson)(const T&))
{
    out += ",\n  \"";
    out += key;
    out += "\": [";
    for (std::size_t i = 0; i < elements.size(); ++i) {
        out += i == 0 ? "\n    " : ",\n    ";
        out += dumped(toJson(elements[i]));
        handOn(out, sink);
    }
    out += elements.empty() ? "]" : "\n  ]";
}

} // namespace

void writeFleetJson(const FleetReports& reports, const FleetSummary& summary, const TextSink& sink)
{
    std::string out = "{\n  \"summary\": " + dumped(summaryJson(summary));
    appendArray(out, sink, "machines", reports.machines, machineJson);
    appendArray(out, sink, "unreadable", reports.unreadable, unreadableJson);
    appendArray(out, sink, "superseded", reports.superseded, supersededJson);
    appendArray(out, sink, "missing", reports.missing, nameJson);
    appendArray(out, sink, "gone", reports.gone, nameJson);
    out += "\n}\n";
    handOn(out, sink, true);
}

} // namespace quill::fleet
