#include "probes/memory.h"

#include "core/finding_table.h"
#include "platform/platform.h"

namespace quill {

CheckItem memoryCheck(std::optional<std::uint64_t> totalBytes)
{
    if (!totalBytes) {
        return checkItem(Check::memory, false, Finding::memoryUnreadable);
    }
    return checkItem(Check::memory, *totalBytes >= memoryThreshold, Finding::memoryInstalled, *totalBytes);
}

CheckItem probeMemory()
{
    return memoryCheck(platform::totalPhysicalMemory());
}

} // namespace quill
