// The earlier collection given with --previous, from arbitrary bytes and from the tool's own
// JSON. Input: a mode byte. Bit 0 clear: the rest is the file. Bit 0 set: machine names as
// texts (a length byte, then the bytes) until the input ends, each with a category from the
// checks its name's first byte fails; the tool's JSON of them must read back name for name.

#include "core/utf8_text.h"
#include "core/finding_table.h"
#include "fleet/files/previous_collection.h"
#include "fleet/outputs/fleet_output.h"
#include "fleet/plan/earlier_collection.h"
#include "fuzz_input.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace {

// An assessment whose checks fail by the bits of one byte, so every category turns up.
quill::Assessment assessmentOf(std::uint8_t bits)
{
    quill::CheckList technical;
    quill::CheckList official;
    int bit = 0;
    for (const quill::CheckDefinition& check : quill::checkTable) {
        if (!quill::isListedFor(check, "GenuineIntel")) {
            continue;
        }
        const bool passed = ((bits >> (bit++ % 8)) & 1u) == 0;
        quill::CheckItem item = quill::checkItemFromText(check.check, passed, passed ? "vorhanden" : "fehlt");
        (check.group == quill::CheckGroup::technical ? technical : official).push_back(std::move(item));
    }
    return quill::deriveAssessment("CPU", "GenuineIntel", std::move(technical), std::move(official));
}

void readBackWritten(quill::fuzz::ByteReader& in)
{
    quill::fleet::FleetPlan reports;
    while (!in.atEnd()) {
        std::string name = in.text();
        quill::fleet::MachineReport machine;
        machine.assessment = assessmentOf(name.empty() ? 0 : static_cast<std::uint8_t>(name[0]));
        machine.work = quill::machineWork(machine.assessment);
        machine.name = std::move(name);
        machine.file = "f.txt";
        reports.machines.push_back(std::move(machine));
    }
    reports.summary = quill::fleet::summariseFleet(reports);
    const std::string json = quill::fleet::fleetJson(reports);
    const auto previous = quill::fleet::readPreviousCollection(json);
    FUZZ_CHECK(previous.has_value() && previous->size() == reports.machines.size());
    for (std::size_t i = 0; i < previous->size(); ++i) {
        // Names go through JSON as valid UTF-8: a name that was already so comes back the same.
        const std::string& written = reports.machines[i].name;
        FUZZ_CHECK(quill::validUtf8(written) != written || (*previous)[i].name == written);
        FUZZ_CHECK(quill::fleet::earlierCategory((*previous)[i]) == reports.machines[i].work.category);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quill::fuzz::ByteReader in(data, size);
    if ((in.byte() & 1u) == 0) {
        const std::string file = in.rest();
        const auto previous = quill::fleet::readPreviousCollection(file);
        // Only a JSON document is ever taken for an earlier collection.
        FUZZ_CHECK(!previous || nlohmann::json::accept(file));
        return 0;
    }
    readBackWritten(in);
    return 0;
}
