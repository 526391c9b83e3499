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
// says. Every output shows them in the order of the table, under the same titles.
enum class FleetList : std::uint8_t {
    unreadable,
    missing,
    superseded,
    gone,
    conflicts,
    future,
    unreadableInventory,
    copies,
};

struct FleetListDefinition {
    FleetList list;
    std::string_view jsonKey;
    std::string_view title; // in brackets in the summary, a heading on the page
    std::string_view note;  // the page's sentence below the heading, where the title alone says too little
    bool names;             // its entries are machine names, which the page sets side by side
};

inline constexpr std::array<FleetListDefinition, 8> fleetListTable = {{
    {FleetList::unreadable, "unreadable", "Nicht lesbare Dateien", "", false},
    {FleetList::missing, "missing", "Erwartete Rechner ohne Bericht", "", true},
    {FleetList::superseded, "superseded", "Durch neuere ersetzte Berichte", "", false},
    {FleetList::gone, "gone", "Nicht mehr gemeldet", "", true},
    {FleetList::conflicts, "conflicts", "Namenskonflikte", "Mehrere Dateien geben sich als ein Rechner aus.", false},
    {FleetList::future, "future", "Dateien mit einer Zeit nach dem Lauf", "", false},
    {FleetList::unreadableInventory, "unreadable_inventory", "Nicht lesbare Inventare", "", false},
    {FleetList::copies, "copies", "Kopien, nicht gezählt",
     "Dateien, die wie die Kopie eines Berichts heißen („PC-7 - Kopie.txt“) und die --expect nicht nennt.", false},
}};

const FleetListDefinition& definitionOf(FleetList list);

// One entry of a list: its text, what stands beside it in parentheses (a superseded report's
// machine, a missing machine's group), the line and reason of an unreadable file, the files of a
// conflict.
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
