#include "platform/answer_rules.h"
#include "platform/platform.h"
#include "platform/support_windows.h"

#include <winioctl.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quill::platform {
namespace {

// GetDiskSpaceInformationW's record, missing from mingw-w64's headers, as the SDK's fileapi.h
// declares it.
struct DiskSpaceInformation {
    ULONGLONG ActualTotalAllocationUnits;
    ULONGLONG ActualAvailableAllocationUnits;
    ULONGLONG ActualPoolUnusedAllocationUnits;
    ULONGLONG CallerTotalAllocationUnits;
    ULONGLONG CallerAvailableAllocationUnits;
    ULONGLONG CallerPoolUnusedAllocationUnits;
    ULONGLONG UsedAllocationUnits;
    ULONGLONG TotalReservedAllocationUnits;
    ULONGLONG VolumeStorageReserveAllocationUnits;
    ULONGLONG AvailableCommittedAllocationUnits;
    ULONGLONG PoolAvailableAllocationUnits;
    DWORD SectorsPerAllocationUnit;
    DWORD BytesPerSector;
};

using GetDiskSpaceInformationFunction = HRESULT(WINAPI*)(LPCWSTR, DiskSpaceInformation*);

// The volume's actual size where the system can tell it: with per-user disk quotas,
// GetDiskFreeSpaceExW's total is the caller's quota. nullopt where the query is missing
// (before Windows 10 1703) or fails.
std::optional<std::uint64_t> actualVolumeTotal(const wchar_t* root)
{
    const auto getDiskSpaceInformation =
        findFunction<GetDiskSpaceInformationFunction>(kernel32(), "GetDiskSpaceInformationW");
    DiskSpaceInformation info{};
    if (getDiskSpaceInformation == nullptr || FAILED(getDiskSpaceInformation(root, &info))) {
        return std::nullopt;
    }
    const std::uint64_t unitBytes = std::uint64_t{info.SectorsPerAllocationUnit} * info.BytesPerSector;
    std::uint64_t total = 0;
    if (__builtin_mul_overflow(info.ActualTotalAllocationUnits, unitBytes, &total) || total == 0) {
        return std::nullopt;
    }
    return total;
}

// One IOCTL_STORAGE_QUERY_PROPERTY standard query; false unless at least the first needed bytes came.
template <typename Descriptor>
bool queryStorageProperty(HANDLE disk, STORAGE_PROPERTY_ID property, Descriptor& descriptor, std::size_t needed)
{
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = property;
    query.QueryType = PropertyStandardQuery;
    DWORD returned = 0;
    return DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &descriptor, sizeof descriptor,
                           &returned, nullptr) != 0 &&
           returned >= needed;
}

// How a physical disk is attached and how large it is; nullopt where it does not exist.
std::optional<WindowsDisk> physicalDisk(unsigned number)
{
    // Spelled out: std::to_wstring would bring the runtime's whole wide formatting into the exe.
    std::wstring path = L"\\\\.\\PhysicalDrive";
    if (number >= 10) {
        path += static_cast<wchar_t>(L'0' + number / 10);
    }
    path += static_cast<wchar_t>(L'0' + number % 10);
    const HANDLE disk =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    WindowsDisk answer;
    STORAGE_DEVICE_DESCRIPTOR device{};
    if (queryStorageProperty(disk, StorageDeviceProperty, device,
                             offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof device.BusType)) {
        answer.busType = static_cast<std::uint32_t>(device.BusType);
        answer.removableMedia = device.RemovableMedia != 0;
    } else {
        answer.removableMedia = true; // a disk that does not say how it is attached is not counted
    }
    // A USB bridge may pass its disk's own bus on; the adapter is the bridge.
    STORAGE_ADAPTER_DESCRIPTOR adapter{};
    if (queryStorageProperty(disk, StorageAdapterProperty, adapter,
                             offsetof(STORAGE_ADAPTER_DESCRIPTOR, BusType) + sizeof adapter.BusType)) {
        answer.adapterBusType = adapter.BusType;
    }
    // Set from the port's capabilities: a Thunderbolt or USB4 port tunnels PCIe, so its NVMe
    // disk reports the NVMe bus like a built-in one, and only this says it can be unplugged.
    STORAGE_HOTPLUG_INFO hotplug{};
    DWORD returned = 0;
    if (DeviceIoControl(disk, IOCTL_STORAGE_GET_HOTPLUG_INFO, nullptr, 0, &hotplug, sizeof hotplug, &returned,
                        nullptr) != 0 &&
        returned >= sizeof hotplug) {
        answer.hotplug = hotplug.DeviceHotplug != 0 || hotplug.MediaHotplug != 0;
    }
    GET_LENGTH_INFORMATION length{};
    if (DeviceIoControl(disk, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr) !=
            0 &&
        length.Length.QuadPart > 0) {
        answer.lengthBytes = static_cast<std::uint64_t>(length.Length.QuadPart);
    }
    CloseHandle(disk);
    return answer;
}

// Disk numbers need not be contiguous (a stick pulled out leaves a gap), so a fixed range is
// asked; a PC has far fewer disks.
std::optional<std::uint64_t> largestBuiltInDiskOfPe()
{
    constexpr unsigned diskNumbers = 64;
    std::vector<WindowsDisk> disks;
    for (unsigned number = 0; number < diskNumbers; ++number) {
        if (std::optional<WindowsDisk> disk = physicalDisk(number)) {
            disks.push_back(*disk);
        }
    }
    return largestBuiltInDisk(disks);
}

} // namespace

SystemVolumeAnswer systemVolume()
{
    wchar_t directory[MAX_PATH] = {};
    if (GetWindowsDirectoryW(directory, MAX_PATH) == 0) {
        return SystemVolumeAnswer{false, std::nullopt};
    }
    // Windows PE's own volume is a RAM disk of at most 512 MB; Windows will go to a disk.
    if (isWindowsPe()) {
        return SystemVolumeAnswer{true, largestBuiltInDiskOfPe()};
    }
    // Only the drive letter matters: the capacity asked is that of its root.
    const wchar_t root[4] = {directory[0], L':', L'\\', L'\0'};
    if (const std::optional<std::uint64_t> actual = actualVolumeTotal(root)) {
        return SystemVolumeAnswer{true, actual};
    }
    ULARGE_INTEGER availableToCaller{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER totalFree{};
    if (GetDiskFreeSpaceExW(root, &availableToCaller, &total, &totalFree) == 0) {
        return SystemVolumeAnswer{true, std::nullopt};
    }
    return SystemVolumeAnswer{true, total.QuadPart};
}

} // namespace quill::platform
