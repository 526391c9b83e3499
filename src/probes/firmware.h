#pragma once

#include "core/check_item.h"
#include "platform/platform.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace quill {

inline constexpr std::uint32_t firmwareTypeUefi = 2;

// True only for a query that succeeded and reported UEFI.
bool isUefiFirmwareType(std::optional<std::uint32_t> firmwareType);

// "UEFI-Boot": passed and "aktiv" on UEFI, "Legacy/BIOS" for any other type the query
// reported, unreadable where it failed; failed where the firmware is not the machine's own,
// or is 32-bit UEFI (uefiWordSize 32), which boots no 64-bit Windows.
CheckItem uefiBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType,
                        std::optional<std::uint32_t> uefiWordSize);
CheckItem probeUefiBoot(platform::FirmwareVisibility visibility);

// "Secure Boot" from the state read (nullopt when unreadable). Exactly 1 is enabled.
// askFirmwareType is called only when the read failed, to pick the failure text: only a
// firmware known not to be UEFI has no Secure Boot. Where the firmware is not the machine's
// own, neither counts.
CheckItem secureBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> secureBootValue,
                          const std::function<std::optional<std::uint32_t>()>& askFirmwareType);
CheckItem probeSecureBoot(platform::FirmwareVisibility visibility);

} // namespace quill
