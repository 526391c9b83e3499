#include "probes/firmware.h"

#include "core/check_details.h"
#include "core/checks.h"
#include "platform/platform.h"
#include "probes/visibility.h"

#include <string>
#include <utility>

namespace quill {

bool isUefiFirmwareType(std::optional<std::uint32_t> firmwareType)
{
    return firmwareType == firmwareTypeUefi;
}

namespace {

constexpr const char* unreadableDetail = "Status konnte nicht ausgelesen werden";

} // namespace

CheckItem uefiBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType,
                        std::optional<std::uint32_t> uefiWordSize)
{
    if (std::optional<std::string> unseen = unseenDetail(visibility)) {
        return checkItem(Check::uefiBoot, false, std::move(*unseen));
    }
    // Calling an unanswered query BIOS would send the user to switch on what may be on already.
    if (!firmwareType) {
        return checkItem(Check::uefiBoot, false, unreadableDetail);
    }
    const bool isUefi = isUefiFirmwareType(firmwareType);
    if (isUefi && uefiWordSize == 32u) {
        return checkItem(Check::uefiBoot, false, "32-Bit-UEFI (startet kein 64-Bit-Windows)");
    }
    return checkItem(Check::uefiBoot, isUefi, isUefi ? "aktiv" : std::string(legacyBiosDetail));
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
    if (std::optional<std::string> unseen = unseenDetail(visibility)) {
        return checkItem(Check::secureBoot, false, std::move(*unseen));
    }
    if (secureBootValue) {
        const bool enabled = *secureBootValue == 1;
        return checkItem(Check::secureBoot, enabled, enabled ? "aktiviert" : std::string(secureBootOffDetail));
    }
    if (!firmwareType || isUefiFirmwareType(firmwareType)) {
        return checkItem(Check::secureBoot, false, unreadableDetail);
    }
    return checkItem(Check::secureBoot, false, std::string(secureBootInLegacyDetail));
}

CheckItem probeSecureBoot(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> firmwareType)
{
    const bool visible = visibility == platform::FirmwareVisibility::visible;
    return secureBootCheck(visibility, visible ? platform::secureBootValue() : std::nullopt, firmwareType);
}

} // namespace quill
