#include "probes/visibility.h"

namespace quill {

std::optional<Finding> unseenFinding(Check check, platform::FirmwareVisibility visibility)
{
    if (visibility == platform::FirmwareVisibility::visible) {
        return std::nullopt;
    }
    const bool wsl = visibility == platform::FirmwareVisibility::wsl;
    switch (check) {
    case Check::systemDrive:
        return wsl ? Finding::driveInWsl : Finding::driveInContainer;
    case Check::uefiBoot:
        return wsl ? Finding::uefiInWsl : Finding::uefiInContainer;
    case Check::secureBoot:
        return wsl ? Finding::secureBootInWsl : Finding::secureBootInContainer;
    default:
        return wsl ? Finding::tpmInWsl : Finding::tpmInContainer;
    }
}

} // namespace quill
