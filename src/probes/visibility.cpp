#include "probes/visibility.h"

namespace quill {

std::optional<std::string> unseenDetail(platform::FirmwareVisibility visibility)
{
    switch (visibility) {
    case platform::FirmwareVisibility::container:
        return "nicht ermittelbar (Container)";
    case platform::FirmwareVisibility::wsl:
        return "nicht ermittelbar (WSL)";
    case platform::FirmwareVisibility::visible:
        break;
    }
    return std::nullopt;
}

} // namespace quill
