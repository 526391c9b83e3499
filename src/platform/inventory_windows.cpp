#include "platform/inventory_answers.h"
#include "platform/support_windows.h"

#include <windows.h>
#include <winioctl.h>

#include <bit>
#include <string>
#include <vector>

namespace quill::platform {
namespace {

const wchar_t* const currentVersionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::string registryText(const wchar_t* name)
{
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, currentVersionKey, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return utf8FromWide(std::wstring(value, wcsnlen(value, 255)));
}

std::optional<std::uint32_t> registryNumber(const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, currentVersionKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::string computerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &length) != 0 ? utf8FromWide(std::wstring(name, length)) : std::string();
}

std::optional<std::string> smbiosTable()
{
    const DWORD rsmb = 0x52534D42; // 'RSMB'
    const UINT size = GetSystemFirmwareTable(rsmb, 0, nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::string table(size, '\0');
    if (GetSystemFirmwareTable(rsmb, 0, table.data(), size) != size) {
        return std::nullopt;
    }
    return table;
}

// The volume device is opened without read or write access: the partition query needs none,
// and so no administrator.
std::optional<std::uint32_t> systemPartitionStyle()
{
    wchar_t windows[MAX_PATH] = {};
    if (GetSystemWindowsDirectoryW(windows, MAX_PATH) < 2 || windows[1] != L':') {
        return std::nullopt;
    }
    const std::wstring volume = std::wstring(L"\\\\.\\") + windows[0] + L":";
    const HANDLE device =
        CreateFileW(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    PARTITION_INFORMATION_EX partition = {};
    DWORD returned = 0;
    const BOOL asked = DeviceIoControl(device, IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &partition,
                                       sizeof partition, &returned, nullptr);
    CloseHandle(device);
    if (asked == 0 || returned < sizeof partition.PartitionStyle) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(partition.PartitionStyle);
}

// 100-nanosecond intervals since 1601 in nanoseconds since 1970.
std::int64_t unixNanoseconds(const FILETIME& time)
{
    const std::int64_t ticks =
        static_cast<std::int64_t>(ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart);
    return (ticks - 116444736000000000LL) * 100;
}

int utcOffsetMinutes()
{
    TIME_ZONE_INFORMATION zone = {};
    const DWORD state = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (state == TIME_ZONE_ID_DAYLIGHT) {
        bias += zone.DaylightBias;
    } else if (state == TIME_ZONE_ID_STANDARD) {
        bias += zone.StandardBias;
    }
    return static_cast<int>(-bias);
}

// The cores and logical processors of every group, as the scheduler sees them: in a virtual
// machine its virtual processors. Any user may ask, from Windows 7 on, and kernel32 answers
// without a driver; the firmware's own counts (SMBIOS type 4) are often left unfilled in VMs.
void countProcessors(InventoryAnswers& answers)
{
    DWORD size = 0;
    if (GetLogicalProcessorInformationEx(RelationProcessorCore, nullptr, &size) != 0 ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return;
    }
    // In 8-byte units, so that each record's affinity masks are aligned as they must be.
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    auto* const bytes = reinterpret_cast<unsigned char*>(buffer.data());
    if (GetLogicalProcessorInformationEx(
            RelationProcessorCore, reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(bytes), &size) == 0) {
        return;
    }
    std::uint32_t cores = 0;
    std::uint32_t logical = 0;
    for (DWORD at = 0; at + sizeof(DWORD) * 2 <= size;) {
        const auto* const core = reinterpret_cast<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(bytes + at);
        if (core->Size == 0 || at + core->Size > size) {
            return;
        }
        ++cores;
        for (WORD group = 0; group < core->Processor.GroupCount; ++group) {
            logical += static_cast<std::uint32_t>(std::popcount(core->Processor.GroupMask[group].Mask));
        }
        at += core->Size;
    }
    answers.cores = cores;
    answers.logicalProcessors = logical;
}

} // namespace

InventoryAnswers inventoryAnswers()
{
    InventoryAnswers answers;
    answers.computerName = computerName();
    answers.smbios = smbiosTable();
    answers.productName = registryText(L"ProductName");
    answers.displayVersion = registryText(L"DisplayVersion");
    answers.buildNumber = registryText(L"CurrentBuildNumber");
    answers.ubr = registryNumber(L"UBR");
    answers.partitionStyle = systemPartitionStyle();
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    answers.now = unixNanoseconds(now);
    answers.utcOffsetMinutes = utcOffsetMinutes();
    const CpuidAnswers cpuid = readCpuid();
    answers.cpuidLeaf0 = cpuid.leaf0;
    answers.cpuidLeaf1 = cpuid.leaf1;
    countProcessors(answers);
    return answers;
}

} // namespace quill::platform
