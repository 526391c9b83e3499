#pragma once

#include "fleet/fleet_summary.h"

#include <string>

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

// A self-contained HTML page: no scripts, no external files; every number in the markup.
std::string fleetHtml(const FleetReports& reports, const FleetSummary& summary);

} // namespace quill::fleet
