#include "core/utf8_text.h"
#include "fleet/fleet_output.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace quill::fleet {
namespace {

bool isPlain(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
}

void appendString(std::string& out, std::string_view text)
{
    out += '"';
    // Nearly every text of a report is plain ASCII and goes in as it is.
    if (std::all_of(text.begin(), text.end(), isPlain)) {
        out += text;
        out += '"';
        return;
    }
    for (const char c : validUtf8(text)) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// "key": value, with the comma before every member but the first of its object.
void appendKey(std::string& out, std::string_view key, bool first = false)
{
    if (!first) {
        out += ", ";
    }
    appendString(out, key);
    out += ": ";
}

void appendSummary(std::string& out, const FleetSummary& s)
{
    out += "{";
    const std::pair<const char*, std::size_t> counts[] = {
        {"machines", s.machines},
        {"officially_compatible", s.officiallyCompatible},
        {"technically_compatible_only", s.technicallyCompatibleOnly},
        {"not_compatible", s.notCompatible},
        {"firmware_settings_only", s.firmwareSettingsOnly},
        {"tpm_missing", s.tpmMissing},
        {"unreadable", s.unreadable},
        {"missing", s.missing},
    };
    bool first = true;
    for (const auto& [key, count] : counts) {
        appendKey(out, key, first);
        first = false;
        out += std::to_string(count);
    }
    appendKey(out, "failures_by_check");
    out += "{";
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        appendKey(out, checkTable[check].name, check == 0);
        out += std::to_string(s.failuresByCheck[check]);
    }
    out += "}}";
}

void appendChecks(std::string& out, const CheckList& checks, std::string_view group, bool& first)
{
    for (const CheckItem& item : checks) {
        out += first ? "{" : ", {";
        first = false;
        appendKey(out, "group", true);
        appendString(out, group);
        appendKey(out, "name");
        appendString(out, item.name);
        appendKey(out, "passed");
        out += item.passed ? "true" : "false";
        appendKey(out, "detail");
        appendString(out, item.detail);
        out += "}";
    }
}

void appendMachine(std::string& out, const MachineReport& machine)
{
    const Assessment& a = machine.assessment;
    out += "{";
    appendKey(out, "name", true);
    appendString(out, machine.name);
    appendKey(out, "file");
    appendString(out, machine.file);
    appendKey(out, "cpu");
    appendString(out, a.brand);
    appendKey(out, "vendor");
    appendString(out, a.vendor);
    appendKey(out, "technically_compatible");
    out += a.technicallyCompatible ? "true" : "false";
    appendKey(out, "officially_compatible");
    out += a.officiallyCompatible ? "true" : "false";
    appendKey(out, "exit_code");
    out += std::to_string(exitCodeOf(a));
    appendKey(out, "checks");
    out += "[";
    bool first = true;
    appendChecks(out, a.technicalChecks, "technical", first);
    appendChecks(out, a.officialChecks, "official", first);
    out += "]}";
}

void appendUnreadable(std::string& out, const UnreadableReport& file)
{
    out += "{";
    appendKey(out, "file", true);
    appendString(out, file.file);
    appendKey(out, "line");
    out += std::to_string(file.fault.line);
    appendKey(out, "reason");
    appendString(out, faultText(file.fault.kind));
    out += "}";
}

// One element per line keeps a fleet's file readable and diffable.
template <typename T, typename Append>
void appendArray(std::string& out, const std::vector<T>& elements, Append append)
{
    out += "[";
    for (std::size_t i = 0; i < elements.size(); ++i) {
        out += i == 0 ? "\n    " : ",\n    ";
        append(out, elements[i]);
    }
    out += elements.empty() ? "]" : "\n  ]";
}

} // namespace

std::string fleetJson(const FleetReports& reports, const FleetSummary& summary)
{
    std::string out = "{\n  \"summary\": ";
    appendSummary(out, summary);
    out += ",\n  \"machines\": ";
    appendArray(out, reports.machines, appendMachine);
    out += ",\n  \"unreadable\": ";
    appendArray(out, reports.unreadable, appendUnreadable);
    out += ",\n  \"missing\": ";
    appendArray(out, reports.missing, [](std::string& to, const std::string& name) { appendString(to, name); });
    out += "\n}\n";
    return out;
}

} // namespace quill::fleet
