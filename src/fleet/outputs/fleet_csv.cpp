#include "fleet/outputs/fleet_output.h"
#include "fleet/outputs/machine_columns.h"
#include "fleet/outputs/model_columns.h"

namespace quill::fleet {

void writeFleetCsv(const FleetPlan& plan, const OutputContext& context, const TextSink& sink)
{
    std::string out = "\xEF\xBB\xBF";
    appendCsvHeader(out);
    // Cells are composed here first and quoted as a whole; one buffer serves them all.
    std::string cell;
    for (const MachineReport& machine : plan.machines) {
        appendCsvRow(out, MachineRow{plan, context, machine}, cell);
        handOn(out, sink);
    }
    // An expected machine without a report is a row of its own, so a filter on the category finds it.
    for (const std::string& name : plan.missing) {
        appendCsvMissingRow(out, plan, name, cell);
    }
    handOn(out, sink, true);
}

void writeModelsCsv(const FleetPlan& plan, const TextSink& sink)
{
    std::string out = "\xEF\xBB\xBF";
    appendModelCsvHeader(out);
    std::string cell;
    for (const ModelWork& row : plan.summary.byModel) {
        appendModelCsvRow(out, row, cell);
        handOn(out, sink);
    }
    handOn(out, sink, true);
}

} // namespace quill::fleet
