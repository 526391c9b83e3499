#pragma once

// Decisions the platform layers take on what the system answered, kept free of system
// headers so that the tests run them on every build.

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quill::platform {

// Where GetFirmwareType is missing (Windows 7 and 8.0): the firmware type from the error a
// read of a firmware variable no firmware has ended with. Only legacy BIOS answers
// ERROR_INVALID_FUNCTION; UEFI reads variables, so it finds none (ERROR_ENVVAR_NOT_FOUND) or
// refuses the empty buffer (ERROR_NOACCESS). Any other error, a missing privilege above all,
// comes before the firmware was asked: nullopt, since it tells nothing about the firmware.
std::optional<std::uint32_t> firmwareTypeFromVariableError(std::uint32_t error);

// The native architecture as a PROCESSOR_ARCHITECTURE_* code: from IsWow64Process2's native
// machine (an IMAGE_FILE_MACHINE_* code) where Windows told it, since an x64 program emulated on
// ARM64 hears AMD64 from GetNativeSystemInfo; else systemInfoArchitecture as that reported it.
std::uint16_t nativeArchitectureFrom(std::optional<std::uint16_t> nativeMachine, std::uint16_t systemInfoArchitecture);

// Whether someone can see the console to press a key in it, from its window (GetConsoleWindow):
// none (CREATE_NO_WINDOW), shown or not (IsWindowVisible) and its class. A hidden start hides the
// window for good, also when a wrapper shares it (cmd /c in a logon script, an Intune or SCCM job,
// Start-Process -WindowStyle Hidden). A terminal that draws the console itself holds it behind a
// window it never shows, so that class counts as seen.
bool isConsoleSeen(bool hasWindow, bool windowVisible, std::wstring_view windowClass);

// A disk as Windows PE sees it: through IOCTL_STORAGE_QUERY_PROPERTY the STORAGE_BUS_TYPE of the
// device and of its adapter and whether its medium is removable, through
// IOCTL_STORAGE_GET_HOTPLUG_INFO whether its port lets it go while running, and through
// IOCTL_DISK_GET_LENGTH_INFO its size (nullopt: not answered).
struct WindowsDisk {
    std::uint32_t busType = 0;
    bool removableMedia = false;
    std::optional<std::uint64_t> lengthBytes;
    bool hotplug = false;
    std::uint32_t adapterBusType = 0;
};

// The size of the disk Windows would be installed on when checked from Windows PE, whose own
// drive is a RAM disk: the largest built-in disk. A disk on USB, FireWire or SD (by the device's
// bus or its adapter's), a virtual or file-backed one and removable media are the sticks and
// images such a run starts from; eMMC is soldered in. A hot-pluggable disk (an NVMe in a
// Thunderbolt or USB4 enclosure) counts only where no other is there, since SATA ports and the
// M.2 slots of some boards inside a PC say they are hot-pluggable too.
std::optional<std::uint64_t> largestBuiltInDisk(std::span<const WindowsDisk> disks);

// A Windows path has at most 32,767 units and its terminator; no buffer grows beyond.
inline constexpr std::size_t largestPathBuffer = 0x8000;

// A path read into a buffer of size units reported `reported` units, where a full buffer
// means it may have been cut: the buffer size to read it again with, or 0 when the answer
// stands (it fit, the read failed, or the largest buffer was full).
std::size_t nextPathBufferSize(std::size_t size, std::size_t reported);

// How many units of text to write at once, at most limit (at least 2): a chunk never ends
// between the two halves of a surrogate pair.
std::size_t wholeCharacterChunk(std::wstring_view text, std::size_t limit);

// The console attribute that shows attribute in a window whose own attribute is window:
// normal text in the window's own colours, coloured text on the window's background.
std::uint16_t attributeInWindow(TextAttribute attribute, std::uint16_t window);

} // namespace quill::platform
