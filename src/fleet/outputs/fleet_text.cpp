#include "core/printable_text.h"
#include "core/report_layout.h"
#include "fleet/outputs/fleet_output.h"

namespace quill::fleet {
namespace {

// The longest count label, "Nicht technisch kompatibel (Code 2)", and one space.
constexpr std::size_t countLabelWidth = 36;

void appendCount(std::string& out, std::string_view label, std::size_t count)
{
    appendPadded(out, label, countLabelWidth);
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

void appendNames(std::string& out, std::string_view title, const std::vector<std::string>& names)
{
    if (names.empty()) {
        return;
    }
    out += "\n";
    out += title;
    out += "\n";
    for (const std::string& name : names) {
        out += " - " + printableText(name) + "\n";
    }
}

void appendChanges(std::string& out, const FleetReports& reports, const FleetSummary& summary)
{
    out += "\n[Seit der frueheren Sammlung]\n";
    appendCount(out, "Jetzt bereit", summary.becameReady);
    const std::pair<std::string_view, Change> rows[] = {{"Besser", Change::better},
                                                        {"Schlechter", Change::worse},
                                                        {"Unveraendert", Change::same},
                                                        {"Neu", Change::added}};
    for (const auto& [label, change] : rows) {
        appendCount(out, label, summary.byChange[static_cast<std::size_t>(change)]);
    }
    appendCount(out, "Nicht mehr gemeldet", reports.gone.size());
}

} // namespace

std::string fleetSummaryText(const FleetReports& reports, const FleetSummary& summary)
{
    std::string out = "Quillbrook-Flottenuebersicht\n";
    out += separatorLine(reportRuleFill);
    out += "\n\n";
    appendCount(out, "Rechner (lesbare Berichte)", summary.machines);
    appendCount(out, "Offiziell kompatibel (Code 0)", summary.officiallyCompatible);
    appendCount(out, "  davon CPU nicht auf der Liste", summary.processorNotOnList);
    appendCount(out, "Nur technisch kompatibel (Code 1)", summary.technicallyCompatibleOnly);
    appendCount(out, "  davon nur Firmware-Einstellungen", summary.firmwareSettingsOnly);
    appendCount(out, "  davon TPM 2.0 fehlt", summary.tpmMissing);
    appendCount(out, "Nicht technisch kompatibel (Code 2)", summary.notCompatible);
    appendCount(out, "Nicht lesbare Dateien", summary.unreadable);
    appendCount(out, "Erwartete Rechner ohne Bericht", summary.missing);
    appendCount(out, "Durch neuere ersetzte Berichte", summary.superseded);
    appendCount(out, "Namenskonflikte", summary.conflicts);

    out += "\n[Arbeitsliste]\n";
    for (const Category category : categories) {
        appendCount(out, categoryText(category), summary.byCategory[static_cast<std::size_t>(category)]);
    }
    if (reports.comparedWithPrevious) {
        appendChanges(out, reports, summary);
    }

    out += "\n[Fehlgeschlagene Pruefungen]\n";
    for (std::size_t check = 0; check < checkTable.size(); ++check) {
        out += itemNameField(checkTable[check].name);
        out += " : " + std::to_string(summary.failuresByCheck[check]) + "\n";
    }
    if (!reports.unreadable.empty()) {
        out += "\n[Nicht lesbare Dateien]\n";
        for (const UnreadableReport& file : reports.unreadable) {
            appendUnreadable(out, file);
        }
    }
    if (!reports.superseded.empty()) {
        out += "\n[Durch neuere ersetzte Berichte]\n";
        for (const SupersededReport& report : reports.superseded) {
            out += " - " + printableText(report.file) + " (" + printableText(report.name) + ")\n";
        }
    }
    appendNames(out, "[Erwartete Rechner ohne Bericht]", reports.missing);
    appendNames(out, "[Nicht mehr gemeldet]", reports.gone);
    if (!reports.conflicts.empty()) {
        out += "\n[Namenskonflikte]\n";
        for (const NameConflict& conflict : reports.conflicts) {
            out += " - " + printableText(conflict.name) + ":\n";
            for (const std::string& file : conflict.files) {
                out += "     " + printableText(file) + "\n";
            }
        }
    }
    appendNames(out, "[Zeit nach dem Lauf]", reports.future);
    appendNames(out, "[Nicht lesbare Inventare]", reports.unreadableInventory);
    return out;
}

} // namespace quill::fleet
