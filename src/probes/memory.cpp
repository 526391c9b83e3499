#include "probes/memory.h"

#include "core/check_details.h"
#include "core/checks.h"
#include "platform/platform.h"
#include "probes/gib_format.h"

namespace quill {

CheckItem memoryCheck(std::optional<std::uint64_t> totalBytes)
{
    if (!totalBytes) {
        return checkItem(Check::memory, false, "konnte nicht gelesen werden");
    }
    return checkItem(Check::memory, *totalBytes >= memoryThreshold,
                     formatGiB(*totalBytes) + std::string(installedSuffix));
}

CheckItem probeMemory()
{
    return memoryCheck(platform::totalPhysicalMemory());
}

} // namespace quill
