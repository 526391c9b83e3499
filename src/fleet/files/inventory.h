#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

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

// An inventory held once however many records speak of it: a fleet has thousands, each some
// 400 bytes, and most machines have none.
using SharedInventory = std::shared_ptr<const Inventory>;

// The inventory in bytes, or nullopt when they are not one: not a JSON object, a key of the
// wrong type, a value outside its words, or no computer_name or collected time.
std::optional<Inventory> parseInventory(std::string_view bytes);

// "2026-12-09T10:33:49+01:00" (seconds, fractions, "Z" or an offset) in nanoseconds since
// 1970 UTC; nullopt for anything else, a time without its offset too: it could be any zone.
std::optional<std::int64_t> parseIsoTime(std::string_view text);

// NAME.inventory.json beside NAME.txt (any case of ".txt").
std::filesystem::path inventoryPath(const std::filesystem::path& report);

// Reading the inventory beside a report: absent is no fault, present and unreadable is.
struct InventoryReading {
    bool present = false;
    std::optional<Inventory> inventory;
    std::int64_t modified = 0; // the file's last write
};

// Read through the same open-and-read as the reports, at most a few KiB; buffer is reused.
InventoryReading readInventory(const std::filesystem::path& report, std::string& buffer);

} // namespace quill::fleet
