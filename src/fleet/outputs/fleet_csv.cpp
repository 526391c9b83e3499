#include "core/printable_text.h"
#include "core/utf8_text.h"
#include "core/verdicts.h"
#include "fleet/outputs/fleet_output.h"
#include "fleet/outputs/inventory_cells.h"
#include "fleet/outputs/report_time.h"

#include <algorithm>

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
    const bool ascii =
        std::all_of(cell.begin(), cell.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    // The reader lets no control character through; should one come all the same, it is no
    // escape sequence for whoever views the file in a terminal.
    std::string text = printableText(ascii ? cell : validUtf8(cell));
    if (looksLikeFormula(text)) {
        text.insert(0, 1, '\'');
    }
    // ',' and tab as well: a spreadsheet that splits at either would otherwise cut the cell, and
    // what follows the cut would start a cell of its own, a formula perhaps.
    if (text.find_first_of(";,\t\"\r\n") == std::string::npos) {
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

std::string byteCell(const std::optional<std::uint64_t>& bytes)
{
    return bytes ? std::to_string(*bytes) : std::string();
}

std::vector<std::string> machineRow(const FleetReports& reports, const MachineReport& machine)
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
    std::string actions;
    for (const Action action : machine.work.actions) {
        actions += (actions.empty() ? "" : " / ") + std::string(actionText(action));
    }
    cells.emplace_back(categoryText(machine.work.category));
    cells.push_back(std::move(actions));
    cells.push_back(standText(machine.reportTime, reports.utcOffset));
    cells.emplace_back(listingText(machine.work.processorOnList));
    cells.emplace_back(machine.change ? changeText(*machine.change) : std::string_view());
    cells.push_back(byteCell(memoryBytes(a)));
    cells.push_back(byteCell(systemDriveBytes(a)));
    cells.emplace_back(groupOf(reports, machine.name));
    for (std::string& cell : inventoryCells(machine)) {
        cells.push_back(std::move(cell));
    }
    cells.push_back(machineMarks(machine));
    return cells;
}

} // namespace

void writeFleetCsv(const FleetReports& reports, const TextSink& sink)
{
    std::string out = "\xEF\xBB\xBF";
    std::vector<std::string> header = {
        "Rechner", "Datei", "CPU", "Vendor", "Technisch kompatibel", "Offiziell kompatibel", "Exit-Code"};
    for (const CheckDefinition& check : checkTable) {
        header.emplace_back(check.name);
    }
    const std::size_t categoryColumn = header.size();
    for (const char* column : {"Kategorie", "Maßnahmen", "Stand", "Prozessor auf der Liste", "Änderung", "RAM (Byte)",
                               "Systemlaufwerk (Byte)", "Gruppe"}) {
        header.emplace_back(column);
    }
    header[categoryColumn + 2] = "Stand (" + offsetText(reports.utcOffset) + ")";
    const std::size_t groupColumn = header.size() - 1;
    header.insert(header.end(), inventoryHeaders.begin(), inventoryHeaders.end());
    header.emplace_back("Hinweise");
    appendRow(out, header);
    for (const MachineReport& machine : reports.machines) {
        appendRow(out, machineRow(reports, machine));
        handOn(out, sink);
    }
    // An expected machine without a report is a row of its own, so a filter on the category finds it.
    for (const std::string& name : reports.missing) {
        std::vector<std::string> cells(header.size());
        cells.front() = name;
        cells[categoryColumn] = "kein Bericht";
        cells[groupColumn] = groupOf(reports, name);
        appendRow(out, cells);
    }
    handOn(out, sink, true);
}

} // namespace quill::fleet
