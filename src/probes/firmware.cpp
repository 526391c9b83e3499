#include "probes/firmware.h"

#include "core/finding_table.h"
#include "platform/platform.h"
#include "probes/visibility.h"

namespace quill {

bool isUefiFirmwareType(std::optional<std::uint32_t> firmwareType)
{
    return firmwareType == platform::firmwareTypeUefi;
}

CheckItem uefiBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType,
                        std::optional<std::uint32_t> uefiWordSize)
{
    if (const std::optional<Finding> unseen = unseenFinding(Check::uefiBoot, visibility)) {
        return checkItem(Check::uefiBoot, false, *unseen);
    }
    // Calling an unanswered query BIOS would send the user to switch on what may be on already.
    if (!firmwareType) {
        return checkItem(Check::uefiBoot, false, Finding::uefiUnreadable);
    }
    const bool isUefi = isUefiFirmwareType(firmwareType);
    if (isUefi && uefiWordSize == 32u) {
        return checkItem(Check::uefiBoot, false, Finding::uefi32Bit);
    }
    return checkItem(Check::uefiBoot, isUefi, isUefi ? Finding::uefiActive : Finding::legacyBios);
}

std::optional<std::uint32_t> probeFirmwareType(platform::FirmwareVisibility visibility)
{
    if (visibility != platform::FirmwareVisibility::visible) {
        return std::nullopt;
    }
    return platform::firmwareType();
}

CheckItem probeUefiBoot(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType)
{
    const bool isUefi = visibility == platform::FirmwareVisibility::visible && isUefiFirmwareType(firmwareType);
    return uefiBootCheck(visibility, firmwareType, isUefi ? platform::uefiWordSize() : std::nullopt);
}

CheckItem secureBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> secureBootValue,
                          std::optional<std::uint32_t> firmwareType)
{
    if (const std::optional<Finding> unseen = unseenFinding(Check::secureBoot, visibility)) {
        return checkItem(Check::secureBoot, false, *unseen);
    }
    if (secureBootValue) {
        const bool enabled = *secureBootValue == 1;
        return checkItem(Check::secureBoot, enabled, enabled ? Finding::secureBootOn : Finding::secureBootOff);
    }
    if (!firmwareType || isUefiFirmwareType(firmwareType)) {
        return checkItem(Check::secureBoot, false, Finding::secureBootUnread);
    }
    return checkItem(Check::secureBoot, false, Finding::secureBootLegacy);
}

CheckItem probeSecureBoot(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType)
{
    const bool visible = visibility == platform::FirmwareVisibility::visible;
    return secureBootCheck(visibility, visible ? platform::secureBootValue() : std::nullopt, firmwareType);
}

} // namespace quill
