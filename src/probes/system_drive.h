#pragma once

#include "core/check_item.h"
#include "platform/platform.h"

#include <cstdint>

namespace quill {

inline constexpr std::uint64_t systemDriveThreshold = std::uint64_t{1} << 36; // 64 GiB, inclusive

// The "Systemlaufwerk >= 64 GiB" item for the platform's answer about the system volume; failed
// where the disks the process sees are not the machine's own.
CheckItem systemDriveCheck(platform::FirmwareVisibility visibility, const platform::SystemVolumeAnswer& answer);

// Asks the platform for the system volume's total capacity.
CheckItem probeSystemDrive(platform::FirmwareVisibility visibility);

} // namespace quill
