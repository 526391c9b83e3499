#pragma once

#include "fleet/plan/machine_work.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quill::fleet {

// What a collection route wrote beside a report as NAME.inventory.json: who the machine says it
// is, when it was asked, and the three facts wanted before its firmware is touched. Strings as
// the file has them; the machine may lie about every one of them.
struct Inventory {
    std::string computerName;
    std::string collected;          // as written, ISO 8601 with an offset
    std::int64_t collectedTime = 0; // the same in nanoseconds since 1970 UTC
    std::string manufacturer;
    std::string model;
    std::string serial;
    std::string os;
    std::string bitlocker = "unknown";      // on, off, unknown
    std::string partitionStyle = "unknown"; // gpt, mbr, unknown
    std::optional<bool> virtualMachine;
};

// The facts machineWork() takes; what the inventory does not know stays unknown.
inline MachineFacts machineFacts(const Inventory& inventory)
{
    MachineFacts facts;
    facts.virtualMachine = inventory.virtualMachine;
    facts.bitlockerOn = inventory.bitlocker == "on";
    facts.mbrSystemDisk = inventory.partitionStyle == "mbr";
    return facts;
}

} // namespace quill::fleet
