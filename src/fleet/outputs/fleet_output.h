#pragma once

#include "fleet/plan/fleet_plan.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// Each output is composed from the plan and handed to a sink in pieces of a few dozen KiB as it
// grows: a fleet's JSON is more than a KiB a machine, and held whole it would cost more memory
// than the machines themselves. The sink puts it somewhere.
using TextSink = std::function<void(std::string_view)>;

// What the outputs say about their own making: when (nanoseconds since 1970 UTC), the clock their
// times are shown in (seconds from UTC, the local one at the start), and from which PATHs.
struct OutputContext {
    std::int64_t generatedAt = 0;
    std::int64_t utcOffset = 0;
    std::vector<std::string> paths;
};

// The German summary for standard output: counts, failures by check, unreadable files. Handed
// on in pieces too: a list of many groups or unreadable files makes it tens of MB.
void writeFleetSummary(const FleetPlan& plan, const OutputContext& context, const TextSink& sink);

// One row per readable machine, for Excel in a German locale: UTF-8 with byte-order mark,
// ';' between cells, CR LF between rows, RFC 4180 quoting.
void writeFleetCsv(const FleetPlan& plan, const OutputContext& context, const TextSink& sink);

// One row per model, category and steps (FleetSummary::byModel), in the same format: what a
// firmware push or an order per model covers.
void writeModelsCsv(const FleetPlan& plan, const TextSink& sink);

// The summary, the plan by model, the machines and the lists as one JSON document.
void writeFleetJson(const FleetPlan& plan, const TextSink& sink);

// A self-contained HTML page: no scripts, no external files; every number in the markup. The
// machines are grouped by category, in natural name order within each; it prints on A4 landscape.
void writeFleetHtml(const FleetPlan& plan, const OutputContext& context, const TextSink& sink);

// The outputs whole.
std::string fleetSummaryText(const FleetPlan& plan, const OutputContext& context);
std::string fleetCsv(const FleetPlan& plan, const OutputContext& context);
std::string modelsCsv(const FleetPlan& plan);
std::string fleetJson(const FleetPlan& plan);
std::string fleetHtml(const FleetPlan& plan, const OutputContext& context);

// Hands out to sink and empties it once it has grown past a few dozen KiB; always when last.
void handOn(std::string& out, const TextSink& sink, bool last = false);

} // namespace quill::fleet
