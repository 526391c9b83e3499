#include "probes/firmware.h"

#include "core/check_details.h"
#include "core/checks.h"
#include "platform/platform.h"

namespace quill {

bool isUefiFirmwareType(std::optional<std::uint32_t> firmwareType)
{
    return firmwareType == firmwareTypeUefi;
}

bool isUefiFirmware()
{
    return isUefiFirmwareType(platform::firmwareType());
}

CheckItem uefiBootCheck(bool isUefi)
{
    return checkItem(Check::uefiBoot, isUefi, isUefi ? "aktiv" : std::string(legacyBiosDetail));
}

CheckItem probeUefiBoot()
{
    return uefiBootCheck(isUefiFirmware());
}

CheckItem secureBootCheck(std::optional<std::uint32_t> secureBootValue, const std::function<bool()>& askIsUefi)
{
    if (secureBootValue) {
        const bool enabled = *secureBootValue == 1;
        return checkItem(Check::secureBoot, enabled, enabled ? "aktiviert" : std::string(secureBootOffDetail));
    }
    if (askIsUefi()) {
        return checkItem(Check::secureBoot, false, "Status konnte nicht ausgelesen werden");
    }
    return checkItem(Check::secureBoot, false, std::string(secureBootInLegacyDetail));
}

CheckItem probeSecureBoot()
{
    return secureBootCheck(platform::secureBootValue(), isUefiFirmware);
}

} // namespace quill
