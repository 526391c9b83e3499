#include "core/utf8_text.h"
#include "core/verdicts.h"
#include "fleet/fleet_output.h"

namespace quill::fleet {
namespace {

// Colours of the console report: green compatible, yellow only technically, red not.
constexpr std::string_view style = R"(<style>
body{font-family:Arial,Helvetica,sans-serif;margin:2em;color:#222;background:#fff}
h1{font-size:1.6em;margin-bottom:.2em}h2{font-size:1.2em;margin-top:1.6em}
.tiles{display:flex;gap:1em;flex-wrap:wrap}
.tile{border:1px solid #ccc;border-radius:6px;padding:.6em 1.2em;min-width:9em}
.tile .number{font-size:2.2em;font-weight:bold;display:block}
.chart{display:grid;grid-template-columns:24em 1fr 5em;gap:.35em .8em;align-items:center;max-width:60em}
.track{background:#eee;height:1.1em;border-radius:3px}
.bar{display:block;height:100%;border-radius:3px;background:#4a6fa5}
.bar.green{background:#2e8b3a}.bar.yellow{background:#d4a017}.bar.red{background:#c0392b}
.sub{padding-left:1.5em;color:#555}.note{color:#555;font-size:.9em}.count{font-weight:bold;text-align:right}
table{border-collapse:collapse;margin-top:.5em;font-size:.9em}
th,td{border:1px solid #ccc;padding:.25em .5em;text-align:left;vertical-align:top}
th{background:#f0f0f0}.no{color:#c0392b}
</style>
)";

std::string escaped(std::string_view text)
{
    std::string out;
    for (const char c : validUtf8(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\0':
            out += "&#xFFFD;"; // not allowed in HTML text
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The bar's share of the whole in per cent with one decimal, from integers only.
std::string percent(std::size_t count, std::size_t whole)
{
    const std::size_t tenths = whole == 0 ? 0 : (count * 1000 + whole / 2) / whole;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

// One row of a bar chart: label, bar, count. A sub row is indented under the row above it.
void appendBar(std::string& out, std::string_view label, std::size_t count, std::size_t whole, std::string_view colour,
               bool sub = false)
{
    out += sub ? "<div class='sub'>" : "<div>";
    out += escaped(label);
    out += "</div><div class='track'><span class='bar ";
    out += colour;
    out += "' style='width:" + percent(count, whole) + "%'></span></div><div class='count'>";
    out += std::to_string(count) + "</div>\n";
}

void appendTile(std::string& out, std::string_view label, std::size_t count)
{
    out += "<div class='tile'><span class='number'>" + std::to_string(count) + "</span>";
    out += escaped(label);
    out += "</div>\n";
}

void appendVerdictChart(std::string& out, const FleetSummary& s)
{
    out += "<h2>Ergebnis</h2>\n<div class='chart'>\n";
    appendBar(out, "Offiziell kompatibel", s.officiallyCompatible, s.machines, "green");
    appendBar(out, "Nur technisch kompatibel", s.technicallyCompatibleOnly, s.machines, "yellow");
    appendBar(out, "davon nur Firmware-Einstellungen", s.firmwareSettingsOnly, s.machines, "yellow", true);
    appendBar(out, "davon TPM 2.0 fehlt", s.tpmMissing, s.machines, "yellow", true);
    appendBar(out, "Nicht technisch kompatibel", s.notCompatible, s.machines, "red");
    out += "</div>\n<p class='note'>Firmware-Einstellungen: UEFI-Boot und Secure Boot, die sich meist im "
           "Firmware-Setup einschalten lassen; TPM 2.0 ist dort vorhanden.</p>\n";
}

void appendFailureChart(std::string& out, const FleetSummary& s)
{
    out += "<h2>Fehlgeschlagene Pruefungen</h2>\n<div class='chart'>\n";
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        appendBar(out, checkTable[check].name, s.failuresByCheck[check], s.machines, "");
    }
    out += "</div>\n";
}

std::string blockerCell(const Assessment& a)
{
    std::string cell;
    for (const BlockerList* blockers : {&a.technicalBlockers, &a.officialBlockers}) {
        for (const std::string& line : *blockers) {
            cell += (cell.empty() ? "" : "<br>") + escaped(line);
        }
    }
    return cell;
}

void appendMachineTable(std::string& out, const FleetReports& reports)
{
    out += "<h2>Rechner</h2>\n<table>\n<tr><th>Rechner</th><th>Datei</th><th>CPU</th><th>Technisch kompatibel</th>"
           "<th>Offiziell kompatibel</th><th>Exit-Code</th><th>Blocker</th></tr>\n";
    for (const MachineReport& machine : reports.machines) {
        const Assessment& a = machine.assessment;
        out += "<tr><td>" + escaped(machine.name) + "</td><td>" + escaped(machine.file) + "</td><td>" +
               escaped(a.brand) + "</td><td>" + std::string(verdictWord(a.technicallyCompatible)) + "</td><td>" +
               std::string(verdictWord(a.officiallyCompatible)) + "</td><td>" + std::to_string(exitCodeOf(a)) +
               "</td><td class='no'>" + blockerCell(a) + "</td></tr>\n";
    }
    out += "</table>\n";
}

void appendUnreadableTable(std::string& out, const FleetReports& reports)
{
    out += "<h2>Nicht lesbare Dateien</h2>\n";
    if (reports.unreadable.empty()) {
        out += "<p>Keine.</p>\n";
        return;
    }
    out += "<table>\n<tr><th>Datei</th><th>Zeile</th><th>Grund</th></tr>\n";
    for (const UnreadableReport& file : reports.unreadable) {
        out += "<tr><td>" + escaped(file.file) + "</td><td>" +
               (file.fault.line == 0 ? std::string("-") : std::to_string(file.fault.line)) + "</td><td>" +
               std::string(faultText(file.fault.kind)) + "</td></tr>\n";
    }
    out += "</table>\n";
}

void appendMissingList(std::string& out, const FleetReports& reports)
{
    if (reports.missing.empty()) {
        return;
    }
    out += "<h2>Erwartete Rechner ohne Bericht (" + std::to_string(reports.missing.size()) + ")</h2>\n<ul>\n";
    for (const std::string& name : reports.missing) {
        out += "<li>" + escaped(name) + "</li>\n";
    }
    out += "</ul>\n";
}

} // namespace

std::string fleetHtml(const FleetReports& reports, const FleetSummary& summary)
{
    std::string out = "<!DOCTYPE html>\n<html lang='de'>\n<head>\n<meta charset='utf-8'>\n"
                      "<title>Quillbrook - Windows-11-Flottenuebersicht</title>\n";
    out += style;
    out += "</head>\n<body>\n<h1>Windows-11-Flottenuebersicht</h1>\n<div class='tiles'>\n";
    appendTile(out, "Rechner", summary.machines);
    appendTile(out, "Nicht lesbare Dateien", summary.unreadable);
    appendTile(out, "Erwartet, ohne Bericht", summary.missing);
    out += "</div>\n";
    appendVerdictChart(out, summary);
    appendFailureChart(out, summary);
    appendMachineTable(out, reports);
    appendUnreadableTable(out, reports);
    appendMissingList(out, reports);
    out += "</body>\n</html>\n";
    return out;
}

} // namespace quill::fleet
