#include "core/printable_text.h"
#include "core/report_layout.h"
#include "fleet/fleet_output.h"

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

} // namespace

std::string fleetSummaryText(const FleetReports& reports, const FleetSummary& summary)
{
    std::string out = "Quillbrook-Flottenuebersicht\n";
    out += separatorLine(reportRuleFill);
    out += "\n\n";
    appendCount(out, "Rechner (lesbare Berichte)", summary.machines);
    appendCount(out, "Offiziell kompatibel (Code 0)", summary.officiallyCompatible);
    appendCount(out, "Nur technisch kompatibel (Code 1)", summary.technicallyCompatibleOnly);
    appendCount(out, "  davon nur Firmware-Einstellungen", summary.firmwareSettingsOnly);
    appendCount(out, "  davon TPM 2.0 fehlt", summary.tpmMissing);
    appendCount(out, "Nicht technisch kompatibel (Code 2)", summary.notCompatible);
    appendCount(out, "Nicht lesbare Dateien", summary.unreadable);
    appendCount(out, "Erwartete Rechner ohne Bericht", summary.missing);

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
    if (!reports.missing.empty()) {
        out += "\n[Erwartete Rechner ohne Bericht]\n";
        for (const std::string& name : reports.missing) {
            out += " - " + printableText(name) + "\n";
        }
    }
    return out;
}

} // namespace quill::fleet
