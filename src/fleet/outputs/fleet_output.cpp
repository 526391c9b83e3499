#include "fleet/outputs/fleet_output.h"

namespace quill::fleet {
namespace {

// Large enough that the file is written in few calls, small beside any fleet worth streaming.
constexpr std::size_t pieceSize = std::size_t{64} * 1024;

std::string whole(const std::function<void(const TextSink&)>& write)
{
    std::string text;
    write([&text](std::string_view piece) { text += piece; });
    return text;
}

} // namespace

void handOn(std::string& out, const TextSink& sink, bool last)
{
    if (last || out.size() >= pieceSize) {
        sink(out);
        out.clear();
    }
}

std::string fleetSummaryText(const FleetPlan& plan, const OutputContext& context)
{
    return whole([&](const TextSink& sink) { writeFleetSummary(plan, context, sink); });
}

std::string fleetCsv(const FleetPlan& plan, const OutputContext& context)
{
    return whole([&](const TextSink& sink) { writeFleetCsv(plan, context, sink); });
}

std::string modelsCsv(const FleetPlan& plan)
{
    return whole([&](const TextSink& sink) { writeModelsCsv(plan, sink); });
}

std::string fleetJson(const FleetPlan& plan)
{
    return whole([&](const TextSink& sink) { writeFleetJson(plan, sink); });
}

std::string fleetHtml(const FleetPlan& plan, const OutputContext& context)
{
    return whole([&](const TextSink& sink) { writeFleetHtml(plan, context, sink); });
}

} // namespace quill::fleet
