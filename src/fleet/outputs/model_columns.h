#pragma once

#include "fleet/outputs/machine_columns.h"

#include <string>
#include <string_view>

namespace quill::fleet {

// The plan by model as the page and the second CSV show it, each column declared once.
struct ModelColumn {
    std::string_view header;
    std::string_view pageClass; // of the page's cells
    void (*cell)(const ModelWork& row, CellOut& out);
};

// The model as people name it: maker and friendly name ("Lenovo ThinkPad T480"), "Modell unbekannt"
// where the inventory knows neither, "ohne Inventar" for the machines without one; its invisible
// and bidi characters shown as names show them.
std::string modelLabel(const ModelWork& row);

// The second CSV's header and one row of it, as the first CSV writes them.
void appendModelCsvHeader(std::string& out);
void appendModelCsvRow(std::string& out, const ModelWork& row, std::string& cellBuffer);

// The page's table of the rows, or nothing where there are none.
void appendModelPageTable(std::string& out, const FleetSummary& summary);

} // namespace quill::fleet
