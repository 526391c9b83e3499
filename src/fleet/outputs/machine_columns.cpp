#include "fleet/outputs/machine_columns.h"

#include "core/enum_table.h"
#include "core/verdicts.h"
#include "fleet/outputs/cell_text.h"
#include "fleet/outputs/inventory_cells.h"
#include "fleet/outputs/report_time.h"
#include "fleet/outputs/step_codes.h"

namespace quill::fleet {
namespace {

const Assessment& assessment(const MachineRow& row)
{
    return row.machine.assessment;
}

std::string byteCell(const std::optional<std::uint64_t>& bytes)
{
    return bytes ? std::to_string(*bytes) : std::string();
}

void inventoryLine(const MachineRow& row, std::size_t field, CellOut& out)
{
    out.line(inventoryCells(row.machine)[field]);
}

// The blockers as the report words them but for a size's decimal comma; a TBS code gets its
// meaning beside it, for the reader who does not know the codes.
void blockerLines(const MachineRow& row, CellOut& out)
{
    for (const CheckList* items : {&assessment(row).technicalChecks, &assessment(row).officialChecks}) {
        for (const CheckItem& item : *items) {
            if (item.passed) {
                continue;
            }
            const std::string line = item.detail.empty() ? item.name : item.name + " - " + germanDetail(item);
            const std::string_view meaning = tbsErrorMeaning(item);
            out.line(meaning.empty() ? line : line + " – " + std::string(meaning));
        }
    }
}

void actionLines(const MachineRow& row, CellOut& out)
{
    for (const Action action : row.machine.work.actions) {
        out.line(rowOf(action).text);
    }
}

// The steps in words on screen, as their codes in print, where a machine takes one line.
void actionsOnPage(const MachineRow& row, std::string& out)
{
    const std::vector<Action>& actions = row.machine.work.actions;
    if (actions.empty()) {
        return;
    }
    out += "<span class='w'>";
    CellOut words{out, true};
    actionLines(row, words);
    out += "</span><span class='k'>";
    for (const Action action : actions) {
        out += action == actions.front() ? "" : " ";
        out += stepCode(action);
    }
    out += "</span>";
}

// The inventory in one cell, a line each, so the page's table stays as wide as it was.
void deviceLines(const MachineRow& row, CellOut& out)
{
    if (!row.machine.inventory) {
        return;
    }
    const std::array<std::string, 5> cells = inventoryCells(row.machine);
    const std::string lines[] = {cells[0], cells[1].empty() ? "" : "S/N " + cells[1], cells[2],
                                 "BitLocker " + cells[3] + ", " + cells[4]};
    for (const std::string& line : lines) {
        if (!line.empty()) {
            out.line(line);
        }
    }
}

// Printed, the device is its model: the other lines stay on the screen.
void deviceOnPage(const MachineRow& row, std::string& out)
{
    std::string lines;
    CellOut cell{lines, true};
    deviceLines(row, cell);
    const std::size_t more = lines.find(cell.pageBreak); // escaped text holds no markup
    out.append(lines, 0, more);
    if (more != std::string::npos) {
        out += "<span class='w'>";
        out.append(lines, more);
        out += "</span>";
    }
}

// Printed, the day is enough: the time of day stays on the screen.
void dateOnPage(const MachineRow& row, std::string& out)
{
    const std::string time = germanTime(row.machine.reportTime, row.context.utcOffset);
    const std::size_t clock = time.find(' ');
    out.append(time, 0, clock);
    if (clock != std::string::npos) {
        out += "<span class='w'>";
        out.append(time, clock);
        out += "</span>";
    }
}

std::string_view verdictMark(bool value)
{
    return value ? "v yes" : "v no";
}

bool comparedWithPrevious(const FleetPlan& plan)
{
    return plan.comparedWithPrevious;
}

bool hasGroups(const FleetPlan& plan)
{
    return !plan.groups.empty();
}

// Text a machine wrote may break anywhere where it is longer than its cell, German words never;
// printed, the name may take a second line, other such text is cut short.
std::string_view nameMark(const MachineRow& /*row*/)
{
    return "name";
}

std::string_view machineTextMark(const MachineRow& /*row*/)
{
    return "mt";
}

// Printed, a machine takes one line: its steps stand for its blockers there, and its name for its file.
std::string_view blockersMark(const MachineRow& /*row*/)
{
    return "blockers";
}

std::string_view fileMark(const MachineRow& /*row*/)
{
    return "mt file";
}

// clang-format off
constexpr std::array<ColumnDefinition, 30> columnTable = {{
    {Column::name, "Rechner", "", "", [](const MachineRow& r, CellOut& out) { out.line(r.machine.name); },
     nullptr, nullptr, [](const FleetPlan&, std::string_view name, CellOut& out) { out.line(name); }},
    {Column::machine, "", "Rechner", "name",
     [](const MachineRow& r, CellOut& out) {
         out.line(r.machine.name);
         out.emphasis(machineMarks(r.machine));
     },
     nameMark},
    {Column::file, "Datei", "Datei", "file", [](const MachineRow& r, CellOut& out) { out.line(r.machine.file); },
     fileMark},
    {Column::cpu, "CPU", "CPU", "cpu", [](const MachineRow& r, CellOut& out) { out.line(assessment(r).brand); },
     machineTextMark},
    {Column::vendor, "Vendor", "", "", [](const MachineRow& r, CellOut& out) { out.line(assessment(r).vendor); }},
    {Column::technical, "Technisch kompatibel", "Technisch", "v",
     [](const MachineRow& r, CellOut& out) { out.line(verdictWord(assessment(r).technicallyCompatible)); },
     [](const MachineRow& r) { return verdictMark(assessment(r).technicallyCompatible); }},
    {Column::official, "Offiziell kompatibel", "Offiziell", "v",
     [](const MachineRow& r, CellOut& out) { out.line(verdictWord(assessment(r).officiallyCompatible)); },
     [](const MachineRow& r) { return verdictMark(assessment(r).officiallyCompatible); }},
    {Column::exitCode, "Exit-Code", "", "",
     [](const MachineRow& r, CellOut& out) { out.line(std::to_string(exitCodeOf(assessment(r)))); }},
    {Column::checks, "", "", "", nullptr},
    {Column::category, "Kategorie", "", "",
     [](const MachineRow& r, CellOut& out) { out.line(rowOf(r.machine.work.category).text); },
     nullptr, nullptr, [](const FleetPlan&, std::string_view, CellOut& out) { out.line("kein Bericht"); }},
    {Column::actions, "Maßnahmen", "Maßnahmen", "acts", actionLines, nullptr, nullptr, nullptr, actionsOnPage},
    {Column::stand, "Stand", "", "",
     [](const MachineRow& r, CellOut& out) { out.line(standText(r.machine.reportTime, r.context.utcOffset)); }},
    {Column::timeZone, "Zeitzone", "", "",
     [](const MachineRow& r, CellOut& out) { out.line(offsetText(r.context.utcOffset)); }},
    {Column::when, "", "Stand", "when",
     [](const MachineRow& r, CellOut& out) { out.line(germanTime(r.machine.reportTime, r.context.utcOffset)); },
     [](const MachineRow&) { return std::string_view("when"); }, nullptr, nullptr, dateOnPage},
    {Column::listing, "Prozessor auf der Liste", "CPU auf der Liste", "listed",
     [](const MachineRow& r, CellOut& out) { out.line(rowOf(r.machine.work.processorOnList).text); },
     [](const MachineRow& r) { return rowOf(r.machine.work.processorOnList).mark; }},
    {Column::change, "Änderung", "Änderung", "change",
     [](const MachineRow& r, CellOut& out) {
         if (r.machine.change) {
             out.line(rowOf(*r.machine.change).text);
         }
     },
     [](const MachineRow& r) { return std::string_view(r.machine.change == Change::worse ? "no" : ""); },
     comparedWithPrevious},
    {Column::memoryBytes, "RAM (Byte)", "", "",
     [](const MachineRow& r, CellOut& out) { out.line(byteCell(memoryBytes(assessment(r)))); }},
    {Column::memoryGib, "RAM (GiB)", "", "",
     [](const MachineRow& r, CellOut& out) { out.line(gibFigure(memoryBytes(assessment(r)))); }},
    {Column::driveBytes, "Systemlaufwerk (Byte)", "", "",
     [](const MachineRow& r, CellOut& out) { out.line(byteCell(systemDriveBytes(assessment(r)))); }},
    {Column::driveGib, "Systemlaufwerk (GiB)", "", "",
     [](const MachineRow& r, CellOut& out) { out.line(gibFigure(systemDriveBytes(assessment(r)))); }},
    {Column::sizes, "", "RAM <br>Laufwerk", "sz",
     [](const MachineRow& r, CellOut& out) {
         out.line(gibText(memoryBytes(assessment(r))));
         out.line(gibText(systemDriveBytes(assessment(r))));
     },
     [](const MachineRow&) { return std::string_view("v"); }},
    {Column::group, "Gruppe", "Gruppe", "grp",
     [](const MachineRow& r, CellOut& out) { out.line(groupOf(r.plan, r.machine.name)); }, nullptr, hasGroups,
     [](const FleetPlan& plan, std::string_view name, CellOut& out) { out.line(groupOf(plan, name)); }},
    {Column::model, "Modell", "", "", [](const MachineRow& r, CellOut& out) { inventoryLine(r, 0, out); }},
    {Column::serial, "Seriennummer", "", "", [](const MachineRow& r, CellOut& out) { inventoryLine(r, 1, out); }},
    {Column::os, "Betriebssystem", "", "", [](const MachineRow& r, CellOut& out) { inventoryLine(r, 2, out); }},
    {Column::bitlocker, "BitLocker", "", "", [](const MachineRow& r, CellOut& out) { inventoryLine(r, 3, out); }},
    {Column::partitionStyle, "Partitionsstil", "", "",
     [](const MachineRow& r, CellOut& out) { inventoryLine(r, 4, out); }},
    {Column::marks, "Hinweise", "", "", [](const MachineRow& r, CellOut& out) { out.line(machineMarks(r.machine)); }},
    {Column::blockers, "", "Blocker", "blockers", blockerLines, blockersMark},
    {Column::device, "", "Gerät", "dev", deviceLines, machineTextMark, nullptr, nullptr, deviceOnPage},
}};
// clang-format on

static_assert(isInEnumOrder(columnTable, &ColumnDefinition::column), "columnTable lists the columns in enum order");

// Appends what the cell function gives as one CSV cell.
template <typename Write>
void appendCsvCellOf(std::string& out, std::string& buffer, const Write& write)
{
    buffer.clear();
    CellOut cell{buffer, false};
    write(cell);
    appendCsvCell(out, buffer);
}

} // namespace

void CellOut::line(std::string_view text)
{
    if (!first) {
        out += page ? pageBreak : " / ";
    }
    first = false;
    if (page) {
        appendHtmlEscaped(out, text);
    } else {
        out += text;
    }
}

void CellOut::emphasis(std::string_view text)
{
    if (!text.empty()) {
        out += " <strong class='mk'>";
        appendHtmlEscaped(out, text); // an inventory's computer name among them
        out += "</strong>";
    }
}

const ColumnDefinition& definitionOf(Column column)
{
    return columnTable[static_cast<std::size_t>(column)];
}

void appendCsvHeader(std::string& out)
{
    bool first = true;
    const auto header = [&out, &first](std::string_view text) {
        out += first ? "" : ";";
        first = false;
        appendCsvCell(out, text);
    };
    for (const Column column : csvColumns) {
        if (column == Column::checks) {
            for (const CheckDefinition& check : checkTable) {
                header(check.name);
            }
        } else {
            header(definitionOf(column).csvHeader);
        }
    }
    out += "\r\n";
}

void appendCsvRow(std::string& out, const MachineRow& row, std::string& cellBuffer)
{
    bool first = true;
    for (const Column column : csvColumns) {
        if (column == Column::checks) {
            for (const CheckDefinition& check : checkTable) {
                out += first ? "" : ";";
                first = false;
                const CheckItem* item = findCheck(assessment(row), check.name);
                appendCsvCell(out, item != nullptr ? checkCell(*item) : std::string());
            }
            continue;
        }
        out += first ? "" : ";";
        first = false;
        appendCsvCellOf(out, cellBuffer, [&](CellOut& cell) { definitionOf(column).cell(row, cell); });
    }
    out += "\r\n";
}

void appendCsvMissingRow(std::string& out, const FleetPlan& plan, std::string_view name, std::string& cellBuffer)
{
    bool first = true;
    for (const Column column : csvColumns) {
        const std::size_t cells = column == Column::checks ? checkTable.size() : 1;
        for (std::size_t i = 0; i < cells; ++i) {
            out += first ? "" : ";";
            first = false;
            const auto missing = definitionOf(column).missingCell;
            appendCsvCellOf(out, cellBuffer, [&](CellOut& cell) {
                if (missing != nullptr) {
                    missing(plan, name, cell);
                }
            });
        }
    }
    out += "\r\n";
}

void appendPageHead(std::string& out, const FleetPlan& plan)
{
    out += "<table class='m'>\n<thead><tr>";
    for (const Column column : pageColumns) {
        const ColumnDefinition& definition = definitionOf(column);
        if (definition.pageShown == nullptr || definition.pageShown(plan)) {
            out += "<th class='";
            out += definition.pageClass;
            out += "'>";
            out += definition.pageHeader;
            out += "</th>";
        }
    }
    out += "</tr></thead>\n<tbody>\n";
}

void appendPageRow(std::string& out, const MachineRow& row)
{
    out += "<tr>";
    for (const Column column : pageColumns) {
        const ColumnDefinition& definition = definitionOf(column);
        if (definition.pageShown != nullptr && !definition.pageShown(row.plan)) {
            continue;
        }
        const std::string_view mark = definition.pageMark != nullptr ? definition.pageMark(row) : std::string_view();
        out += mark.empty() ? "<td>" : "<td class='" + std::string(mark) + "'>";
        if (definition.pageCell != nullptr) {
            definition.pageCell(row, out);
        } else {
            CellOut cell{out, true};
            definition.cell(row, cell);
        }
        out += "</td>";
    }
    out += "</tr>\n";
}

} // namespace quill::fleet
