#pragma once

#include "core/assessment.h"
#include "core/checks.h"
#include "report/report_reader.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// One readable report. file is the path as found from the PATH given, in UTF-8 where the
// platform's paths are UTF-16, else the path's own bytes.
struct MachineReport {
    std::string name;
    std::string file;
    Assessment assessment;
};

struct UnreadableReport {
    std::string file;
    ReportFault fault;
};

// Everything read, in the order the files were found.
struct FleetReports {
    std::vector<MachineReport> machines;
    std::vector<UnreadableReport> unreadable;
    std::vector<std::string> missing; // expected machines without a readable report
};

// The counts the admin asks for. The three verdict classes add up to machines, and of the
// technically compatible only, firmwareSettingsOnly and tpmMissing add up to that class.
struct FleetSummary {
    std::size_t machines = 0;
    std::size_t officiallyCompatible = 0;
    std::size_t technicallyCompatibleOnly = 0;
    std::size_t notCompatible = 0;
    std::size_t firmwareSettingsOnly = 0; // only UEFI-Boot or Secure Boot failed
    std::size_t tpmMissing = 0;           // TPM 2.0 failed
    std::size_t unreadable = 0;
    std::size_t missing = 0;
    std::array<std::size_t, checkTable.size()> failuresByCheck{}; // in checkTable order
};

FleetSummary summariseFleet(const FleetReports& reports);

// The item of that name in either list, or nullptr (PrefetchW on a non-AMD machine).
const CheckItem* findCheck(const Assessment& assessment, std::string_view name);

// "OK - detail" or "NO - detail" ("OK"/"NO" alone for an empty detail), the cell that
// CSV and HTML show for one check.
std::string checkCell(const CheckItem& item);

// The tool's exit code once its outputs are written: 0 every file read, 1 some unreadable or
// some expected machine missing, 2 nothing readable.
int fleetExitCode(const FleetSummary& summary);

} // namespace quill::fleet
