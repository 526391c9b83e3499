#include "core/verdicts.h"
#include "fleet/fleet_output.h"

namespace quill::fleet {
namespace {

// A cell that starts like a formula is run as one by spreadsheet programs. Names, brands
// and details come from the machines, so such a cell gets a leading apostrophe and stays text.
bool looksLikeFormula(std::string_view cell)
{
    return !cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
}

void appendCell(std::string& out, std::string_view cell)
{
    std::string text = looksLikeFormula(cell) ? "'" + std::string(cell) : std::string(cell);
    if (text.find_first_of(";\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

void appendRow(std::string& out, const std::vector<std::string>& cells)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i != 0) {
            out += ';';
        }
        appendCell(out, cells[i]);
    }
    out += "\r\n";
}

std::vector<std::string> machineRow(const MachineReport& machine)
{
    const Assessment& a = machine.assessment;
    std::vector<std::string> cells = {machine.name,
                                      machine.file,
                                      a.brand,
                                      a.vendor,
                                      std::string(verdictWord(a.technicallyCompatible)),
                                      std::string(verdictWord(a.officiallyCompatible)),
                                      std::to_string(exitCodeOf(a))};
    for (const CheckDefinition& check : checkTable) {
        const CheckItem* item = findCheck(a, check.name);
        cells.push_back(item != nullptr ? checkCell(*item) : std::string());
    }
    cells.emplace_back();
    return cells;
}

} // namespace

std::string fleetCsv(const FleetReports& reports)
{
    std::string out = "\xEF\xBB\xBF";
    std::vector<std::string> header = {
        "Rechner", "Datei", "CPU", "Vendor", "Technisch kompatibel", "Offiziell kompatibel", "Exit-Code"};
    for (const CheckDefinition& check : checkTable) {
        header.emplace_back(check.name);
    }
    header.emplace_back("Kategorie");
    appendRow(out, header);
    for (const MachineReport& machine : reports.machines) {
        appendRow(out, machineRow(machine));
    }
    // An expected machine without a report is a row of its own, so a filter on the category finds it.
    for (const std::string& name : reports.missing) {
        std::vector<std::string> cells(header.size());
        cells.front() = name;
        cells.back() = "kein Bericht";
        appendRow(out, cells);
    }
    return out;
}

} // namespace quill::fleet
