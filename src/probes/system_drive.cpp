#include "probes/system_drive.h"

#include "core/finding_table.h"
#include "probes/visibility.h"

namespace quill {

CheckItem systemDriveCheck(platform::FirmwareVisibility visibility, const platform::SystemVolumeAnswer& answer)
{
    if (const std::optional<Finding> unseen = unseenFinding(Check::systemDrive, visibility)) {
        return checkItem(Check::systemDrive, false, *unseen);
    }
    if (!answer.directoryFound) {
        return checkItem(Check::systemDrive, false, Finding::noWindowsFolder);
    }
    if (!answer.totalBytes) {
        return checkItem(Check::systemDrive, false, Finding::driveUnreadable);
    }
    // Free space plays no part: only the volume's total size decides.
    return checkItem(Check::systemDrive, *answer.totalBytes >= systemDriveThreshold, Finding::driveCapacity,
                     *answer.totalBytes);
}

CheckItem probeSystemDrive(platform::FirmwareVisibility visibility)
{
    // Disks that are not the machine's own are not read at all: a container sees the host's
    // hundreds of loop devices.
    const bool ownDisks = visibility == platform::FirmwareVisibility::visible;
    return systemDriveCheck(visibility, ownDisks ? platform::systemVolume() : platform::SystemVolumeAnswer{});
}

} // namespace quill
