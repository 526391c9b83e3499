#include "probes/tpm.h"

#include "core/finding_table.h"
#include "probes/visibility.h"

namespace quill {

namespace {

TpmStatus status(bool isVersion20, Finding finding, std::uint32_t value = 0)
{
    return TpmStatus{isVersion20, findingText(finding, value), finding, value};
}

} // namespace

TpmStatus tpmStatusFrom(platform::FirmwareVisibility visibility, const platform::TpmDeviceAnswer& answer)
{
    if (const std::optional<Finding> unseen = unseenFinding(Check::tpm20, visibility)) {
        return status(false, *unseen);
    }
    // Sending the user to the firmware setup would not help: the chip is on, the system lacks the driver.
    if (answer.result != 0 && answer.isDescribedWithoutDriver) {
        return status(false, Finding::tpmWithoutDriver);
    }
    // Nothing was asked, so no firmware setting can be named.
    if (answer.result != 0 && answer.isPreinstallationWithoutTbs) {
        return status(false, Finding::tpmNotAskedInPe);
    }
    if (answer.result != 0) {
        return status(false, answer.result == platform::tbsTpmNotFound ? Finding::tpmNotFound : Finding::tbsError,
                      answer.result);
    }
    switch (answer.tpmVersion) {
    case 2:
        return status(true, Finding::tpm20);
    case 1:
        return status(false, Finding::tpm12);
    default:
        return status(false, Finding::tpmVersionUnknown, answer.tpmVersion);
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
    return checkItem(Check::tpm20, status.isVersion20, status.finding, status.value);
}

} // namespace quill
