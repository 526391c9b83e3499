#pragma once

#include "core/assessment.h"
#include "core/checks.h"
#include "fleet/plan/machine_inventory.h"
#include "fleet/plan/machine_work.h"
#include "report/report_reader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quill::fleet {

// How a machine's category moved since an earlier collection.
enum class Change : std::uint8_t { added, same, better, worse };

// One readable report. file is the path as found from the PATH given, in UTF-8 where the
// platform's paths are UTF-16, else the path's own bytes.
struct MachineReport {
    std::string name;
    std::string file;
    Assessment assessment;
    std::int64_t reportTime = 0; // the inventory's collected time, else the file's last write; ns since 1970 UTC
    MachineWork work;
    std::optional<Change> change;       // only against an earlier collection
    std::optional<Inventory> inventory; // NAME.inventory.json beside the report, where readable
    bool conflict = false;              // another file claims this machine under another name
    bool future = false;                // its time lies after the run: no report newer than it could win
    bool unusualName = false;           // the name holds more than host-name characters
    // The computer_name of an inventory beside the report that names another machine, whose facts
    // and time were therefore left out; "" where there is none such.
    std::string inventoryMismatch;
};

// Files that claim one machine under different names (see nameMeeting): all are listed, one is shown.
struct NameConflict {
    std::string name;
    std::vector<std::string> files;
};

// A report that a newer one of the same machine replaces.
struct SupersededReport {
    std::string name;
    std::string file;
};

struct UnreadableReport {
    std::string file;
    ReportFault fault;
};

// Everything read, in the order the files were found: one machine, one report.
struct FleetReports {
    std::vector<MachineReport> machines;
    std::vector<UnreadableReport> unreadable;
    std::vector<SupersededReport> superseded;
    std::vector<std::string> missing; // expected machines without a readable report
    bool comparedWithPrevious = false;
    std::vector<std::string> gone;   // in the earlier collection, without a report now
    std::int64_t previousTime = 0;   // the earlier collection's newest report, nanoseconds since 1970 UTC
    std::int64_t utcOffset = 0;      // seconds: the clock times are shown in, the local one at the start
    std::vector<std::string> groups; // the sites or departments of --expect, in the order it names them first
    std::unordered_map<std::string, std::string> groupByKey; // machineKey -> its group, where --expect gives one
    std::vector<NameConflict> conflicts;
    std::vector<std::string> future;              // files dated after the run
    std::vector<std::string> unreadableInventory; // inventory files beside a report that are none
};

// The machine's group as --expect gives it, or "".
std::string_view groupOf(const FleetReports& reports, std::string_view name);

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
    std::size_t superseded = 0;
    std::size_t conflicts = 0;
    std::size_t processorNotOnList = 0;                           // exit code 0, with a processor the list lacks
    std::array<std::size_t, checkTable.size()> failuresByCheck{}; // in checkTable order
    std::array<std::size_t, categories.size()> byCategory{};      // in Category order
    std::array<std::size_t, 4> byChange{};                        // in Change order
    std::size_t becameReady = 0;                                  // ready now, not ready before
    // Per group of reports.groups: the machines of each category, and those expected without a report.
    std::vector<std::array<std::size_t, categories.size()>> byGroup;
    std::vector<std::size_t> missingByGroup;
};

FleetSummary summariseFleet(const FleetReports& reports);

// The machines that need parts bought: replace, CPU not listed, upgrade, TPM hardware.
inline constexpr std::initializer_list<Category> hardwareCategories = {Category::replace, Category::cpuNotListed,
                                                                       Category::upgrade, Category::tpmHardware};

// The sum of the categories' counts.
std::size_t categoryCount(const FleetSummary& summary, std::initializer_list<Category> which);

// The installed memory and the system drive's size in bytes as the report gives them, so rounded
// to a tenth of a GiB; nullopt where it gives none.
std::optional<std::uint64_t> memoryBytes(const Assessment& assessment);
std::optional<std::uint64_t> systemDriveBytes(const Assessment& assessment);

// The same figure as German writes it, "3,9 GiB", or "" where there is none.
std::string gibText(const std::optional<std::uint64_t>& bytes);

// The item of that name in either list, or nullptr (PrefetchW on a non-AMD machine).
const CheckItem* findCheck(const Assessment& assessment, std::string_view name);

// "OK - detail" or "NO - detail" ("OK"/"NO" alone for an empty detail), the cell that
// CSV and HTML show for one check.
std::string checkCell(const CheckItem& item);

// The tool's exit code once its outputs are written: 0 every file read, 1 some unreadable, some
// expected machine missing or a name conflict, 2 nothing readable.
int fleetExitCode(const FleetSummary& summary);

// "new", "same", "better", "worse": the ids other tools read in the fleet's JSON.
std::string_view changeId(Change change);

// The German word for people.
std::string_view changeText(Change change);

} // namespace quill::fleet
