#pragma once

#include "fleet/plan/machine_inventory.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quill::fleet {

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
