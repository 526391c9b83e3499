#include "core/inventory_format.h"
#include "inventory/inventory_record.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace quill::inventory {
namespace {

using namespace std::string_literals;

// One SMBIOS structure: type, length and a zero handle, the formatted bytes after them, its strings.
std::string structure(char type, const std::string& formatted, const std::string& strings)
{
    return std::string{type, static_cast<char>(4 + formatted.size()), 0, 0} + formatted +
           (strings.empty() ? "\0\0"s : strings + '\0');
}

// RawSMBIOSData: the 8-byte header with the table's length, then the table.
std::string rawTable(const std::string& table)
{
    std::string raw{0, 3, 4, 0, 0, 0, 0, 0};
    raw[4] = static_cast<char>(table.size());
    return raw + table;
}

// Type 1 with manufacturer, product, version and serial as strings 1 to 4.
std::string systemStructure(const std::string& strings)
{
    return structure(1, "\1\2\3\4"s + std::string(19, '\0'), strings);
}

// Type 4 of a central processor: Max Speed at 0x14, status at 0x18.
std::string processorStructure(std::uint16_t maxMhz, bool populated)
{
    std::string formatted(0x1A - 4, '\0');
    formatted[5 - 4] = 3;
    formatted[0x14 - 4] = static_cast<char>(maxMhz & 0xFF);
    formatted[0x15 - 4] = static_cast<char>(maxMhz >> 8);
    formatted[0x18 - 4] = populated ? 0x41 : 0x00;
    return structure(4, formatted, "CPU0\0"s);
}

// The names the hypervisors give their machines, and machines whose names only look alike.
TEST(InventoryRecord, VirtualMachineByTheFirmwaresWholeWords)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"VMware, Inc.", "VMware7,1", true},
        {"innotek GmbH", "VirtualBox", true},
        {"QEMU", "Standard PC (Q35 + ICH9, 2009)", true},
        {"Red Hat", "KVM", true},
        {"Microsoft Corporation", "Virtual Machine", true},
        {"Xen", "HVM domU", true},
        {"Amazon EC2", "m5.large", true},
        {"Google", "Google Compute Engine", true},
        {"Nutanix", "AHV", true},
        {"oVirt", "oVirt Node", true},
        {"Red Hat", "RHEV Hypervisor", true},
        {"Parallels Software International Inc.", "Parallels Virtual Platform", true},
        {"Bochs", "Bochs", true},
        {"BHYVE", "BHYVE", true},
        {"Xenon Systems", "Workstation X10", false},
        {"Microsoft Corporation", "Surface Laptop 4", false},
        {"ASUSTeK COMPUTER INC.", "KVMSWITCH-B", false},
        {"Amazon.com", "Echo Show", false},
    };
    for (const auto& [manufacturer, product, vm] : cases) {
        EXPECT_EQ(virtualMachine(SmbiosSystem{manufacturer, product, "", ""}), vm) << manufacturer << " / " << product;
    }
    EXPECT_EQ(virtualMachine(std::nullopt), std::nullopt);
}

// Leaf 1's EAX of named processors, as the makers' tables number them.
TEST(InventoryRecord, CpuSignatureAsTheMakersNumberIt)
{
    const std::tuple<const char*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t> cases[] = {
        {"Core i7-7700 (Kaby Lake)", 0x000906E9, 6, 0x9E, 9},
        {"Core i7-8700 (Coffee Lake)", 0x000906EA, 6, 0x9E, 10},
        {"Core 2 Duo E6600", 0x000006F6, 6, 0x0F, 6},
        {"Pentium 4 (Prescott)", 0x00000F43, 0x0F, 4, 3},
        {"Athlon 64 (K8)", 0x00020FB1, 0x0F, 0x2B, 1},
        {"Ryzen 5 3600 (Zen 2)", 0x00870F10, 0x17, 0x71, 0},
        {"Ryzen 7 5800X (Zen 3)", 0x00A20F12, 0x19, 0x21, 2},
        {"Pentium (family 5): no extended model", 0x00010543, 5, 4, 3},
    };
    for (const auto& [processor, eax, family, model, stepping] : cases) {
        const CpuSignature signature = cpuSignature(eax);
        EXPECT_EQ(std::tuple(signature.family, signature.model, signature.stepping),
                  std::tuple(family, model, stepping))
            << processor;
    }
}

