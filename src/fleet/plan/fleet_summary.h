#pragma once

#include "core/assessment.h"
#include "core/checks.h"
#include "fleet/plan/machine_work.h"
#include "fleet/plan/work_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

struct FleetPlan;

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
    std::array<std::size_t, categoryTable.size()> byCategory{};   // in Category order
    std::array<std::size_t, changeTable.size()> byChange{};       // in Change order
    std::size_t becameReady = 0;                                  // ready now, not ready before
    // Per group of plan.groups: the machines of each category, and those expected without a report.
    std::vector<std::array<std::size_t, categoryTable.size()>> byGroup;
    std::vector<std::size_t> missingByGroup;
};

FleetSummary summariseFleet(const FleetPlan& plan);

// The machines that need parts bought: replace, CPU not listed, upgrade, TPM hardware.
inline constexpr std::initializer_list<Category> hardwareCategories = {Category::replace, Category::cpuNotListed,
                                                                       Category::upgrade, Category::tpmHardware};

// The sum of the categories' counts.
std::size_t categoryCount(const FleetSummary& summary, std::initializer_list<Category> which);

// The installed memory and the system drive's size in bytes as the report gives them, so rounded
// to a tenth of a GiB; nullopt where it gives none.
std::optional<std::uint64_t> memoryBytes(const Assessment& assessment);
std::optional<std::uint64_t> systemDriveBytes(const Assessment& assessment);

// The item of that name in either list, or nullptr (PrefetchW on a non-AMD machine).
const CheckItem* findCheck(const Assessment& assessment, std::string_view name);

} // namespace quill::fleet
