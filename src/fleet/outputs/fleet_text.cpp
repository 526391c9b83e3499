#include "core/printable_text.h"
#include "core/report_layout.h"
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

void appendUnreadable(std::string& out, const UnreadableReport& file)
{
    out += " - ";
    out += printableText(file.file); // a file name may hold control characters
    if (file.fault.line != 0) {
        out += " (Zeile " + std::to_string(file.fault.line) + ")";
    }
    out += ": ";
    out += faultText(file.fault.kind);
    out += "\n";
}

void appendNames(std::string& out, const TextSink& sink, std::string_view title, const std::vector<std::string>& names)
{
    if (names.empty()) {
        return;
    }
    out += "\n";
    out += title;
    out += "\n";
    for (const std::string& name : names) {
        out += " - " + printableText(name) + "\n";
        handOn(out, sink);
    }
}

void appendChanges(std::string& out, const TextSink& sink, const FleetReports& reports, const FleetSummary& summary)
{
    out += "\n[" + previousCollectionTitle(reports.previousTime, reports.utcOffset) + "]\n";
    const std::pair<std::string_view, Change> rows[] = {{"Schlechter", Change::worse},
                                                        {"Besser", Change::better},
                                                        {"Unverändert", Change::same},
                                                        {"Neu", Change::added}};
    for (const auto& [label, change] : rows) {
        appendCount(out, label, summary.byChange[static_cast<std::size_t>(change)]);
    }
    appendCount(out, "Jetzt bereit", summary.becameReady);
    appendCount(out, "Nicht mehr gemeldet", reports.gone.size());
    std::vector<std::string> worse;
    for (const MachineReport& machine : reports.machines) {
        if (machine.change == Change::worse) {
            worse.push_back(machine.name + " (jetzt " + std::string(categoryText(machine.work.category)) + ")");
        }
    }
    std::sort(worse.begin(), worse.end(), [](const std::string& x, const std::string& y) { return naturalLess(x, y); });
    appendNames(out, sink, "[Schlechter geworden]", worse);
}

} // namespace

void writeFleetSummary(const FleetReports& reports, const FleetSummary& summary, const TextSink& sink)
{
    std::string out = "Quillbrook-Geräteübersicht\n";
    out += separatorLine(reportRuleFill);
    out += "\n\n";
    appendCount(out, "Rechner (lesbare Berichte)", summary.machines);
    appendCount(out, "Hardware nötig", categoryCount(summary, hardwareCategories));
    appendCount(out, "Nur Einstellungen", categoryCount(summary, {Category::firmware}));
    appendCount(out, "Vor Ort prüfen", categoryCount(summary, {Category::check}));
    appendCount(out, "Bereit", categoryCount(summary, {Category::ready}));
    appendCount(out, "Erwartete Rechner ohne Bericht", summary.missing);
    appendCount(out, "Nicht lesbare Dateien", summary.unreadable);
    appendCount(out, "Durch neuere ersetzte Berichte", summary.superseded);
    appendCount(out, "Namenskonflikte", summary.conflicts);
    if (reports.comparedWithPrevious) {
        appendChanges(out, sink, reports, summary);
    }

    out += "\n[Arbeitsliste]\n";
    for (const Category category : categories) {
        appendCount(out, categoryText(category), summary.byCategory[static_cast<std::size_t>(category)]);
    }
    for (std::size_t group = 0; group < reports.groups.size(); ++group) {
        out += "\n[Gruppe " + printableText(reports.groups[group]) + "]\n";
        for (const Category category : categories) {
            appendCount(out, categoryText(category), summary.byGroup[group][static_cast<std::size_t>(category)]);
        }
        appendCount(out, "Ohne Bericht", summary.missingByGroup[group]);
        handOn(out, sink);
    }

    out += "\n[Fehlgeschlagene Prüfungen]\n";
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        out += itemNameField(checkTable[check].name);
        out += " : " + std::to_string(summary.failuresByCheck[check]) + "\n";
    }
    if (!reports.unreadable.empty()) {
        out += "\n[Nicht lesbare Dateien]\n";
        for (const UnreadableReport& file : reports.unreadable) {
            appendUnreadable(out, file);
            handOn(out, sink);
        }
    }
    if (!reports.superseded.empty()) {
        out += "\n[Durch neuere ersetzte Berichte]\n";
        for (const SupersededReport& report : reports.superseded) {
            out += " - " + printableText(report.file) + " (" + printableText(report.name) + ")\n";
            handOn(out, sink);
        }
    }
    appendNames(out, sink, "[Erwartete Rechner ohne Bericht]", reports.missing);
    appendNames(out, sink, "[Nicht mehr gemeldet]", reports.gone);
    if (!reports.conflicts.empty()) {
        out += "\n[Namenskonflikte]\n";
        for (const NameConflict& conflict : reports.conflicts) {
            out += " - " + printableText(conflict.name) + ":\n";
            for (const std::string& file : conflict.files) {
                out += "     " + printableText(file) + "\n";
            }
            handOn(out, sink);
        }
    }
    appendNames(out, sink, "[Zeit nach dem Lauf]", reports.future);
    appendNames(out, sink, "[Nicht lesbare Inventare]", reports.unreadableInventory);
    handOn(out, sink, true);
}

} // namespace quill::fleet
