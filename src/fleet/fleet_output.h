#pragma once

#include "fleet/fleet_summary.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quill::fleet {

// Each output is composed whole from the reports and their summary; writing it somewhere
// is the caller's one step.

// The German summary for standard output: counts, failures by check, unreadable files.
std::string fleetSummaryText(const FleetReports& reports, const FleetSummary& summary);

// One row per readable machine, for Excel in a German locale: UTF-8 with byte-order mark,
// ';' between cells, CR LF between rows, RFC 4180 quoting.
std::string fleetCsv(const FleetReports& reports);

// The summary, the machines and the unreadable files as one JSON document.
std::string fleetJson(const FleetReports& reports, const FleetSummary& summary);

// What the page says about its own making: when (nanoseconds since 1970 UTC) and from which PATHs.
struct PageContext {
    std::int64_t generatedAt = 0;
    std::vector<std::string> paths;
};

// A self-contained HTML page: no scripts, no external files; every number in the markup. The
// machines are grouped by category, in natural name order within each; it prints on A4 landscape.
std::string fleetHtml(const FleetReports& reports, const FleetSummary& summary, const PageContext& page);

} // namespace quill::fleet
