#pragma once

#include "platform/inventory_answers.h"

#include <optional>
#include <string>
#include <string_view>

namespace quill::inventory {

// The system's own strings in the SMBIOS table (structure type 1); empty when it has none.
struct SmbiosSystem {
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// Type 1 of RawSMBIOSData as GetSystemFirmwareTable returns it; nullopt when the table is cut
// short or has no such structure.
std::optional<SmbiosSystem> smbiosSystem(std::string_view raw);

// Whether the firmware is a hypervisor's, by the names the common ones give themselves; null
// when there is no table to tell. The CPUID hypervisor bit is no answer: a PC with Hyper-V or
// virtualisation-based security runs its own Windows under one.
std::optional<bool> virtualMachine(const std::optional<SmbiosSystem>& system);

// "Windows 11 Pro 23H2 (Build 22631.2861)". The registry's product name still says "Windows 10"
// on Windows 11; build 22000 and later is 11.
std::string osText(const platform::InventoryAnswers& answers);

// NAME.inventory.json: one UTF-8 object with the keys the fleet tool reads. bitlocker is the
// start-up script's answer ("on", "off", "unknown"): only an administrator can ask for it.
std::string inventoryJson(const platform::InventoryAnswers& answers, std::string_view bitlocker);

} // namespace quill::inventory
