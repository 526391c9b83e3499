#include "fleet/outputs/model_columns.h"

#include "core/inventory_format.h"
#include "fleet/outputs/cell_text.h"
#include "fleet/plan/machine_names.h"

#include <array>

namespace quill::fleet {
namespace {

constexpr std::array<ModelColumn, 4> modelColumns = {{
    {"Modell", "mt", [](const ModelWork& row, CellOut& out) { out.line(modelLabel(row)); }},
    {"Anzahl", "count", [](const ModelWork& row, CellOut& out) { out.line(std::to_string(row.machines)); }},
    {"Kategorie", "", [](const ModelWork& row, CellOut& out) { out.line(rowOf(row.category).text); }},
    {"Maßnahmen", "",
     [](const ModelWork& row, CellOut& out) {
         for (const Action action : row.actions) {
             out.line(rowOf(action).text);
         }
     }},
}};

} // namespace

std::string modelLabel(const ModelWork& row)
{
    if (!row.inventory) {
        return "ohne Inventar";
    }
    const std::string name = makerAndModel(row.manufacturer, row.model);
    return name.empty() ? "Modell unbekannt" : shownText(name);
}

void appendModelCsvHeader(std::string& out)
{
    for (const ModelColumn& column : modelColumns) {
        out += &column == &modelColumns.front() ? "" : ";";
        appendCsvCell(out, column.header);
    }
    out += "\r\n";
}

void appendModelCsvRow(std::string& out, const ModelWork& row, std::string& cellBuffer)
{
    for (const ModelColumn& column : modelColumns) {
        out += &column == &modelColumns.front() ? "" : ";";
        cellBuffer.clear();
        CellOut cell{cellBuffer, false};
        column.cell(row, cell);
        appendCsvCell(out, cellBuffer);
    }
    out += "\r\n";
}

void appendModelPageTable(std::string& out, const FleetSummary& summary)
{
    if (summary.byModel.empty()) {
        return;
    }
    out += "<table class='models'>\n<thead><tr>";
    for (const ModelColumn& column : modelColumns) {
        out += "<th>";
        out += column.header;
        out += "</th>";
    }
    out += "</tr></thead>\n<tbody>\n";
    for (const ModelWork& row : summary.byModel) {
        out += "<tr>";
        for (const ModelColumn& column : modelColumns) {
            out += column.pageClass.empty() ? "<td>" : "<td class='" + std::string(column.pageClass) + "'>";
            CellOut cell{out, true, true, " → "}; // the steps in one line, in their order
            column.cell(row, cell);
            out += "</td>";
        }
        out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n";
}

} // namespace quill::fleet
