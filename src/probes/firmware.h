#pragma once

#include "core/check_item.h"
#include "platform/platform.h"

#include <cstdint>
#include <optional>

namespace quill {

// True only for a query that succeeded and reported UEFI.
bool isUefiFirmwareType(std::optional<std::uint32_t> firmwareType);

// "UEFI-Boot": passed and active on UEFI, legacy BIOS for any other type the query
// reported, unreadable where it failed; failed where the firmware is not the machine's own,
// or is 32-bit UEFI (uefiWordSize 32), which boots no 64-bit Windows.
CheckItem uefiBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType,
                        std::optional<std::uint32_t> uefiWordSize);
// The firmware type both firmware lines judge, asked once; not asked where the firmware is not
// the machine's own (nullopt there).
std::optional<std::uint32_t> probeFirmwareType(platform::FirmwareVisibility visibility);

// The word size is asked only of a UEFI firmware: nothing else has one.
CheckItem probeUefiBoot(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType);

// "Secure Boot" from the state read (nullopt when unreadable). Exactly 1 is enabled. Where the
// state is unreadable, only a firmware known not to be UEFI (firmwareType) has no Secure Boot.
// Where the firmware is not the machine's own, neither counts.
CheckItem secureBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> secureBootValue,
                          std::optional<std::uint32_t> firmwareType);
CheckItem probeSecureBoot(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType);

} // namespace quill
