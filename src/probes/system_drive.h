#pragma once

#include "core/check_item.h"
#include "platform/platform.h"

#include <cstdint>

namespace quill {

inline constexpr std::uint64_t systemDriveThreshold = std::uint64_t{1} << 36; // 64 GiB, inclusive

// The "Systemlaufwerk >= 64 GiB" item for the platform's answer about the system volume.
CheckItem systemDriveCheck(const platform::SystemVolumeAnswer& answer);

// Asks the platform for the system volume's total capacity.
CheckItem probeSystemDrive();

} // namespace quill
