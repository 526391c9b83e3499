// The fleet's outputs fed with what the reader makes of a mutated report, under a name and a
// path that may hold any byte (a file name on Linux may), which stand for its inventory's maker
// and model too. Input: the machine's name and the file's path as texts (a length byte, then the
// bytes), then the report's bytes. Whatever comes in, both CSVs and the HTML are valid UTF-8
// without control characters but their own line ends, and the JSON parses.

#include "core/utf8_text.h"
#include "fleet/outputs/fleet_output.h"
#include "fuzz_input.h"
#include "report/report_reader.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace {

// A C0 control, DEL, or U+0080 to U+009F; line ends count only where allowed.
bool hasStrayControl(std::string_view text, bool crlfRows)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool rowEnd = crlfRows ? (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ||
                                           (c == '\n' && i > 0 && text[i - 1] == '\r')
                                     : c == '\n';
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if ((c < 0x20 && !rowEnd) || c == 0x7F || c1) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quill::fuzz::ByteReader in(data, size);
    const std::string name = in.text();
    const std::string file = in.text();
    quill::ReportReading reading = quill::readReport(in.rest());

    quill::fleet::FleetPlan plan;
    if (reading) {
        quill::fleet::MachineReport machine;
        machine.name = name;
        machine.file = file;
        machine.work = quill::machineWork(*reading);
        auto inventory = std::make_shared<quill::fleet::Inventory>();
        inventory->manufacturer = name;
        inventory->model = file;
        machine.inventory = inventory;
        machine.assessment = std::move(*reading);
        plan.machines.push_back(std::move(machine));
    } else {
        plan.unreadable.push_back({file, reading.error()});
    }
    plan.missing = {name};
    plan.superseded = {{name, file}};
    plan.summary = quill::fleet::summariseFleet(plan);

    const quill::fleet::OutputContext context{0, 0, {file}};
    const std::string csv = quill::fleet::fleetCsv(plan, context);
    const std::string html = quill::fleet::fleetHtml(plan, context);
    const std::string json = quill::fleet::fleetJson(plan);
    const std::string models = quill::fleet::modelsCsv(plan);
    FUZZ_CHECK(quill::validUtf8(csv) == csv && !hasStrayControl(csv, true));
    FUZZ_CHECK(quill::validUtf8(models) == models && !hasStrayControl(models, true));
    FUZZ_CHECK(quill::validUtf8(html) == html && !hasStrayControl(html, false));
    FUZZ_CHECK(nlohmann::json::accept(json));
    return 0;
}
