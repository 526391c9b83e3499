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

CheckItem probeUefiBoot(platform::FirmwareVisibility visibility)
{
    return uefiBootCheck(visibility, platform::firmwareType(), platform::uefiWordSize());
}

CheckItem secureBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> secureBootValue,
                          const std::function<std::optional<std::uint32_t>()>& askFirmwareType)
{
    if (std::optional<std::string> unseen = unseenDetail(visibility)) {
        return checkItem(Check::secureBoot, false, std::move(*unseen));
    }
    if (secureBootValue) {
        const bool enabled = *secureBootValue == 1;
        return checkItem(Check::secureBoot, enabled, enabled ? "aktiviert" : std::string(secureBootOffDetail));
    }
    const std::optional<std::uint32_t> firmwareType = askFirmwareType();
    if (!firmwareType || isUefiFirmwareType(firmwareType)) {
        return checkItem(Check::secureBoot, false, unreadableDetail);
    }
    return checkItem(Check::secureBoot, false, std::string(secureBootInLegacyDetail));
}

CheckItem probeSecureBoot(platform::FirmwareVisibility visibility)
{
    return secureBootCheck(visibility, platform::secureBootValue(), platform::firmwareType);
}

} // namespace quill
