#pragma once

#include "core/checks.h"
#include "core/finding.h"
#include "platform/platform.h"

#include <optional>

namespace quill {

// The finding of a firmware, TPM or disk line that cannot be judged because the process does
// not see the machine's own (a container, WSL); nullopt where it does.
std::optional<Finding> unseenFinding(Check check, platform::FirmwareVisibility visibility);

} // namespace quill
