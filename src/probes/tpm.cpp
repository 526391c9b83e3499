#include "probes/tpm.h"

#include "core/check_details.h"
#include "core/checks.h"
#include "probes/visibility.h"

#include <utility>

namespace quill {

TpmStatus tpmStatusFrom(platform::FirmwareVisibility visibility, const platform::TpmDeviceAnswer& answer)
{
    if (std::optional<std::string> unseen = unseenDetail(visibility)) {
        return TpmStatus{false, std::move(*unseen)};
    }
    // Sending the user to the firmware setup would not help: the chip is on, the system lacks the driver.
    if (answer.result != 0 && answer.isDescribedWithoutDriver) {
        return TpmStatus{false, "TPM vorhanden, kein Treiber"};
    }
    // Nothing was asked, so no firmware setting can be named.
    if (answer.result != 0 && answer.isPreinstallationWithoutTbs) {
        return TpmStatus{false, "nicht ermittelbar (Windows PE ohne TBS)"};
    }
    // std::to_string of a uint32_t is plain unsigned decimal: no sign, no grouping, no base.
    if (answer.result != 0) {
        return TpmStatus{false, std::string(tpmNotFoundPrefix) + std::to_string(answer.result) + ")"};
    }
    switch (answer.tpmVersion) {
    case 2:
        return TpmStatus{true, "TPM 2.0 erkannt"};
    case 1:
        return TpmStatus{false, std::string(tpm12Detail)};
    default:
        return TpmStatus{false, "unbekannte TPM-Version (" + std::to_string(answer.tpmVersion) + ")"};
    }
}

TpmStatus probeTpm(platform::FirmwareVisibility visibility)
{
    // A TPM that is not the machine's own is not asked about.
    const bool visible = visibility == platform::FirmwareVisibility::visible;
    return tpmStatusFrom(visibility, visible ? platform::tpmDeviceInfo() : platform::TpmDeviceAnswer{});
}

CheckItem tpmCheck(const TpmStatus& status)
{
    return checkItem(Check::tpm20, status.isVersion20, status.detail);
}

} // namespace quill
