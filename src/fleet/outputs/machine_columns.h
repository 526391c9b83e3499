#pragma once

#include "fleet/outputs/fleet_output.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quill::fleet {

// What the CSV and the page show of each machine, declared once: the column's id, its headers,
// what its cell holds and, on the page, when it is shown. Each output lists the columns it shows
// in its own order (csvColumns, pageColumns).
enum class Column : std::uint8_t {
    name,
    machine, // the page's: the name with its marks below
    file,
    cpu,
    vendor,
    technical,
    official,
    exitCode,
    checks, // one cell per check of the checks table
    category,
    actions,
    stand,    // the CSV's time, which Excel takes as one
    timeZone, // the CSV's: the clock of that time, in a column of its own so the header never changes
    when,     // the page's time, as German writes it
    listing,
    change,
    memoryBytes,
    memoryGib, // the CSV's, beside the bytes: what a German spreadsheet reads as a number
    driveBytes,
    driveGib,
    sizes, // the page's: memory and system drive as German writes them
    group,
    model,
    serial,
    os,
    bitlocker,
    partitionStyle,
    marks,
    blockers,
    device, // the page's: the inventory in one cell
};

// One machine as a cell function sees it.
struct MachineRow {
    const FleetPlan& plan;
    const OutputContext& context;
    const MachineReport& machine;
};

// Where a cell's lines go: into the CSV's cell, " / " between them, or into the page's cell,
// escaped and " <br>" between them (the space parts them where print shows them on one line).
struct CellOut {
    std::string& out;
    bool page;
    bool first = true;
    std::string_view pageBreak = " <br>"; // between the page's lines

    void line(std::string_view text);
    // The page's: text in bold below the lines (a row's marks), beside them in print.
    void emphasis(std::string_view text);
};

struct ColumnDefinition {
    Column column;
    std::string_view csvHeader;  // "" where the CSV has no such column
    std::string_view pageHeader; // the text of the page's <th>, "" where the page has none
    std::string_view pageClass;  // the class of the page's <th>
    void (*cell)(const MachineRow& row, CellOut& out);
    // The class of the page's cell for this machine, or nullptr for none.
    std::string_view (*pageMark)(const MachineRow& row) = nullptr;
    // Whether the page shows the column at all; nullptr: always.
    bool (*pageShown)(const FleetPlan& plan) = nullptr;
    // The cell of an expected machine that sent no report, in the CSV; nullptr: empty.
    void (*missingCell)(const FleetPlan& plan, std::string_view name, CellOut& out) = nullptr;
    // The page's cell in markup of its own, where it shows other things on screen and in print;
    // nullptr: cell's lines.
    void (*pageCell)(const MachineRow& row, std::string& out) = nullptr;
};

const ColumnDefinition& definitionOf(Column column);

// The columns in the order each output shows them.
inline constexpr std::array<Column, 25> csvColumns = {
    Column::name,      Column::file,       Column::cpu,       Column::vendor,         Column::technical,
    Column::official,  Column::exitCode,   Column::checks,    Column::category,       Column::actions,
    Column::stand,     Column::timeZone,   Column::listing,   Column::change,         Column::memoryBytes,
    Column::memoryGib, Column::driveBytes, Column::driveGib,  Column::group,          Column::model,
    Column::serial,    Column::os,         Column::bitlocker, Column::partitionStyle, Column::marks};
inline constexpr std::array<Column, 13> pageColumns = {
    Column::machine,  Column::actions, Column::technical, Column::official, Column::cpu,
    Column::listing,  Column::sizes,   Column::when,      Column::change,   Column::group,
    Column::blockers, Column::device,  Column::file};

// The CSV's header cells, the checks' names in place of Column::checks; the same whatever the clock.
void appendCsvHeader(std::string& out);

// The CSV's cells of one machine, and of an expected machine without a report.
void appendCsvRow(std::string& out, const MachineRow& row, std::string& cellBuffer);
void appendCsvMissingRow(std::string& out, const FleetPlan& plan, std::string_view name, std::string& cellBuffer);

// The page's table head and one machine's row: on screen a cell may hold lines, printed the row
// is one line.
void appendPageHead(std::string& out, const FleetPlan& plan);
void appendPageRow(std::string& out, const MachineRow& row);

} // namespace quill::fleet
