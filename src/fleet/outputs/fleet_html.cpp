#include "core/printable_text.h"
#include "core/utf8_text.h"
#include "core/verdicts.h"
#include "fleet/outputs/fleet_output.h"
#include "fleet/outputs/inventory_cells.h"
#include "fleet/plan/machine_names.h"
#include "fleet/outputs/report_time.h"

#include <algorithm>

namespace quill::fleet {
namespace {

// Colours of the console report: green compatible, yellow only technically, red not. Printed,
// the page is A4 landscape; each table's header comes again on every page and no row is split;
// the colours print too, which browsers otherwise leave out as background.
constexpr std::string_view style = R"(<style>
body{font-family:Arial,Helvetica,sans-serif;margin:2em;color:#222;background:#fff}
h1{font-size:1.6em;margin-bottom:.2em}h2{font-size:1.2em;margin-top:1.6em}h3{font-size:1.05em;margin:1.4em 0 .3em}
.meta{color:#555;margin-top:0}
.tiles{display:flex;gap:1em;flex-wrap:wrap}
.tile{border:1px solid #ccc;border-radius:6px;padding:.5em 1em;min-width:6.5em}
.tile .number{font-size:2.2em;font-weight:bold;display:block}.tile.red{border-color:#c0392b}
.tile.yellow{border-color:#d4a017}.tile.green{border-color:#2e8b3a}.worse{color:#c0392b}
.chart{display:grid;grid-template-columns:24em 1fr 5em 4em;gap:.35em .8em;align-items:center;max-width:64em}
.track{background:#eee;height:1.1em;border-radius:3px}
.bar{display:block;height:100%;border-radius:3px;background:#4a6fa5}
.bar.green{background:#2e8b3a}.bar.yellow{background:#d4a017}.bar.red{background:#c0392b}
.sub{padding-left:1.5em;color:#555}.note{color:#555;font-size:.9em}.count{font-weight:bold;text-align:right}
.share{color:#555;text-align:right}
table{border-collapse:collapse;margin-top:.5em;font-size:.9em;width:100%}
th,td{border:1px solid #ccc;padding:.25em .5em;text-align:left;vertical-align:top}
td,li,code{overflow-wrap:anywhere}
th{background:#f0f0f0}thead{display:table-header-group}tr{break-inside:avoid;page-break-inside:avoid}
td.yes{background:#d5efd8}td.no{background:#f6d5d1}td.v{text-align:center;white-space:nowrap;width:4.5em}
.name{width:9em}.when{white-space:nowrap;width:7.5em}.listed{width:4.5em}.change{width:6em}
.file{word-break:break-all;width:14em}.acts{width:10em}.blockers{width:15em}.cpu{width:13em}.todo{margin:.2em 0 .4em}
@page{size:A4 landscape;margin:12mm 12mm 15mm}
@media print{body{margin:0;font-size:9pt;-webkit-print-color-adjust:exact;print-color-adjust:exact}h2,h3{break-after:avoid;page-break-after:avoid}.chart{max-width:none}}
</style>
)";

bool isPlainHtml(char c)
{
    return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
}

// Control characters become '?' as a second guard behind the reader; "'" is escaped too, so
// that the text is safe in an attribute whichever quotes it uses.
void appendEscaped(std::string& out, std::string_view text)
{
    if (std::all_of(text.begin(), text.end(), isPlainHtml)) {
        out += text; // most names, brands and details
        return;
    }
    for (const char c : printableText(validUtf8(text))) {
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
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
}

std::string escaped(std::string_view text)
{
    std::string out;
    appendEscaped(out, text);
    return out;
}

// The share of the whole in per cent with one decimal, from integers only; CSS takes a point,
// people read a comma.
std::string percent(std::size_t count, std::size_t whole, char point = ',')
{
    const std::size_t tenths = whole == 0 ? 0 : (count * 1000 + whole / 2) / whole;
    return std::to_string(tenths / 10) + point + std::to_string(tenths % 10);
}

// One row of a bar chart: label, bar, count, share. A sub row is indented under the row above it.
void appendBar(std::string& out, std::string_view label, std::size_t count, std::size_t whole, std::string_view colour,
               bool sub = false)
{
    out += sub ? "<div class='sub'>" : "<div>";
    out += escaped(label);
    out += "</div><div class='track'><span class='bar ";
    out += colour;
    out += "' style='width:" + percent(count, whole, '.') + "%'></span></div><div class='count'>";
    out += std::to_string(count) + "</div><div class='share'>" + percent(count, whole) + " %</div>\n";
}

void appendTile(std::string& out, std::string_view label, std::size_t count, std::string_view colour = "")
{
    out += "<div class='tile " + std::string(colour) + "'><span class='number'>" + std::to_string(count) + "</span>";
    out += escaped(label);
    out += "</div>\n";
}

std::string_view categoryColour(Category category)
{
    constexpr std::array<std::string_view, 7> colours = {"red", "red", "red", "red", "yellow", "", "green"};
    return colours[static_cast<std::size_t>(category)];
}

// The counts at the top: the work list's categories taken together, so the two can never disagree.
void appendTiles(std::string& out, const FleetSummary& s)
{
    out += "<div class='tiles'>\n";
    appendTile(out, "Rechner", s.machines);
    appendTile(out, "Hardware nötig", categoryCount(s, hardwareCategories), "red");
    appendTile(out, "Nur Einstellungen", categoryCount(s, {Category::firmware}), "yellow");
    appendTile(out, "Vor Ort prüfen", categoryCount(s, {Category::check}), "");
    appendTile(out, "Bereit", categoryCount(s, {Category::ready}), "green");
    appendTile(out, "Erwartet, ohne Bericht", s.missing, "");
    appendTile(out, "Nicht lesbare Dateien", s.unreadable, "");
    if (s.conflicts != 0) {
        appendTile(out, "Namenskonflikte", s.conflicts, "red");
    }
    out += "</div>\n<p class='note'>Hardware nötig: Ersetzen, CPU nicht auf der Liste, Aufrüsten und TPM-Hardware "
           "zusammen; Nur Einstellungen: Firmware-Einstellungen.</p>\n";
}

// Against an earlier collection: the machines that got worse by name, then the counts.
void appendChanges(std::string& out, const FleetReports& reports, const FleetSummary& s)
{
    out += "<h2>" + previousCollectionTitle(reports.previousTime, reports.utcOffset) + "</h2>\n";
    std::vector<const MachineReport*> worse;
    for (const MachineReport& machine : reports.machines) {
        if (machine.change == Change::worse) {
            worse.push_back(&machine);
        }
    }
    std::sort(worse.begin(), worse.end(),
              [](const MachineReport* x, const MachineReport* y) { return naturalLess(x->name, y->name); });
    out += "<p class='worse'><b>Schlechter geworden: " + std::to_string(worse.size()) + "</b>";
    for (const MachineReport* machine : worse) {
        out += (machine == worse.front() ? " – " : ", ") + escaped(machine->name) + " (jetzt " +
               std::string(categoryText(machine->work.category)) + ")";
    }
    const auto changed = [&s](Change change) { return std::to_string(s.byChange[static_cast<std::size_t>(change)]); };
    out += "</p>\n<p>" + std::to_string(s.becameReady) + " jetzt bereit, " + changed(Change::better) + " besser, " +
           changed(Change::same) + " unverändert, " + changed(Change::added) + " neu, " +
           std::to_string(reports.gone.size()) +
           " nicht mehr gemeldet. Verglichen wird die Kategorie; die frühere "
           "Sammlung ist nach ihrem neuesten Bericht datiert.</p>\n";
}

void appendWorkChart(std::string& out, const FleetSummary& s)
{
    out += "<h2>Arbeitsliste</h2>\n<div class='chart'>\n";
    for (const Category category : categories) {
        appendBar(out, categoryText(category), s.byCategory[static_cast<std::size_t>(category)], s.machines,
                  categoryColour(category));
    }
    out += "</div>\n<p class='note'>Maßnahmen: ";
    for (const Action action : allActions) {
        out += (action == allActions.front() ? "<b>" : "; <b>") + std::string(actionText(action)) +
               "</b>: " + std::string(actionHint(action));
    }
    out += ". Die Prozessorliste ist nach Namensregeln geschätzt; „unbekannt“ heißt: die Regeln kennen ihn nicht. "
           "Nicht geprüft sind Grafik und Bildschirm.</p>\n";
}

// Per site or department of --expect: each category and the machines without a report.
void appendGroupTable(std::string& out, const FleetReports& reports, const FleetSummary& s)
{
    if (reports.groups.empty()) {
        return;
    }
    out += "<h2>Nach Gruppe</h2>\n<table class='groups'>\n<thead><tr><th>Gruppe</th>";
    for (const Category category : categories) {
        out += "<th>" + std::string(categoryText(category)) + "</th>";
    }
    out += "<th>Ohne Bericht</th></tr></thead>\n<tbody>\n";
    for (std::size_t group = 0; group < reports.groups.size(); ++group) {
        out += "<tr><td>" + escaped(reports.groups[group]) + "</td>";
        for (const std::size_t count : s.byGroup[group]) {
            out += "<td class='count'>" + std::to_string(count) + "</td>";
        }
        out += "<td class='count'>" + std::to_string(s.missingByGroup[group]) + "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n";
}

void appendFailureChart(std::string& out, const FleetSummary& s)
{
    out += "<h2>Fehlgeschlagene Prüfungen</h2>\n<div class='chart'>\n";
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        appendBar(out, checkTable[check].name, s.failuresByCheck[check], s.machines, "");
    }
    out += "</div>\n";
}

// The blockers as the report words them; a TBS code gets its meaning beside it, for the reader
// who does not know the codes.
void appendBlockers(std::string& out, const Assessment& a)
{
    bool first = true;
    for (const CheckList* items : {&a.technicalChecks, &a.officialChecks}) {
        for (const CheckItem& item : *items) {
            if (item.passed) {
                continue;
            }
            out += first ? "" : "<br>";
            first = false;
            appendEscaped(out, blockerLine(item));
            if (const std::string_view meaning = tbsErrorMeaning(item); !meaning.empty()) {
                out += " – ";
                out += meaning;
            }
        }
    }
}

void appendListingCell(std::string& out, ProcessorListing listing)
{
    constexpr std::array<std::string_view, 3> classes = {"<td class='yes'>", "<td class='no'>", "<td>"};
    out += classes[static_cast<std::size_t>(listing)];
    out += listingText(listing);
    out += "</td>";
}

void appendVerdictCell(std::string& out, bool value)
{
    out += value ? "<td class='v yes'>" : "<td class='v no'>";
    out += verdictWord(value);
    out += "</td>";
}

// The inventory in one cell, a line each, so the table stays as wide as it was.
void appendDevice(std::string& out, const MachineReport& machine)
{
    if (!machine.inventory) {
        return;
    }
    const std::array<std::string, 5> cells = inventoryCells(machine);
    const std::string lines[] = {cells[0], cells[1].empty() ? "" : "S/N " + cells[1], cells[2],
                                 "BitLocker " + cells[3] + ", " + cells[4]};
    bool first = true;
    for (const std::string& line : lines) {
        if (!line.empty()) {
            out += first ? "" : "<br>";
            first = false;
            appendEscaped(out, line);
        }
    }
}

// Appends "<td>" text "</td>", the text escaped.
void appendCell(std::string& out, std::string_view text)
{
    out += "<td>";
    appendEscaped(out, text);
    out += "</td>";
}

// Written piece by piece into the page: a fleet has thousands of rows.
void appendMachineRow(std::string& out, const FleetReports& reports, const MachineReport& machine)
{
    const Assessment& a = machine.assessment;
    out += "<tr><td>";
    appendEscaped(out, machine.name);
    if (const std::string marks = machineMarks(machine); !marks.empty()) {
        out += "<br><strong>";
        appendEscaped(out, marks); // an inventory's computer name among them
        out += "</strong>";
    }
    out += "</td><td>";
    for (std::size_t i = 0; i < machine.work.actions.size(); ++i) {
        out += i == 0 ? "" : "<br>";
        out += actionText(machine.work.actions[i]);
    }
    out += "</td>";
    appendVerdictCell(out, a.technicallyCompatible);
    appendVerdictCell(out, a.officiallyCompatible);
    appendCell(out, a.brand);
    appendListingCell(out, machine.work.processorOnList);
    out += "<td class='v'>" + gibText(memoryBytes(a)) + "<br>" + gibText(systemDriveBytes(a));
    out += "</td><td class='when'>" + germanTime(machine.reportTime, reports.utcOffset) + "</td>";
    if (reports.comparedWithPrevious) {
        out += machine.change == Change::worse ? "<td class='no'>" : "<td>";
        out += machine.change ? changeText(*machine.change) : "";
        out += "</td>";
    }
    if (!reports.groups.empty()) {
        appendCell(out, groupOf(reports, machine.name));
    }
    out += "<td>";
    appendBlockers(out, a);
    out += "</td><td>";
    appendDevice(out, machine);
    out += "</td>";
    appendCell(out, machine.file);
    out += "</tr>\n";
}

void appendTableHead(std::string& out, const FleetReports& reports)
{
    out +=
        "<table>\n<thead><tr><th class='name'>Rechner</th><th class='acts'>Maßnahmen</th><th class='v'>Technisch</th>"
        "<th class='v'>Offiziell</th><th class='cpu'>CPU</th><th class='listed'>CPU auf der Liste</th>"
        "<th class='v'>RAM<br>Laufwerk</th><th class='when'>Stand</th>";
    if (reports.comparedWithPrevious) {
        out += "<th class='change'>Änderung</th>";
    }
    if (!reports.groups.empty()) {
        out += "<th class='change'>Gruppe</th>";
    }
    out += "<th class='blockers'>Blocker</th><th class='cpu'>Gerät</th><th class='file'>Datei</th></tr></thead>\n"
           "<tbody>\n";
}

// The machines by category, worst first, each group in natural name order.
void appendMachineGroups(std::string& out, const TextSink& sink, const FleetReports& reports,
                         const FleetSummary& summary)
{
    out += "<h2>Rechner</h2>\n";
    std::vector<const MachineReport*> sorted;
    sorted.reserve(reports.machines.size());
    for (const MachineReport& machine : reports.machines) {
        sorted.push_back(&machine);
    }
    std::sort(sorted.begin(), sorted.end(), [](const MachineReport* x, const MachineReport* y) {
        if (x->work.category != y->work.category) {
            return x->work.category < y->work.category;
        }
        return naturalLess(x->name, y->name);
    });
    auto next = sorted.begin();
    for (const Category category : categories) {
        const std::size_t count = summary.byCategory[static_cast<std::size_t>(category)];
        if (count == 0) {
            continue;
        }
        out += "<h3>" + std::string(categoryText(category)) + ": " + std::to_string(count) + " Rechner (" +
               percent(count, summary.machines) + " %)</h3>\n";
        if (category == Category::firmware) {
            out += "<p class='todo'>Nichts zu kaufen: im Firmware-Setup UEFI-Boot (CSM aus), Secure Boot und das "
                   "TPM (fTPM/PTT) einschalten, bei einer VM in den Einstellungen des Hypervisors, wie in der Spalte "
                   "Maßnahmen genannt.</p>\n";
        } else if (category == Category::cpuNotListed) {
            out += "<p class='todo'>Windows 11 läuft, ist aber nicht unterstützt, und Windows Update bietet es nicht "
                   "an: als Ersatz einplanen. Firmware- und TPM-Befunde stehen unter Blocker.</p>\n";
        }
        appendTableHead(out, reports);
        for (; next != sorted.end() && (*next)->work.category == category; ++next) {
            appendMachineRow(out, reports, **next);
            handOn(out, sink);
        }
        out += "</tbody>\n</table>\n";
    }
}

void appendUnreadableTable(std::string& out, const FleetReports& reports)
{
    out += "<h2>Nicht lesbare Dateien</h2>\n";
    if (reports.unreadable.empty()) {
        out += "<p>Keine.</p>\n";
        return;
    }
    out += "<table>\n<thead><tr><th>Datei</th><th>Zeile</th><th>Grund</th></tr></thead>\n<tbody>\n";
    for (const UnreadableReport& file : reports.unreadable) {
        out += "<tr><td>" + escaped(file.file) + "</td><td>" +
               (file.fault.line == 0 ? std::string("-") : std::to_string(file.fault.line)) + "</td><td>" +
               std::string(faultText(file.fault.kind)) + "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n";
}

void appendList(std::string& out, std::string_view title, const std::vector<std::string>& items)
{
    if (items.empty()) {
        return;
    }
    out += "<h2>" + std::string(title) + " (" + std::to_string(items.size()) + ")</h2>\n<ul>\n";
    for (const std::string& item : items) {
        out += "<li>" + item + "</li>\n";
    }
    out += "</ul>\n";
}

std::vector<std::string> escapedNames(const std::vector<std::string>& names)
{
    std::vector<std::string> out;
    out.reserve(names.size());
    for (const std::string& name : names) {
        out.push_back(escaped(name));
    }
    return out;
}

} // namespace

void writeFleetHtml(const FleetReports& reports, const FleetSummary& summary, const PageContext& page,
                    const TextSink& sink)
{
    const std::string made =
        germanTime(page.generatedAt, reports.utcOffset) + " (" + offsetText(reports.utcOffset) + ")";
    std::string out = "<!DOCTYPE html>\n<html lang='de'>\n<head>\n<meta charset='utf-8'>\n"
                      // Nothing but the page's own style may load or run, whatever a report smuggles in.
                      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                      "style-src 'unsafe-inline'\">\n"
                      "<title>Quillbrook – Windows-11-Geräteübersicht</title>\n";
    out += style;
    // Printed, every page says which it is and when the page was made.
    out += "<style>@page{@bottom-left{content:'Quillbrook – erstellt " + made +
           "';font:8pt Arial,sans-serif;color:#555}@bottom-right{content:'Seite ' counter(page) ' von ' "
           "counter(pages);font:8pt Arial,sans-serif;color:#555}}</style>\n";
    out += "</head>\n<body>\n<h1>Windows-11-Geräteübersicht</h1>\n<p class='meta'>Erstellt " + made +
           "; alle Zeiten in " + offsetText(reports.utcOffset) + "; aus ";
    for (std::size_t i = 0; i < page.paths.size(); ++i) {
        out += (i == 0 ? "<code>" : ", <code>") + escaped(page.paths[i]) + "</code>";
    }
    out += "</p>\n";
    appendTiles(out, summary);
    if (reports.comparedWithPrevious) {
        appendChanges(out, reports, summary);
    }
    appendWorkChart(out, summary);
    appendGroupTable(out, reports, summary);
    appendFailureChart(out, summary);
    appendMachineGroups(out, sink, reports, summary);
    appendUnreadableTable(out, reports);
    appendList(out, "Erwartete Rechner ohne Bericht", escapedNames(reports.missing));
    std::vector<std::string> superseded;
    for (const SupersededReport& report : reports.superseded) {
        superseded.push_back(escaped(report.file) + " (" + escaped(report.name) + ")");
    }
    appendList(out, "Durch neuere ersetzte Berichte", superseded);
    appendList(out, "Nicht mehr gemeldet", escapedNames(reports.gone));
    std::vector<std::string> conflicts;
    for (const NameConflict& conflict : reports.conflicts) {
        std::string files;
        for (const std::string& file : conflict.files) {
            files += (files.empty() ? "" : ", ") + escaped(file);
        }
        conflicts.push_back(escaped(conflict.name) + ": " + files);
    }
    appendList(out, "Namenskonflikte: mehrere Dateien geben sich als ein Rechner aus", conflicts);
    appendList(out, "Dateien mit einer Zeit nach dem Lauf", escapedNames(reports.future));
    appendList(out, "Nicht lesbare Inventare", escapedNames(reports.unreadableInventory));
    out += "</body>\n</html>\n";
    handOn(out, sink, true);
}

} // namespace quill::fleet
