#pragma once

#include "fleet/plan/fleet_plan.h"

#include <array>
#include <string>
#include <string_view>

namespace quill::fleet {

// The inventory's columns for page and CSV, in this order, invisible and bidi characters shown
// as names show them; empty without an inventory.
inline constexpr std::array<std::string_view, 5> inventoryHeaders = {"Modell", "Seriennummer", "Betriebssystem",
                                                                     "BitLocker", "Partitionsstil"};
std::array<std::string, 5> inventoryCells(const MachineReport& machine);

// What makes a row doubtful, in German words: a name conflict, a time after the run, a name
// that is more than a host name, an inventory beside it that names another computer (named
// too). Empty for a row that is as it should be.
std::string machineMarks(const MachineReport& machine);

} // namespace quill::fleet
