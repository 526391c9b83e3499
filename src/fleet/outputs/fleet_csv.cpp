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

// The cell as shown: what is already plain printable ASCII, nearly every cell, is not copied.
void appendShown(std::string& out, std::string_view text)
{
    // ',' and tab as well: a spreadsheet that splits at either would otherwise cut the cell, and
    // what follows the cut would start a cell of its own, a formula perhaps.
    const bool quoted = std::any_of(text.begin(), text.end(), [](char c) {
        return c == ';' || c == ',' || c == '\t' || c == '"' || c == '\r' || c == '\n';
    });
    out += quoted ? "\"" : "";
    out += looksLikeFormula(text) ? "'" : "";
    if (!quoted) {
        out += text;
        return;
    }
    for (const char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

void appendCell(std::string& out, std::string_view cell)
{
    // The reader lets no control character through; should one come all the same, it is no
    // escape sequence for whoever views the file in a terminal.
    if (isPrintableAscii(cell)) {
        appendShown(out, cell);
    } else {
        appendShown(out, printableText(validUtf8(cell)));
    }
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

// Written cell by cell into the file: a fleet has thousands of rows.
void appendMachineRow(std::string& out, const FleetReports& reports, const MachineReport& machine)
{
    bool first = true;
    const auto cell = [&out, &first](std::string_view text) {
        out += first ? "" : ";";
        first = false;
        appendCell(out, text);
    };
    const Assessment& a = machine.assessment;
    cell(machine.name);
    cell(machine.file);
    cell(a.brand);
    cell(a.vendor);
    cell(verdictWord(a.technicallyCompatible));
    cell(verdictWord(a.officiallyCompatible));
    cell(std::to_string(exitCodeOf(a)));
    for (const CheckDefinition& check : checkTable) {
        const CheckItem* item = findCheck(a, check.name);
        cell(item != nullptr ? checkCell(*item) : std::string());
    }
    std::string actions;
    for (const Action action : machine.work.actions) {
        actions += (actions.empty() ? "" : " / ") + std::string(actionText(action));
    }
    cell(categoryText(machine.work.category));
    cell(actions);
    cell(standText(machine.reportTime, reports.utcOffset));
    cell(listingText(machine.work.processorOnList));
    cell(machine.change ? changeText(*machine.change) : std::string_view());
    cell(byteCell(memoryBytes(a)));
    cell(byteCell(systemDriveBytes(a)));
    cell(groupOf(reports, machine.name));
    for (const std::string& inventory : inventoryCells(machine)) {
        cell(inventory);
    }
    cell(machineMarks(machine));
    out += "\r\n";
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
        appendMachineRow(out, reports, machine);
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
