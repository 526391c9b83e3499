#pragma once

#include "core/check_item.h"
#include "core/finding.h"
#include "platform/platform.h"

#include <string>

namespace quill {

// The TPM probe's finding; detail is never empty.
struct TpmStatus {
    bool isVersion20 = false;
    std::string detail; // the finding in the table's words
    Finding finding = Finding::otherTpm;
    std::uint32_t value = 0; // the version or TBS result the finding names
};

// Judges the device query: any non-zero result is an error, whatever version came back. Where
// the machine's own TPM is not what the process sees, nothing is judged.
TpmStatus tpmStatusFrom(platform::FirmwareVisibility visibility, const platform::TpmDeviceAnswer& answer);

// Asks TPM Base Services once.
TpmStatus probeTpm(platform::FirmwareVisibility visibility);

// The "TPM 2.0" item made from the status.
CheckItem tpmCheck(const TpmStatus& status);

} // namespace quill
