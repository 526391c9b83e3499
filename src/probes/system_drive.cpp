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
    return systemDriveCheck(visibility, platform::systemVolume());
}

} // namespace quill
