#pragma once

// How the Linux layer turns what the kernel shows into the platform's answers. The sysfs
// readers take their root from the caller so tests can point them at a tree of their own;
// the program passes "/sys".

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform::linux_answers {

// Reads at most limit bytes of a file; nullopt when it cannot be opened or read.
std::optional<std::string> readSmallFile(const std::string& path, std::size_t limit);

// The architecture code from CPUID: AMD64 (9) when the processor has long mode (leaf
// 0x80000001 EDX bit 29), else x86 (0). uname would tell the personality instead, which
// setarch and 32-bit chroots change.
std::uint16_t architectureFromCpuid(std::uint32_t highestExtendedLeaf, const CpuidRegisters& extendedLeaf1);

// WSL where osrelease (nullopt: unreadable) names Microsoft; a container where sysfs is not
// mounted at root (rootIsSysfs) or its firmware folder is missing or empty, as a container
// runtime masks it; else visible. Marker files such as /.dockerenv are no sign: virtual
// machines made from container images carry them too.
FirmwareVisibility firmwareVisibility(const std::string& root, bool rootIsSysfs,
                                      const std::optional<std::string>& osRelease);

// UEFI (2) exactly when <root>/firmware/efi is a directory, else BIOS (1). Never fails.
std::optional<std::uint32_t> firmwareType(const std::string& root);

// The SecureBoot efivar: 4 attribute bytes, then the value, little-endian. Only a file of
// 5 to 8 bytes is a successful read.
std::optional<std::uint32_t> secureBootValue(const std::string& root);

// <root>/firmware/efi/fw_platform_size as a number; nullopt when unreadable.
std::optional<std::uint32_t> uefiWordSize(const std::string& root);

// tpm0 absent: "TPM not found", marked as described without driver when an ACPI MSFT0101
// device (TPM 2.0) is present and enabled; else the version from tpm_version_major, or, where that file
// is missing (kernels before 5.5), from the devices only one TPM family gets; "internal
// error" when neither tells.
TpmDeviceAnswer tpmDeviceInfo(const std::string& root);

// A partition of a disk, as the disk's folder lists it.
struct BlockPartition {
    std::string name;
    std::string number; // the dev file's "MAJ:MIN"
};

// A block device as <sysfs>/block lists it. The file texts are kept as read (nullopt when
// unreadable), so judging them stays a pure function.
struct BlockDisk {
    std::string name;
    bool hasDevice = false; // real hardware: a "device" entry leads to it
    std::optional<std::string> removable;
    std::optional<std::string> size; // in 512-byte sectors, whatever the disk's block size
    std::string number{};            // the dev file's "MAJ:MIN", empty when unreadable
    std::vector<BlockPartition> partitions{};
    std::vector<std::string> slaves{};          // what device-mapper or md builds it on: disks or partitions
    std::optional<std::string> backingDevice{}; // a loop's: "MAJ:MIN" of what holds its backing file
    bool isUsb = false;                         // attached through USB: its device path has a usb node
    bool isSdCard = false;                      // device/type reads SD
};

// The entries of <root>/block in directory order; empty when the folder cannot be read. A
// loop's backing file is looked up from the process's own root, where the kernel names it.
std::vector<BlockDisk> blockDisks(const std::string& root);

// A device number as sysfs writes it, "MAJ:MIN".
std::string deviceNumber(std::uint64_t device);

// The device number ("MAJ:MIN") and source of the file system mounted last on "/", as
// mountinfo lists them; nullopt when no line is for "/".
struct MountedDevice {
    std::string number;
    std::string source; // the device path for a disk file system, unescaped
};
std::optional<MountedDevice> rootMount(std::string_view mountinfo);

// What the root file system is and where it may sit.
struct RootFileSystem {
    std::optional<std::uint64_t> type;     // statfs's f_type; nullopt when statfs failed
    std::optional<std::uint64_t> capacity; // statvfs's total bytes; nullopt when it failed
    std::vector<std::string> numbers;      // the device numbers "/" may sit on, the likeliest first
};

// The capacity the system-drive line judges. A live system's root is a RAM disk, overlay,
// aufs, squashfs, iso9660 or EROFS, or sits on a loop device, also through device-mapper;
// there it is the largest built-in disk, where Windows would most likely go: real hardware,
// removable 0, not attached through USB, no SD card, no loop, RAM, optical or floppy device,
// and not the disk under the root or a loop's backing file, which holds the live medium. None
// such: nullopt, never the RAM disk's size. On an installed system it is the largest whole
// disk under "/", or the root file system's own size where no disk stands under it (NFS, a
// sysfs without block devices).
std::optional<std::uint64_t> systemCapacity(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks);

// The block devices systemCapacity needs for this root: on an installed system whose root
// sits on a partition or a whole disk that rests on nothing else, that disk alone (found
// through <root>/dev/block); in every other case all of blockDisks.
std::vector<BlockDisk> blockDisksFor(const std::string& root, const RootFileSystem& rootFileSystem);

// TBS_E_TPM_NOT_FOUND, which the Linux layer reports when there is no tpm0; where it cannot
// tell, it reports tbsInternalError as the Windows layer does.
inline constexpr std::uint32_t tbsTpmNotFound = 0x8028400F;

} // namespace quill::platform::linux_answers
