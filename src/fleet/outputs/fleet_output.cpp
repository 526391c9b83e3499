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

std::string fleetSummaryText(const FleetReports& reports, const FleetSummary& summary)
{
    return whole([&](const TextSink& sink) { writeFleetSummary(reports, summary, sink); });
}

std::string fleetCsv(const FleetReports& reports)
{
    return whole([&](const TextSink& sink) { writeFleetCsv(reports, sink); });
}

std::string fleetJson(const FleetReports& reports, const FleetSummary& summary)
{
    return whole([&](const TextSink& sink) { writeFleetJson(reports, summary, sink); });
}

std::string fleetHtml(const FleetReports& reports, const FleetSummary& summary, const PageContext& page)
{
    return whole([&](const TextSink& sink) { writeFleetHtml(reports, summary, page, sink); });
}

} // namespace quill::fleet
