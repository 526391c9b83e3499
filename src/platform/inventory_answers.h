#pragma once

// The raw answers the inventory helper gathers on Windows, asked without administrator rights.
// This header stays free of system headers.

#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quill::platform {

struct InventoryAnswers {
    std::string computerName;                    // the NetBIOS name, as %COMPUTERNAME% files the report
    std::optional<std::string> smbios;           // GetSystemFirmwareTable('RSMB'): RawSMBIOSData as returned
    std::string productName;                     // HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion, UTF-8
    std::string displayVersion;                  // "23H2"; empty where the system has none
    std::string buildNumber;                     // CurrentBuildNumber
    std::optional<std::uint32_t> ubr;            // the update build revision
    std::optional<std::uint32_t> partitionStyle; // of the system volume's disk: 0 MBR, 1 GPT, 2 raw
    std::int64_t now = 0;                        // nanoseconds since 1970 UTC
    int utcOffsetMinutes = 0;                    // local time minus UTC, daylight saving included
    CpuidRegisters cpuidLeaf0;                   // the vendor text
    CpuidRegisters cpuidLeaf1;                   // the signature in EAX
    std::optional<std::uint32_t> cores;          // the processor cores the system runs on
    std::optional<std::uint32_t> logicalProcessors;
};

// Asks Windows and the processor; what cannot be had stays empty or nullopt.
InventoryAnswers inventoryAnswers();

} // namespace quill::platform
