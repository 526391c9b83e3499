#pragma once

#include "platform/platform.h"

#include <optional>
#include <string>

namespace quill {

// The detail of a firmware, TPM or disk line that cannot be judged because the process does
// not see the machine's own (a container, WSL); nullopt where it does.
std::optional<std::string> unseenDetail(platform::FirmwareVisibility visibility);

} // namespace quill
