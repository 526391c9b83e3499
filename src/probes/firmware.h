#pragma once

#include "core/check_item.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace quill {

inline constexpr std::uint32_t firmwareTypeUefi = 2;

// True only for a query that succeeded and reported UEFI.
bool isUefiFirmwareType(std::optional<std::uint32_t> firmwareType);

// Asks the platform afresh each call.
bool isUefiFirmware();

// "UEFI-Boot": passed and "aktiv" on UEFI, else "Legacy/BIOS".
CheckItem uefiBootCheck(bool isUefi);
CheckItem probeUefiBoot();

// "Secure Boot" from the state read (nullopt when unreadable). Exactly 1 is enabled.
// askIsUefi is called only when the read failed, to pick between the two failure texts.
CheckItem secureBootCheck(std::optional<std::uint32_t> secureBootValue, const std::function<bool()>& askIsUefi);
CheckItem probeSecureBoot();

} // namespace quill
