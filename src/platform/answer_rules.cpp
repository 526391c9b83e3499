#include "platform/answer_rules.h"

#include <algorithm>
#include <array>

namespace quill::platform {

std::optional<std::uint32_t> firmwareTypeFromVariableError(std::uint32_t error)
{
    switch (error) {
    case 1: // ERROR_INVALID_FUNCTION
        return firmwareTypeBios;
    case 0:   // read: only UEFI has variables
    case 203: // ERROR_ENVVAR_NOT_FOUND
    case 998: // ERROR_NOACCESS
        return firmwareTypeUefi;
    default:
        return std::nullopt;
    }
}

std::uint16_t nativeArchitectureFrom(std::optional<std::uint16_t> nativeMachine, std::uint16_t systemInfoArchitecture)
{
    constexpr std::uint16_t machineArm64 = 0xAA64; // IMAGE_FILE_MACHINE_ARM64
    return nativeMachine == machineArm64 ? architectureArm64 : systemInfoArchitecture;
}

bool isConsoleSeen(bool hasWindow, bool windowVisible, std::wstring_view windowClass)
{
    // A pseudo console (Windows Terminal, an ssh -t session, any ConPTY host) is drawn by its
    // terminal; so is Wine's console on the Unix terminal it was started from.
    constexpr std::array<std::wstring_view, 2> terminalDrawn = {L"PseudoConsoleWindow", L"WineConsoleClass"};
    return hasWindow &&
           (windowVisible || std::find(terminalDrawn.begin(), terminalDrawn.end(), windowClass) != terminalDrawn.end());
}

std::optional<std::uint64_t> largestBuiltInDisk(std::span<const WindowsDisk> disks)
{
    // STORAGE_BUS_TYPE: BusType1394 4, BusTypeUsb 7, BusTypeSd 12, BusTypeVirtual 14,
    // BusTypeFileBackedVirtual 15. Not BusTypeMmc 13: an MMC card is removable media anyway.
    constexpr std::array<std::uint32_t, 5> attachedBuses = {4, 7, 12, 14, 15};
    const auto isAttached = [&](std::uint32_t bus) {
        return std::find(attachedBuses.begin(), attachedBuses.end(), bus) != attachedBuses.end();
    };
    std::optional<std::uint64_t> largest;
    std::optional<std::uint64_t> largestHotplug;
    for (const WindowsDisk& disk : disks) {
        if (isAttached(disk.busType) || isAttached(disk.adapterBusType) || disk.removableMedia || !disk.lengthBytes ||
            *disk.lengthBytes == 0) {
            continue;
        }
        std::optional<std::uint64_t>& slot = disk.hotplug ? largestHotplug : largest;
        slot = std::max(slot.value_or(0), *disk.lengthBytes);
    }
    return largest ? largest : largestHotplug;
}

std::size_t nextPathBufferSize(std::size_t size, std::size_t reported)
{
    if (reported == 0 || reported < size || size >= largestPathBuffer) {
        return 0;
    }
    return std::min(size * 2, largestPathBuffer);
}

std::size_t wholeCharacterChunk(std::wstring_view text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text.size();
    }
    const wchar_t last = text[limit - 1];
    const bool highSurrogate = last >= 0xD800 && last <= 0xDBFF;
    return highSurrogate ? limit - 1 : limit;
}

std::uint16_t attributeInWindow(TextAttribute attribute, std::uint16_t window)
{
    if (attribute == TextAttribute::normal) {
        return window;
    }
    constexpr std::uint16_t backgroundBits = 0xF0;
    return static_cast<std::uint16_t>((window & backgroundBits) | static_cast<std::uint16_t>(attribute));
}

} // namespace quill::platform
