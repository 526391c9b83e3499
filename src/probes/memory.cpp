#include "probes/memory.h"

#include "platform/platform.h"
#include "probes/gib_format.h"

namespace quill {

CheckItem memoryCheck(std::optional<std::uint64_t> totalBytes)
{
    if (!totalBytes) {
        return CheckItem{"RAM >= 4 GiB", false, "konnte nicht gelesen werden"};
    }
    return CheckItem{"RAM >= 4 GiB", *totalBytes >= memoryThreshold, formatGiB(*totalBytes) + " installiert"};
}

CheckItem probeMemory()
{
    return memoryCheck(platform::totalPhysicalMemory());
}

} // namespace quill
