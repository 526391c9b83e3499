#pragma once

#include "platform/inventory_answers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill::inventory {

// The system's own strings in the SMBIOS table (structure type 1), trimmed; empty when it has none.
struct SmbiosSystem {
    std::string manufacturer;
    std::string product;
    std::string version;
    std::string serial;
};

// Type 1 of RawSMBIOSData as GetSystemFirmwareTable returns it; nullopt when the table is cut
// short or has no such structure.
std::optional<SmbiosSystem> smbiosSystem(std::string_view raw);

// The highest "Max Speed" of the populated processor sockets (structure type 4), in MHz;
// nullopt where no such socket tells one.
std::optional<std::uint32_t> smbiosMaxSpeedMhz(std::string_view raw);

// Whether the firmware is a hypervisor's, by the names the common ones give themselves, as
// whole words; null when there is no table to tell. The CPUID hypervisor bit is no answer: a
// PC with Hyper-V or virtualisation-based security runs its own Windows under one.
std::optional<bool> virtualMachine(const std::optional<SmbiosSystem>& system);

// The model as the inventory records it: its friendly name, and the maker's machine type where
// the friendly name is kept apart from it (Lenovo: "ThinkPad T480" in Version, "20L5S2JM00" as
// the product). Placeholders are left out.
struct ModelNames {
    std::string model;
    std::string modelNumber;
};
ModelNames modelNames(const SmbiosSystem& system);

// The processor signature from CPUID leaf 1's EAX, as the makers' family and model tables number it.
struct CpuSignature {
    std::uint32_t family = 0;
    std::uint32_t model = 0;
    std::uint32_t stepping = 0;
};
CpuSignature cpuSignature(std::uint32_t leaf1Eax);

// "Windows 11 Pro 23H2 (Build 22631.2861)". The registry's product name still says "Windows 10"
// on Windows 11; build 22000 and later is 11.
std::string osText(const platform::InventoryAnswers& answers);

// NAME.inventory.json: one UTF-8 object with the keys of core/inventory_format.h. bitlocker is
// one of its words, the start-up script's answer: only an administrator can ask for it.
std::string inventoryJson(const platform::InventoryAnswers& answers, std::string_view bitlocker);

} // namespace quill::inventory
