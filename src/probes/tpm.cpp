#include "probes/tpm.h"

#include "core/check_details.h"
#include "core/checks.h"

namespace quill {

TpmStatus tpmStatusFrom(const platform::TpmDeviceAnswer& answer)
{
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

TpmStatus probeTpm()
{
    return tpmStatusFrom(platform::tpmDeviceInfo());
}

CheckItem tpmCheck(const TpmStatus& status)
{
    return checkItem(Check::tpm20, status.isVersion20, status.detail);
}

} // namespace quill
