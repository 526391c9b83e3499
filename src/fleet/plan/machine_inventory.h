#pragma once

#include "fleet/plan/machine_work.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quill::fleet {

// What a collection route wrote beside a report as NAME.inventory.json (its keys are declared in
// core/inventory_format.h): who the machine says it is, when it was asked, what it is, the three
// facts wanted before its firmware is touched, and its processor. Strings as the file has them
// but for the firmware's placeholders, which are empty; the machine may lie about every one.
struct Inventory {
    std::string computerName;
    std::string collected;          // as written, ISO 8601 with an offset
    std::int64_t collectedTime = 0; // the same in nanoseconds since 1970 UTC
    std::string manufacturer;
    std::string model;       // the friendly name ("ThinkPad T480")
    std::string modelNumber; // the machine type beside it, where the maker has one ("20L5S2JM00")
    std::string serial;
    std::string os;
    std::string bitlocker = "unknown";      // on, off, unknown
    std::string partitionStyle = "unknown"; // gpt, mbr, unknown
    std::optional<bool> virtualMachine;
    std::string cpuVendor;                  // CPUID's vendor text, "GenuineIntel"; empty where not told
    std::optional<std::uint32_t> cpuFamily; // display family and model, as the makers' tables number them
    std::optional<std::uint32_t> cpuModel;
    std::optional<std::uint32_t> cpuStepping;
    std::optional<std::uint32_t> cpuCores;
    std::optional<std::uint32_t> cpuLogical;
    std::optional<std::uint32_t> cpuMaxMhz;
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
