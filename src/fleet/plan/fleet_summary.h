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

// A set of categories, one bit each in Category order.
using CategorySet = std::uint16_t;
constexpr CategorySet categorySet(std::initializer_list<Category> categories)
{
    CategorySet set = 0;
    for (const Category category : categories) {
        set = static_cast<CategorySet>(set | (1u << static_cast<unsigned>(category)));
    }
    return set;
}
static_assert(categoryTable.size() <= sizeof(CategorySet) * 8, "a CategorySet has a bit for every category");
constexpr bool inSet(CategorySet set, Category category)
{
    return (set >> static_cast<unsigned>(category) & 1u) != 0;
}

// The counts at the top of every output, each the sum of some of the work list's categories, so
// that the two never disagree: their JSON ids, their words for tiles and summary, the tile's colour.
struct CategorySum {
    std::string_view id;
    std::string_view text;
    std::string_view colour;
    CategorySet categories;
};
inline constexpr std::array<CategorySum, 5> categorySums = {{
    {"hardware_needed", "Hardware nötig", "red",
     categorySet({Category::replace, Category::cpuNotListed, Category::upgrade, Category::tpmHardware})},
    {"settings_only", "Nur Einstellungen", "yellow", categorySet({Category::firmware})},
    // A VM's fixes are set in its hypervisor: nothing to buy, and not the firmware of a PC either.
    {"vm_settings", "VMs: Einstellungen", "yellow", categorySet({Category::vmSettings})},
    {"check", "Vor Ort prüfen", "", categorySet({Category::check})},
    {"ready", "Bereit", "green", categorySet({Category::ready})},
}};

// What goes on the purchase order: a machine counts in a line when its category is one of the
// line's and, where the line names a step, that step is among its own. A machine to be replaced
// has that one step, so no part is counted for it.
struct PurchaseRow {
    std::string_view id;   // the JSON key
    std::string_view text; // the page's and the summary's word
    CategorySet categories;
    std::optional<Action> step;
};
inline constexpr CategorySet partCategories = categorySet({Category::upgrade, Category::tpmHardware});
inline constexpr std::array<PurchaseRow, 6> purchaseTable = {{
    {"new_pcs", "Neue PCs", categorySet({Category::replace, Category::cpuNotListed}), std::nullopt},
    {"memory", "RAM", partCategories, Action::addMemory},
    {"disks", "SSDs", partCategories, Action::largerDisk},
    {"tpm_modules", "TPM-Module", partCategories, Action::tpmUpgrade},
    {"firmware_only", "Nur Firmware", categorySet({Category::firmware}), std::nullopt},
    {"vms", "VMs", categorySet({Category::vmSettings}), std::nullopt},
}};
using PurchaseCounts = std::array<std::size_t, purchaseTable.size()>;

// The machines of one model that share a category and their steps, in order: what one firmware
// push or one line of an order covers. The machines without an inventory are one model.
struct ModelWork {
    bool inventory = true;
    std::string manufacturer; // as the first such machine's inventory gives them; "" where unknown
    std::string model;        // the friendly name, else the machine type
    Category category = Category::ready;
    std::vector<Action> actions;
    std::size_t machines = 0;
};

// The counts the admin asks for.
struct FleetSummary {
    std::size_t machines = 0;
    std::size_t unreadable = 0;
    std::size_t missing = 0;
    std::size_t superseded = 0;
    std::size_t conflicts = 0;
    std::array<std::size_t, checkTable.size()> failuresByCheck{}; // in checkTable order
    std::array<std::size_t, categoryTable.size()> byCategory{};   // in Category order
    std::array<std::size_t, changeTable.size()> byChange{};       // in Change order
    std::size_t becameReady = 0;                                  // ready now, not ready before
    PurchaseCounts purchases{};                                   // the whole fleet
    // Per group of plan.groups: the machines of each category, those expected without a report,
    // and the purchase order's lines.
    std::vector<std::array<std::size_t, categoryTable.size()>> byGroup;
    std::vector<std::size_t> missingByGroup;
    std::vector<PurchaseCounts> purchasesByGroup;
    // By model (natural order, without an inventory last), then category (worst first), then steps.
    std::vector<ModelWork> byModel;
};

FleetSummary summariseFleet(const FleetPlan& plan);

// The sum of the categories' counts.
std::size_t categoryCount(const FleetSummary& summary, CategorySet which);

// The installed memory and the system drive's size in bytes as the report gives them, so rounded
// to a tenth of a GiB; nullopt where it gives none.
std::optional<std::uint64_t> memoryBytes(const Assessment& assessment);
std::optional<std::uint64_t> systemDriveBytes(const Assessment& assessment);

// The item of that name in either list, or nullptr (PrefetchW on a non-AMD machine).
const CheckItem* findCheck(const Assessment& assessment, std::string_view name);

} // namespace quill::fleet
