#include "platform/platform.h"

namespace quill::platform {

// A terminal here shows UTF-8 as it is: nothing to switch, nothing to put back.

std::uint32_t useUtf8Output()
{
    return 0;
}

void restoreOutput(std::uint32_t /*previous*/)
{
}

} // namespace quill::platform
