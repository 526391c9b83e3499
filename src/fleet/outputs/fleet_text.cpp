#include "core/printable_text.h"
#include "core/report_layout.h"
#include "fleet/outputs/fleet_lists.h"
#include "fleet/outputs/fleet_output.h"
#include "fleet/outputs/report_time.h"
#include "fleet/plan/machine_names.h"

#include <algorithm>

namespace quill::fleet {
namespace {

// The longest count label, "Durch neuere ersetzte Berichte", and a few spaces.
constexpr std::size_t countLabelWidth = 36;

// Filled by characters, not bytes: an umlaut takes two bytes and one column.
void appendCount(std::string& out, std::string_view label, std::size_t count)
{
    const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    const auto columns = static_cast<std::size_t>(
        label.size() - static_cast<std::size_t>(std::count_if(label.begin(), label.end(), continuation)));
    out += label;
    out.append(countLabelWidth > columns ? countLabelWidth - columns : 0, ' ');
    out += " : ";
    out += std::to_string(count);
    out += "\n";
}

// One entry: " - " and its text, then what stands beside it; a file name may hold control characters.
void appendEntry(std::string& out, const ListEntry& entry)
{
    out += " - ";
    out += printableText(entry.text);
    if (!entry.aside.empty()) {
        out += " (" + printableText(entry.aside) + ")";
    }
    if (entry.line != 0) {
        out += " (Zeile " + std::to_string(entry.line) + ")";
    }
    if (!entry.reason.empty()) {
        out += ": ";
        out += entry.reason;
    }
    if (entry.files != nullptr) {
        out += ":";
        for (const std::string& file : *entry.files) {
            out += "\n     " + printableText(file);
        }
    }
    out += "\n";
}

void appendList(std::string& out, const TextSink& sink, std::string_view title, const std::vector<ListEntry>& entries)
{
    if (entries.empty()) {
        return;
    }
    out += "\n[";
    out += title;
    out += "]\n";
    for (const ListEntry& entry : entries) {
        appendEntry(out, entry);
        handOn(out, sink);
    }
}

void appendChanges(std::string& out, const TextSink& sink, const FleetPlan& plan, const OutputContext& context)
{
    const FleetSummary& summary = plan.summary;
    out += "\n[" + previousCollectionTitle(plan.previousTime, context.utcOffset) + "]\n";
    const std::pair<std::string_view, Change> rows[] = {{"Schlechter", Change::worse},
                                                        {"Besser", Change::better},
                                                        {"Unverändert", Change::same},
                                                        {"Neu", Change::added}};
    for (const auto& [label, change] : rows) {
        appendCount(out, label, summary.byChange[static_cast<std::size_t>(change)]);
    }
    appendCount(out, "Jetzt bereit", summary.becameReady);
    appendCount(out, "Nicht mehr gemeldet", plan.gone.size());
    std::vector<std::string> worse;
    for (const MachineReport& machine : plan.machines) {
        if (machine.change == Change::worse) {
            worse.push_back(machine.name + " (jetzt " + std::string(rowOf(machine.work.category).text) + ")");
        }
    }
    std::sort(worse.begin(), worse.end(), [](const std::string& x, const std::string& y) { return naturalLess(x, y); });
    std::vector<ListEntry> entries;
    entries.reserve(worse.size());
    for (const std::string& line : worse) {
        entries.push_back(ListEntry{line});
    }
    appendList(out, sink, "Schlechter geworden", entries);
}

} // namespace

void writeFleetSummary(const FleetPlan& plan, const OutputContext& context, const TextSink& sink)
{
    const FleetSummary& summary = plan.summary;
    std::string out = "Quillbrook-Geräteübersicht\n";
    out += separatorLine(reportRuleFill);
    out += "\n\n";
    appendCount(out, "Rechner (lesbare Berichte)", summary.machines);
    for (const CategorySum& sum : categorySums) {
        appendCount(out, sum.text, categoryCount(summary, sum.categories));
    }
    appendCount(out, "Erwartete Rechner ohne Bericht", summary.missing);
    appendCount(out, "Nicht lesbare Dateien", summary.unreadable);
    appendCount(out, "Durch neuere ersetzte Berichte", summary.superseded);
    appendCount(out, "Namenskonflikte", summary.conflicts);
    out += plan.isExpectWindows1252
               ? "\nHinweis: Die --expect-Datei ist kein gültiges UTF-8 und wurde als Windows-1252 gelesen.\n"
               : "";
    if (plan.comparedWithPrevious) {
        appendChanges(out, sink, plan, context);
    }

    out += "\n[Arbeitsliste]\n";
    for (const CategoryRow& category : categoryTable) {
        appendCount(out, category.text, summary.byCategory[static_cast<std::size_t>(category.category)]);
    }
    out += "\n[Einkauf]\n";
    for (std::size_t line = 0; line < purchaseTable.size(); ++line) {
        appendCount(out, purchaseTable[line].text, summary.purchases[line]);
    }
    for (std::size_t group = 0; group < plan.groups.size(); ++group) {
        out += "\n[Gruppe " + printableText(plan.groups[group]) + "]\n";
        for (const CategoryRow& category : categoryTable) {
            appendCount(out, category.text, summary.byGroup[group][static_cast<std::size_t>(category.category)]);
        }
        appendCount(out, "Ohne Bericht", summary.missingByGroup[group]);
        handOn(out, sink);
    }

    out += "\n[Fehlgeschlagene Prüfungen]\n";
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        out += itemNameField(checkTable[check].name);
        out += " : " + std::to_string(summary.failuresByCheck[check]) + "\n";
    }
    for (const FleetListDefinition& list : fleetListTable) {
        appendList(out, sink, list.title, listEntries(plan, list.list));
    }
    handOn(out, sink, true);
}

} // namespace quill::fleet
