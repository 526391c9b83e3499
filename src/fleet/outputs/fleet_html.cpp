#include "fleet/outputs/cell_text.h"
#include "fleet/outputs/fleet_lists.h"
#include "fleet/outputs/fleet_output.h"
#include "fleet/outputs/machine_columns.h"
#include "fleet/outputs/model_columns.h"
#include "fleet/outputs/report_time.h"
#include "fleet/outputs/step_codes.h"
#include "fleet/plan/machine_names.h"

#include <algorithm>

namespace quill::fleet {
namespace {

// Colours of the console report: green compatible, yellow only technically, red not. German
// words wrap only between words; text a machine wrote (a name, a path, a model) may break
// anywhere where it is longer than its cell.
// Printed, the page is A4 landscape; each table's header comes again on every page and no row is
// split; the colours print too, which browsers otherwise leave out as background. Each machine
// takes one line there: its steps as codes, its lines side by side, what does not fit cut short
// (but its name), its blockers left to the screen.
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
table.groups,table.models{width:auto}
th,td{border:1px solid #ccc;padding:.25em .5em;text-align:left;vertical-align:top}
td,li{overflow-wrap:break-word}td.name,td.mt,code{overflow-wrap:anywhere}
th{background:#f0f0f0}thead{display:table-header-group}tr{break-inside:avoid;page-break-inside:avoid}
td.yes{background:#d5efd8}td.no{background:#f6d5d1}td.v{text-align:center;white-space:nowrap;width:4.5em}
.name{width:9em}.when{white-space:nowrap;width:7.5em}.listed{width:4.5em}.change,.grp{width:6em}
.file{width:14em}.acts{width:10em}.blockers{width:15em}.cpu,.dev{width:13em}.todo{margin:.2em 0 .4em}
.mk{display:block}.k{display:none}ul.names{columns:14em;column-gap:2em}
@page{size:A4 landscape;margin:12mm 12mm 15mm}
@media print{body{margin:0;font-size:8pt;-webkit-print-color-adjust:exact;print-color-adjust:exact}
h1{font-size:14pt}h2{font-size:11pt;margin:1.2em 0 .3em}h3{font-size:9pt;margin:.9em 0 .2em}
h2,h3,h2+.note{break-after:avoid;page-break-after:avoid}.chart{max-width:none;gap:.15em .8em}.tile .number{font-size:1.6em}
table.m{table-layout:fixed;font-size:7pt}table.m th,table.m td{padding:.1em .3em}
table.m td{white-space:nowrap;overflow:hidden;text-overflow:ellipsis}table.m td.name{white-space:normal}
table.m br,table.m .blockers,table.m .file,.w{display:none}.mk,.k{display:inline}
table.m .name{width:22mm}table.m .acts{width:24mm}table.m th.v{width:12mm}table.m .cpu{width:55mm}
table.m .listed{width:13mm}table.m .sz{width:23mm}table.m .when{width:14mm}table.m .change{width:15mm}
table.m .grp{width:27mm}table.m .dev{width:auto}}
</style>
)";

std::string escaped(std::string_view text)
{
    return htmlEscaped(text);
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

// The set's categories in words, in the work list's order.
std::string categoryWords(CategorySet set, std::string_view between)
{
    std::string words;
    for (const CategoryRow& category : categoryTable) {
        if (inSet(set, category.category)) {
            words += (words.empty() ? "" : between);
            words += category.text;
        }
    }
    return words;
}

// The counts at the top: the work list's categories taken together, so the two can never disagree.
void appendTiles(std::string& out, const FleetSummary& s)
{
    out += "<div class='tiles'>\n";
    appendTile(out, "Rechner", s.machines);
    std::string sums; // what each tile counts, where its name does not say so
    for (const CategorySum& sum : categorySums) {
        appendTile(out, sum.text, categoryCount(s, sum.categories), sum.colour);
        const std::string parts = categoryWords(sum.categories, " + ");
        if (parts != sum.text) {
            sums += (sums.empty() ? "" : "; ") + std::string(sum.text) + " = " + parts;
        }
    }
    appendTile(out, "Erwartet, ohne Bericht", s.missing, "");
    appendTile(out, "Nicht lesbare Dateien", s.unreadable, "");
    if (s.conflicts != 0) {
        appendTile(out, "Namenskonflikte", s.conflicts, "red");
    }
    out += "</div>\n<p class='note'>" + escaped(sums) + ".</p>\n";
}

// Against an earlier collection: the machines that got worse by name, then the counts.
void appendChanges(std::string& out, const FleetPlan& plan, const OutputContext& context)
{
    const FleetSummary& s = plan.summary;
    out += "<h2>" + previousCollectionTitle(plan.previousTime, context.utcOffset) + "</h2>\n";
    std::vector<const MachineReport*> worse;
    for (const MachineReport& machine : plan.machines) {
        if (machine.change == Change::worse) {
            worse.push_back(&machine);
        }
    }
    std::sort(worse.begin(), worse.end(),
              [](const MachineReport* x, const MachineReport* y) { return naturalLess(x->name, y->name); });
    out += "<p class='worse'><b>Schlechter geworden: " + std::to_string(worse.size()) + "</b>";
    for (const MachineReport* machine : worse) {
        out += (machine == worse.front() ? " – " : ", ") + escaped(machine->name) + " (jetzt " +
               std::string(rowOf(machine->work.category).text) + ")";
    }
    const auto changed = [&s](Change change) { return std::to_string(s.byChange[static_cast<std::size_t>(change)]); };
    out += "</p>\n<p>" + std::to_string(s.becameReady) + " jetzt bereit, " + changed(Change::better) + " besser, " +
           changed(Change::same) + " unverändert, " + changed(Change::added) + " neu, " +
           std::to_string(plan.gone.size()) +
           " nicht mehr gemeldet. Verglichen wird die Kategorie; die frühere "
           "Sammlung ist nach ihrem neuesten Bericht datiert.</p>\n";
}

void appendWorkChart(std::string& out, const FleetSummary& s)
{
    out += "<h2>Arbeitsliste</h2>\n<div class='chart'>\n";
    for (const CategoryRow& category : categoryTable) {
        appendBar(out, category.text, s.byCategory[static_cast<std::size_t>(category.category)], s.machines,
                  category.colour);
    }
    // The steps' legend, printed once: the printed list of machines shows them by their codes.
    out += "</div>\n<p class='note'>Maßnahmen, gedruckt als Kürzel: ";
    for (const ActionRow& action : actionTable) {
        out += (&action == &actionTable.front() ? "<b>" : "; <b>") + std::string(action.text) + " (" +
               std::string(stepCode(action.action)) + ")</b>: " + std::string(action.hint);
    }
    out += ". Ob ein Prozessor auf der Liste des Herstellers steht, folgt aus seiner Signatur (Familie, Modell und "
           "Stepping aus dem Inventar) oder, ohne sie, aus seinem Namen; „unbekannt“ heißt: beides sagt es nicht. "
           "Nicht geprüft sind Grafik und Bildschirm.</p>\n";
}

// Per site or department of --expect: each category and the machines without a report.
void appendGroupTable(std::string& out, const TextSink& sink, const FleetPlan& plan, const FleetSummary& s)
{
    if (plan.groups.empty()) {
        return;
    }
    out += "<h2>Nach Gruppe</h2>\n<table class='groups'>\n<thead><tr><th>Gruppe</th>";
    for (const CategoryRow& category : categoryTable) {
        out += "<th>" + std::string(category.text) + "</th>";
    }
    out += "<th>Ohne Bericht</th></tr></thead>\n<tbody>\n";
    for (std::size_t group = 0; group < plan.groups.size(); ++group) {
        out += "<tr><td>" + escaped(plan.groups[group]) + "</td>";
        for (const std::size_t count : s.byGroup[group]) {
            out += "<td class='count'>" + std::to_string(count) + "</td>";
        }
        out += "<td class='count'>" + std::to_string(s.missingByGroup[group]) + "</td></tr>\n";
        handOn(out, sink); // a list may name as many groups as machines
    }
    out += "</tbody>\n</table>\n";
}

void appendPurchaseRow(std::string& out, std::string_view label, const PurchaseCounts& counts)
{
    out += "<tr><td>" + escaped(label) + "</td>";
    for (const std::size_t count : counts) {
        out += "<td class='count'>" + std::to_string(count) + "</td>";
    }
    out += "</tr>\n";
}

// The purchase order: per group of --expect and for the whole fleet what to buy or set.
void appendPurchases(std::string& out, const TextSink& sink, const FleetPlan& plan, const FleetSummary& s)
{
    out += "<h2>Einkauf</h2>\n<table class='groups'>\n<thead><tr><th>Gruppe</th>";
    std::string rules;
    for (const PurchaseRow& row : purchaseTable) {
        out += "<th>" + std::string(row.text) + "</th>";
        rules += (rules.empty() ? "" : "; ") + std::string(row.text) + ": " + categoryWords(row.categories, " oder ");
        if (row.step) {
            rules += " mit „" + std::string(rowOf(*row.step).text) + "“";
        }
    }
    out += "</tr></thead>\n<tbody>\n";
    for (std::size_t group = 0; group < plan.groups.size(); ++group) {
        appendPurchaseRow(out, plan.groups[group], s.purchasesByGroup[group]);
        handOn(out, sink);
    }
    appendPurchaseRow(out, "Alle Rechner", s.purchases);
    out += "</tbody>\n</table>\n<p class='note'>Je Zeile die Rechner: " + escaped(rules) + ".";
    out += plan.groups.empty() ? "" : " Rechner ohne Gruppe zählen nur bei „Alle Rechner“.";
    out += "</p>\n";
}

// Per model what its machines need, in the order of their steps: one firmware push, one order line.
void appendModels(std::string& out, const FleetSummary& s)
{
    out += "<h2>Nach Modell</h2>\n<p class='note'>Eine Zeile je Modell, Kategorie und Folge der Maßnahmen; das "
           "Modell nennt das Inventar neben dem Bericht.</p>\n";
    appendModelPageTable(out, s);
}

void appendFailureChart(std::string& out, const FleetSummary& s)
{
    out += "<h2>Fehlgeschlagene Prüfungen</h2>\n<div class='chart'>\n";
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        appendBar(out, checkTable[check].name, s.failuresByCheck[check], s.machines, "");
    }
    out += "</div>\n";
}

// The machines by category, worst first, each group in natural name order.
void appendMachineGroups(std::string& out, const TextSink& sink, const FleetPlan& plan, const OutputContext& context)
{
    const FleetSummary& summary = plan.summary;
    out += "<h2>Rechner</h2>\n";
    std::vector<const MachineReport*> sorted;
    sorted.reserve(plan.machines.size());
    for (const MachineReport& machine : plan.machines) {
        sorted.push_back(&machine);
    }
    std::sort(sorted.begin(), sorted.end(), [](const MachineReport* x, const MachineReport* y) {
        if (x->work.category != y->work.category) {
            return x->work.category < y->work.category;
        }
        return naturalLess(x->name, y->name);
    });
    auto next = sorted.begin();
    for (const CategoryRow& row : categoryTable) {
        const Category category = row.category;
        const std::size_t count = summary.byCategory[static_cast<std::size_t>(category)];
        if (count == 0) {
            continue;
        }
        out += "<h3>" + std::string(row.text) + ": " + std::to_string(count) + " Rechner (" +
               percent(count, summary.machines) + " %)</h3>\n";
        if (category == Category::firmware) {
            out += "<p class='todo'>Nichts zu kaufen: im Firmware-Setup UEFI-Boot (CSM aus), Secure Boot und das "
                   "TPM (fTPM/PTT) einschalten, wie in der Spalte Maßnahmen genannt.</p>\n";
        } else if (category == Category::vmSettings) {
            out += "<p class='todo'>Nichts zu kaufen: in den Einstellungen des Hypervisors setzen, wie in der Spalte "
                   "Maßnahmen genannt.</p>\n";
        } else if (category == Category::cpuNotListed) {
            out += "<p class='todo'>Windows 11 läuft, ist aber nicht unterstützt, und Windows Update bietet es nicht "
                   "an: als Ersatz einplanen. Firmware- und TPM-Befunde stehen unter Blocker.</p>\n";
        }
        appendPageHead(out, plan);
        for (; next != sorted.end() && (*next)->work.category == category; ++next) {
            appendPageRow(out, MachineRow{plan, context, **next});
            handOn(out, sink);
        }
        out += "</tbody>\n</table>\n";
    }
}

void appendListHeading(std::string& out, const FleetListDefinition& list, std::size_t entries)
{
    out += "<h2>" + std::string(list.title) + " (" + std::to_string(entries) + ")</h2>\n";
    if (!list.note.empty()) {
        out += "<p class='note'>" + std::string(list.note) + "</p>\n";
    }
}

void appendUnreadableTable(std::string& out, const std::vector<ListEntry>& files)
{
    appendListHeading(out, definitionOf(FleetList::unreadable), files.size());
    if (files.empty()) {
        out += "<p>Keine.</p>\n";
        return;
    }
    out += "<table>\n<thead><tr><th>Datei</th><th>Zeile</th><th>Grund</th></tr></thead>\n<tbody>\n";
    for (const ListEntry& file : files) {
        out += "<tr><td class='mt'>" + escaped(file.text) + "</td><td>" +
               (file.line == 0 ? std::string("-") : std::to_string(file.line)) + "</td><td>" +
               std::string(file.reason) + "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n";
}

// One list after the machines, left out where it is empty.
void appendList(std::string& out, const FleetListDefinition& list, const std::vector<ListEntry>& entries)
{
    if (entries.empty()) {
        return;
    }
    appendListHeading(out, list, entries.size());
    out += list.names ? "<ul class='names'>\n" : "<ul>\n";
    for (const ListEntry& entry : entries) {
        out += "<li>" + escaped(entry.text);
        if (!entry.aside.empty()) {
            out += " (" + escaped(entry.aside) + ")";
        }
        if (entry.files != nullptr) {
            out += ": ";
            for (const std::string& file : *entry.files) {
                out += (&file == &entry.files->front() ? "" : ", ") + escaped(file);
            }
        }
        out += "</li>\n";
    }
    out += "</ul>\n";
}

} // namespace

void writeFleetHtml(const FleetPlan& plan, const OutputContext& context, const TextSink& sink)
{
    const std::string made =
        germanTime(context.generatedAt, context.utcOffset) + " (" + offsetText(context.utcOffset) + ")";
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
           "; alle Zeiten in " + offsetText(context.utcOffset) + "; aus ";
    for (std::size_t i = 0; i < context.paths.size(); ++i) {
        out += (i == 0 ? "<code>" : ", <code>") + escaped(context.paths[i]) + "</code>";
    }
    out += "</p>\n";
    appendTiles(out, plan.summary);
    if (plan.comparedWithPrevious) {
        appendChanges(out, plan, context);
    }
    appendWorkChart(out, plan.summary);
    appendPurchases(out, sink, plan, plan.summary);
    appendGroupTable(out, sink, plan, plan.summary);
    appendModels(out, plan.summary);
    appendFailureChart(out, plan.summary);
    appendMachineGroups(out, sink, plan, context);
    for (const FleetListDefinition& list : fleetListTable) {
        if (list.list == FleetList::unreadable) {
            appendUnreadableTable(out, listEntries(plan, list.list));
        } else {
            appendList(out, list, listEntries(plan, list.list));
        }
    }
    out += "</body>\n</html>\n";
    handOn(out, sink, true);
}

} // namespace quill::fleet
