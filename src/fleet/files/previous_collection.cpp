#include "fleet/files/previous_collection.h"

#include "core/finding_table.h"
#include "fleet/files/inventory.h"

#include <nlohmann/json.hpp>

namespace quill::fleet {
namespace {

using Json = nlohmann::json;

const std::string* stringMember(const Json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get_ptr<const std::string*>() : nullptr;
}

// The checks the machine failed, where its file lists them whole; nullopt where it lists none or
// one that is not as the tool writes them.
std::optional<Assessment> failedChecks(const Json& machine)
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
        if (passed->get<bool>()) {
            continue;
        }
        // A check of another version's table keeps its words; it reads as a processor line none knows.
        const CheckDefinition* row = findDefinition(*name);
        (*group == "technical" ? technical : official)
            .push_back(row != nullptr ? checkItemFromText(row->check, false, *detail)
                                      : CheckItem{*name, false, *detail});
    }
    const std::string* cpu = stringMember(machine, "cpu");
    const std::string* vendor = stringMember(machine, "vendor");
    return deriveAssessment(cpu != nullptr ? *cpu : std::string(), vendor != nullptr ? *vendor : std::string(),
                            std::move(technical), std::move(official));
}

std::optional<EarlierMachine> earlierMachine(const Json& machine)
{
    const std::string* name = machine.is_object() ? stringMember(machine, "name") : nullptr;
    if (name == nullptr) {
        return std::nullopt;
    }
    const std::string* id = stringMember(machine, "category");
    std::optional<Assessment> failed = failedChecks(machine);
    if (!failed && id == nullptr) {
        return std::nullopt;
    }
    const std::string* time = stringMember(machine, "report_time");
    // The inventory the plan took its facts from, in the keys of the file beside a report.
    const auto kept = machine.find("inventory");
    std::optional<Inventory> inventory =
        kept != machine.end() && kept->is_object() ? parseInventory(kept->dump()) : std::nullopt;
    return EarlierMachine{*name, id != nullptr ? *id : std::string(), std::move(failed),
                          time != nullptr ? parseIsoTime(*time).value_or(0) : 0,
                          inventory ? std::make_shared<const Inventory>(std::move(*inventory)) : nullptr};
}

bool isStructural(char c)
{
    switch (c) {
    case '{':
    case '}':
    case '[':
    case ']':
    case ',':
    case ':':
    case '"':
    case ' ':
    case '\t':
    case '\r':
    case '\n':
        return true;
    default:
        return false;
    }
}

// Where a pass over the text stands.
struct Scan {
    std::string_view json;
    std::size_t depth = 0;
    std::size_t pieceStart = 0; // of the string, number or word being read
    bool inString = false;
    bool inWord = false;
    std::string_view lastKey;     // the last string read at the top level
    bool inMachines = false;      // within the array of the top level's "machines"
    std::size_t machineStart = 0; // of the machine being read
};

// Takes the byte at `at` inside a string; how many bytes after it an escape takes along.
std::size_t stepInString(Scan& scan, std::size_t at)
{
    const char c = scan.json[at];
    scan.inString = c != '"';
    if (!scan.inString && scan.depth == 1) {
        scan.lastKey = scan.json.substr(scan.pieceStart, at - scan.pieceStart);
    }
    return c == '\\' ? 1 : 0;
}

std::string_view openContainer(Scan& scan, std::size_t at)
{
    if (++scan.depth > maxPreviousDepth) {
        return "sie ist tiefer als 16 Ebenen verschachtelt";
    }
    if (scan.depth == 2) {
        // The tool writes no escape into its own keys; one there could hide "machines".
        if (scan.lastKey.find('\\') != std::string_view::npos) {
            return "ein Schlüssel ihrer obersten Ebene enthält ein Escape";
        }
        scan.inMachines = scan.json[at] == '[' && scan.lastKey == "machines";
    }
    scan.machineStart = scan.depth == 3 ? at : scan.machineStart;
    return {};
}

// Takes the byte at `at` outside strings; why the text goes beyond what the tool writes, or "".
std::string_view stepOutside(Scan& scan, std::size_t at)
{
    const char c = scan.json[at];
    const bool word = !isStructural(c);
    scan.pieceStart = word && !scan.inWord ? at : scan.pieceStart;
    scan.inWord = word;
    if (c == '"') {
        scan.inString = true;
        scan.pieceStart = at + 1;
    } else if (c == '{' || c == '[') {
        return openContainer(scan, at);
    } else if ((c == '}' || c == ']') && scan.depth > 0) {
        --scan.depth;
    }
    return {};
}

// Where the text goes beyond what the tool writes, why in German; "" where it does not. The
// parser below keeps a stack entry per level, a whole machine while it is read and each string
// or number as one piece, so 60 MiB of nested or tiny arrays would cost it gigabytes: this
// pass finds them first, in constant memory.
std::string_view beyondLimits(std::string_view json)
{
    const std::size_t first = json.find_first_not_of(" \t\r\n", json.starts_with("\xEF\xBB\xBF") ? 3 : 0);
    if (first == std::string_view::npos || json[first] != '{') {
        return "ihre oberste Ebene ist kein Objekt";
    }
    Scan scan;
    scan.json = json;
    for (std::size_t at = first; at < json.size(); ++at) {
        if (scan.inMachines && scan.depth >= 3 && at - scan.machineStart > maxPreviousMachineBytes) {
            return "ein Rechner darin ist größer als 256 KiB";
        }
        if ((scan.inString || scan.inWord) && at - scan.pieceStart > maxPreviousMachineBytes) {
            return "ein Wert darin ist länger als 256 KiB";
        }
        if (scan.inString) {
            at += stepInString(scan, at);
        } else if (const std::string_view beyond = stepOutside(scan, at); !beyond.empty()) {
            return beyond;
        }
    }
    return {};
}

} // namespace

Expected<std::vector<EarlierMachine>, std::string> readPreviousCollection(std::string_view json)
{
    const std::string_view notOurs = "ist keine JSON-Datei von quillbrook-fleet";
    if (const std::string_view beyond = beyondLimits(json); !beyond.empty()) {
        return unexpected(std::string(notOurs) + ": " + std::string(beyond));
    }
    std::vector<EarlierMachine> machines;
    bool inMachines = false;
    bool valid = true;
    // Only the machines matter: each is taken as soon as it is complete and then dropped, and
    // every other member of the top level is dropped as it comes, as is anything in the list of
    // machines that is no object.
    const Json::parser_callback_t take = [&](int depth, Json::parse_event_t event, const Json& value) {
        if (event == Json::parse_event_t::key && depth == 1) {
            inMachines = value == "machines";
            return inMachines;
        }
        if (depth != 2 || !inMachines) {
            return true;
        }
        if (event == Json::parse_event_t::object_end) {
            std::optional<EarlierMachine> machine = earlierMachine(value);
            valid = valid && machine.has_value();
            if (machine) {
                machines.push_back(std::move(*machine));
            }
            return false;
        }
        valid = valid && event == Json::parse_event_t::object_start;
        return event == Json::parse_event_t::object_start;
    };
    const Json document = Json::parse(json.begin(), json.end(), take, false);
    if (!valid || !document.is_object() || !document.contains("machines") || !document.at("machines").is_array() ||
        !document.at("machines").empty()) { // what is left there was no machine
        return unexpected(std::string(notOurs));
    }
    return machines;
}

} // namespace quill::fleet
