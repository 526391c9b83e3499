#pragma once

// NAME.inventory.json, declared once: the inventory helper writes its keys by these rows, the
// fleet tool reads them by the same rows, and Ansible's play writes the same names.

#include "core/enum_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quill {

// What a key's value may be.
enum class InventoryKind : std::uint8_t {
    text,     // any string
    hardware, // a string the firmware gave; its placeholders ("To be filled by O.E.M.") mean unknown
    word,     // one of the row's words
    time,     // ISO 8601 with an offset
    number,   // an unsigned integer below 2^32, or null where unknown
    flag,     // true or false, or null where unknown
};

// The keys, in the order the helper writes them. An inventory without a computer_name or a
// collected time is none.
enum class InventoryKey : std::uint8_t {
    computerName,
    collected,
    manufacturer,
    model,       // the friendly model name ("ThinkPad T480")
    modelNumber, // the machine type where the firmware keeps the friendly name apart ("20L5S2JM00")
    serial,
    os,
    bitlocker,
    partitionStyle,
    virtualMachine,
    cpuVendor, // CPUID's vendor text ("GenuineIntel")
    cpuFamily, // display family: base + extended where the base is 0xF
    cpuModel,  // display model: with the extended model where the display family is 6 or from 0xF
    cpuStepping,
    cpuCores,   // physical cores the system runs on
    cpuLogical, // logical processors
    cpuMaxMhz,
};

struct InventoryField {
    InventoryKey key;
    std::string_view name;
    InventoryKind kind;
    std::span<const std::string_view> words; // a word's allowed values
};

inline constexpr std::array<std::string_view, 3> bitlockerWords = {"on", "off", "unknown"};
inline constexpr std::array<std::string_view, 3> partitionStyleWords = {"gpt", "mbr", "unknown"};

inline constexpr std::array<InventoryField, 17> inventoryFields = {{
    {InventoryKey::computerName, "computer_name", InventoryKind::text, {}},
    {InventoryKey::collected, "collected", InventoryKind::time, {}},
    {InventoryKey::manufacturer, "manufacturer", InventoryKind::hardware, {}},
    {InventoryKey::model, "model", InventoryKind::hardware, {}},
    {InventoryKey::modelNumber, "model_number", InventoryKind::hardware, {}},
    {InventoryKey::serial, "serial", InventoryKind::hardware, {}},
    {InventoryKey::os, "os", InventoryKind::text, {}},
    {InventoryKey::bitlocker, "bitlocker", InventoryKind::word, bitlockerWords},
    {InventoryKey::partitionStyle, "partition_style", InventoryKind::word, partitionStyleWords},
    {InventoryKey::virtualMachine, "virtual_machine", InventoryKind::flag, {}},
    {InventoryKey::cpuVendor, "cpu_vendor", InventoryKind::text, {}},
    {InventoryKey::cpuFamily, "cpu_family", InventoryKind::number, {}},
    {InventoryKey::cpuModel, "cpu_model", InventoryKind::number, {}},
    {InventoryKey::cpuStepping, "cpu_stepping", InventoryKind::number, {}},
    {InventoryKey::cpuCores, "cpu_cores", InventoryKind::number, {}},
    {InventoryKey::cpuLogical, "cpu_logical", InventoryKind::number, {}},
    {InventoryKey::cpuMaxMhz, "cpu_max_mhz", InventoryKind::number, {}},
}};

static_assert(isInEnumOrder(inventoryFields, &InventoryField::key), "one row per InventoryKey, in its order");

constexpr const InventoryField& inventoryField(InventoryKey key)
{
    return inventoryFields[static_cast<std::size_t>(key)];
}

// The row of a key's name; nullopt for a name the format does not have.
std::optional<InventoryKey> inventoryKeyNamed(std::string_view name);

// Whether a and b are the same but for the case of ASCII letters, as makers' names and the
// firmware's placeholders are compared.
bool sameAsciiLetters(std::string_view a, std::string_view b);

// Whether the firmware's text says nothing ("To be filled by O.E.M.", "Default string",
// "System Serial Number", "Not Specified", "0", only zeros): boards ship with them unfilled.
bool isPlaceholderText(std::string_view text);

// Hardware text as the inventory keeps it: trimmed of spaces, and empty where a placeholder.
std::string knownHardwareText(std::string_view text);

// "HP EliteBook 840 G5" beside "HP", "Lenovo ThinkPad T480" beside "LENOVO": the model alone
// where it already starts with the maker's name, else maker and model; either may be empty.
std::string makerAndModel(std::string_view manufacturer, std::string_view model);

} // namespace quill