// The model name a fleet sorts by: Lenovo's friendly name, no placeholders, no maker twice.
TEST(InventoryRecord, ModelNamesWithoutPlaceholdersOrRepetition)
{
    struct Case {
        SmbiosSystem system;
        const char* model;
        const char* modelNumber;
        const char* shown; // as the fleet shows maker and model
    };
    const Case cases[] = {
        {{"LENOVO", "20L5S2JM00", "ThinkPad T480", "PF1ABCDE"}, "ThinkPad T480", "20L5S2JM00", "LENOVO ThinkPad T480"},
        {{"LENOVO", "82LM", "Lenovo IdeaPad 5 14ALC05", ""},
         "Lenovo IdeaPad 5 14ALC05",
         "82LM",
         "Lenovo IdeaPad 5 14ALC05"},
        {{"LENOVO", "20L5S2JM00", "LENOVO", ""}, "20L5S2JM00", "", "LENOVO 20L5S2JM00"},
        {{"LENOVO", "20L5S2JM00", "Not Specified", ""}, "20L5S2JM00", "", "LENOVO 20L5S2JM00"},
        {{"HP", "HP EliteBook 840 G5", "", ""}, "HP EliteBook 840 G5", "", "HP EliteBook 840 G5"},
        {{"Hewlett-Packard", "HP Compaq 8200 Elite SFF PC", "", ""},
         "HP Compaq 8200 Elite SFF PC",
         "",
         "HP Compaq 8200 Elite SFF PC"},
        {{"Dell Inc.", "OptiPlex 7050", "", ""}, "OptiPlex 7050", "", "Dell Inc. OptiPlex 7050"},
        {{"To be filled by O.E.M.", "To Be Filled By O.E.M.", "", ""}, "", "", ""},
        {{"System manufacturer", "System Product Name", "System Version", ""}, "", "", ""},
        {{"Default string", "HPX", "", ""}, "HPX", "", "HPX"},
    };
    for (const Case& c : cases) {
        const ModelNames names = modelNames(c.system);
        EXPECT_EQ(std::tuple(names.model, names.modelNumber), std::tuple(c.model, c.modelNumber)) << c.system.product;
        EXPECT_EQ(makerAndModel(knownHardwareText(c.system.manufacturer), names.model), c.shown) << c.system.product;
    }
    for (const char* serial : {"System Serial Number", "Default string", "0", "00000000", " N/A ", "xxxxxxx", ""}) {
        EXPECT_TRUE(isPlaceholderText(serial)) << serial;
    }
    for (const char* serial : {"PF1ABCDE", "0A", "CZC1234XYZ", "Xeon"}) {
        EXPECT_FALSE(isPlaceholderText(serial)) << serial;
    }
}

// Max Speed of the populated central processor sockets only.
TEST(InventoryRecord, MaxSpeedFromPopulatedSockets)
{
    const std::pair<std::string, std::optional<std::uint32_t>> cases[] = {
        {processorStructure(3600, true), 3600},
        {processorStructure(9999, false) + processorStructure(2400, true), 2400},
        {processorStructure(0, true), std::nullopt},
        {systemStructure("A\0B\0C\0D\0"s), std::nullopt},
        {processorStructure(3600, true).substr(0, 12), std::nullopt},
    };
    for (const auto& [table, mhz] : cases) {
        EXPECT_EQ(smbiosMaxSpeedMhz(rawTable(table)), mhz) << table.size();
    }
    const std::optional<SmbiosSystem> system = smbiosSystem(rawTable(systemStructure("LENOVO\0 20L5 \0T480\0S1\0"s)));
    ASSERT_TRUE(system);
    EXPECT_EQ(std::tuple(system->manufacturer, system->product, system->version, system->serial),
              std::tuple("LENOVO"s, "20L5"s, "T480"s, "S1"s));
}

} // namespace
} // namespace quill::inventory
