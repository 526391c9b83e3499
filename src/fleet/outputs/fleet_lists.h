#pragma once

#include "fleet/plan/fleet_plan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// The lists after the machines, declared once: their JSON keys, their titles and what each entry
// says. The summary and the JSON show them in the order of the table, the page shows the missing
// machines first, after the unreadable files.
enum class FleetList : std::uint8_t { unreadable, superseded, missing, gone, conflicts, future, unreadableInventory };

struct FleetListDefinition {
    FleetList list;
    std::string_view jsonKey;
    std::string_view title;     // the summary's heading, in brackets there
    std::string_view pageTitle; // the page's heading, where it says more
};

inline constexpr std::array<FleetListDefinition, 7> fleetListTable = {{
    {FleetList::unreadable, "unreadable", "Nicht lesbare Dateien", "Nicht lesbare Dateien"},
    {FleetList::superseded, "superseded", "Durch neuere ersetzte Berichte", "Durch neuere ersetzte Berichte"},
    {FleetList::missing, "missing", "Erwartete Rechner ohne Bericht", "Erwartete Rechner ohne Bericht"},
    {FleetList::gone, "gone", "Nicht mehr gemeldet", "Nicht mehr gemeldet"},
    {FleetList::conflicts, "conflicts", "Namenskonflikte",
     "Namenskonflikte: mehrere Dateien geben sich als ein Rechner aus"},
    {FleetList::future, "future", "Zeit nach dem Lauf", "Dateien mit einer Zeit nach dem Lauf"},
    {FleetList::unreadableInventory, "unreadable_inventory", "Nicht lesbare Inventare", "Nicht lesbare Inventare"},
}};

inline constexpr std::array<FleetList, 7> pageListOrder = {
    FleetList::unreadable, FleetList::missing, FleetList::superseded,         FleetList::gone,
    FleetList::conflicts,  FleetList::future,  FleetList::unreadableInventory};

const FleetListDefinition& definitionOf(FleetList list);

// One entry of a list: its text, what stands beside it in parentheses (a superseded report's
// machine), the line and reason of an unreadable file, the files of a conflict.
struct ListEntry {
    std::string_view text;
    std::string_view aside = {};
    std::size_t line = 0;
    std::string_view reason = {};
    const std::vector<std::string>* files = nullptr;
};

// The entries of a list, in the plan's order.
std::vector<ListEntry> listEntries(const FleetPlan& plan, FleetList list);

} // namespace quill::fleet
