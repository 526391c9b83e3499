#include "fleet/files/previous_collection.h"

#include "core/finding_table.h"
#include "fleet/files/inventory.h"
#include "fleet/plan/machine_names.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace quill::fleet {
namespace {

using Json = nlohmann::json;

const std::string* stringMember(const Json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get_ptr<const std::string*>() : nullptr;
}

// The category its checks and processor give by today's rules, so a machine that did not change
// is not taken for worse because the rules learnt a category: a file from before machines had a
// category, or before a processor the list lacks was one of its own.
std::optional<Category> categoryFromChecks(const Json& machine)
{
    const auto checks = machine.find("checks");
    if (checks == machine.end() || !checks->is_array()) {
        return std::nullopt;
    }
    CheckList technical;
    CheckList official;
    for (const Json& check : *checks) {
        const std::string* group = check.is_object() ? stringMember(check, "group") : nullptr;
        const std::string* name = group != nullptr ? stringMember(check, "name") : nullptr;
        const std::string* detail = name != nullptr ? stringMember(check, "detail") : nullptr;
        const auto passed = check.is_object() ? check.find("passed") : check.end();
        if (detail == nullptr || passed == check.end() || !passed->is_boolean() ||
            (*group != "technical" && *group != "official")) {
            return std::nullopt;
        }
        // A check of another version's table keeps its words; it reads as a processor line none knows.
        const CheckDefinition* row = findDefinition(*name);
        (*group == "technical" ? technical : official)
            .push_back(row != nullptr ? checkItemFromText(row->check, passed->get<bool>(), *detail)
                                      : CheckItem{*name, passed->get<bool>(), *detail});
    }
    const std::string* cpu = stringMember(machine, "cpu");
    return machineWork(
               deriveAssessment(cpu != nullptr ? *cpu : std::string(), {}, std::move(technical), std::move(official)))
        .category;
}

std::optional<PreviousMachine> previousMachine(const Json& machine)
{
    const std::string* name = machine.is_object() ? stringMember(machine, "name") : nullptr;
    if (name == nullptr) {
        return std::nullopt;
    }
    const std::string* id = stringMember(machine, "category");
    std::optional<Category> category = categoryFromChecks(machine);
    if (!category && id != nullptr) {
        category = categoryFromId(*id);
    }
    if (!category) {
        return std::nullopt;
    }
    const std::string* time = stringMember(machine, "report_time");
    return PreviousMachine{*name, *category, time != nullptr ? parseIsoTime(*time).value_or(0) : 0};
}

} // namespace

std::optional<std::vector<PreviousMachine>> readPreviousCollection(std::string_view json)
{
    std::vector<PreviousMachine> machines;
    bool inMachines = false;
    bool valid = true;
    // Only the machines matter: each is taken as soon as it is complete and then dropped, and
    // every other member of the top level is dropped as it comes.
    const Json::parser_callback_t take = [&](int depth, Json::parse_event_t event, const Json& value) {
        if (event == Json::parse_event_t::key && depth == 1) {
            inMachines = value == "machines";
            return inMachines;
        }
        if (event == Json::parse_event_t::object_end && depth == 2 && inMachines) {
            std::optional<PreviousMachine> machine = previousMachine(value);
            valid = valid && machine.has_value();
            if (machine) {
                machines.push_back(std::move(*machine));
            }
            return false;
        }
        return true;
    };
    const Json document = Json::parse(json.begin(), json.end(), take, false);
    if (!valid || !document.is_object() || !document.contains("machines") || !document.at("machines").is_array() ||
        !document.at("machines").empty()) { // what is left there was no machine
        return std::nullopt;
    }
    return machines;
}

void compareWithPrevious(FleetReports& reports, const std::vector<PreviousMachine>& previous)
{
    std::unordered_map<std::string, Category> before;
    for (const PreviousMachine& machine : previous) {
        before.try_emplace(machineKey(machine.name), machine.category);
    }
    for (const PreviousMachine& machine : previous) {
        reports.previousTime = std::max(reports.previousTime, machine.reportTime);
    }
    std::unordered_set<std::string> now;
    for (MachineReport& machine : reports.machines) {
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
    for (const PreviousMachine& machine : previous) {
        std::string key = machineKey(machine.name);
        if (!now.contains(key) && listed.insert(std::move(key)).second) {
            reports.gone.push_back(machine.name);
        }
    }
    reports.comparedWithPrevious = true;
}

} // namespace quill::fleet
