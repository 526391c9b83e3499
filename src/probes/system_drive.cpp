#include "probes/system_drive.h"

#include "probes/gib_format.h"

namespace quill {

CheckItem systemDriveCheck(const platform::SystemVolumeAnswer& answer)
{
    const char* name = "Systemlaufwerk >= 64 GiB";
    if (!answer.directoryFound) {
        return CheckItem{name, false, "Windows-Verzeichnis nicht gefunden"};
    }
    if (!answer.totalBytes) {
        return CheckItem{name, false, "Kapazitaet konnte nicht gelesen werden"};
    }
    // Free space plays no part: only the volume's total size decides.
    return CheckItem{name, *answer.totalBytes >= systemDriveThreshold, "Kapazitaet " + formatGiB(*answer.totalBytes)};
}

CheckItem probeSystemDrive()
{
    return systemDriveCheck(platform::systemVolume());
}

} // namespace quill
