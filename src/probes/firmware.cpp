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

bool isUefiFirmware()
{
    return isUefiFirmwareType(platform::firmwareType());
}

CheckItem uefiBootCheck(platform::FirmwareVisibility visibility, bool isUefi, std::optional<std::uint32_t> uefiWordSize)
{
    if (std::optional<std::string> unseen = unseenDetail(visibility)) {
        return checkItem(Check::uefiBoot, false, std::move(*unseen));
    }
    if (isUefi && uefiWordSize == 32u) {
        return checkItem(Check::uefiBoot, false, "32-Bit-UEFI (startet kein 64-Bit-Windows)");
    }
    return checkItem(Check::uefiBoot, isUefi, isUefi ? "aktiv" : std::string(legacyBiosDetail));
}

CheckItem probeUefiBoot(platform::FirmwareVisibility visibility)
{
    return uefiBootCheck(visibility, isUefiFirmware(), platform::uefiWordSize());
}

CheckItem secureBootCheck(platform::FirmwareVisibility visibility, std::optional<std::uint32_t> secureBootValue,
                          const std::function<bool()>& askIsUefi)
{
    if (std::optional<std::string> unseen = unseenDetail(visibility)) {
        return checkItem(Check::secureBoot, false, std::move(*unseen));
    }
    if (secureBootValue) {
        const bool enabled = *secureBootValue == 1;
        return checkItem(Check::secureBoot, enabled, enabled ? "aktiviert" : std::string(secureBootOffDetail));
    }
    if (askIsUefi()) {
        return checkItem(Check::secureBoot, false, "Status konnte nicht ausgelesen werden");
    }
    return checkItem(Check::secureBoot, false, std::string(secureBootInLegacyDetail));
}

CheckItem probeSecureBoot(platform::FirmwareVisibility visibility)
{
    return secureBootCheck(visibility, platform::secureBootValue(), isUefiFirmware);
}

} // namespace quill
