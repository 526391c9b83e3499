#include "platform/platform.h"

namespace quill::platform {

void useUtf8Output()
{
    // A terminal here shows UTF-8 as it is.
}

} // namespace quill::platform
