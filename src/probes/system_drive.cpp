#include "probes/system_drive.h"

#include "core/check_details.h"
#include "core/checks.h"
#include "probes/gib_format.h"
#include "probes/visibility.h"

#include <utility>

namespace quill {

CheckItem systemDriveCheck(platform::FirmwareVisibility visibility, const platform::SystemVolumeAnswer& answer)
{
    if (std::optional<std::string> unseen = unseenDetail(visibility)) {
        return checkItem(Check::systemDrive, false, std::move(*unseen));
    }
    if (!answer.directoryFound) {
        return checkItem(Check::systemDrive, false, "Windows-Verzeichnis nicht gefunden");
    }
    if (!answer.totalBytes) {
        return checkItem(Check::systemDrive, false, "Kapazitaet konnte nicht gelesen werden");
    }
    // Free space plays no part: only the volume's total size decides.
    return checkItem(Check::systemDrive, *answer.totalBytes >= systemDriveThreshold,
                     std::string(capacityPrefix) + formatGiB(*answer.totalBytes));
}

CheckItem probeSystemDrive(platform::FirmwareVisibility visibility)
{
    // Disks that are not the machine's own are not read at all: a container sees the host's
    // hundreds of loop devices.
    const bool ownDisks = visibility == platform::FirmwareVisibility::visible;
    return systemDriveCheck(visibility, ownDisks ? platform::systemVolume() : platform::SystemVolumeAnswer{});
}

} // namespace quill
