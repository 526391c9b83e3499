#pragma once

// How the Linux layer turns what the kernel shows into the platform's answers. The sysfs
// readers take their root from the caller so tests can point them at a tree of their own;
// the program passes "/sys".

#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform::linux_answers {

// uname's machine name as a PROCESSOR_ARCHITECTURE_* code; 0xFFFF when unknown.
std::uint16_t architectureFromMachine(std::string_view machine);

// UEFI (2) exactly when <root>/firmware/efi is a directory, else BIOS (1). Never fails.
std::optional<std::uint32_t> firmwareType(const std::string& root);

// The SecureBoot efivar: 4 attribute bytes, then the value, little-endian. Only a file of
// 5 to 8 bytes is a successful read.
std::optional<std::uint32_t> secureBootValue(const std::string& root);

// tpm0 absent: "TPM not found"; else the version from tpm_version_major, or, where that file
// is missing (kernels before 5.5), from the devices only one TPM family gets; "internal
// error" when neither tells.
TpmDeviceAnswer tpmDeviceInfo(const std::string& root);

// A whole disk as <sysfs>/block lists it. The file texts are kept as read (nullopt when
// unreadable), so judging them stays a pure function.
struct BlockDisk {
    std::string name;
    bool hasDevice = false; // real hardware: a "device" entry leads to it
    std::optional<std::string> removable;
    std::optional<std::string> size; // in 512-byte sectors, whatever the disk's block size
};

// The entries of <root>/block in directory order; empty when the folder cannot be read.
std::vector<BlockDisk> blockDisks(const std::string& root);

// Whether statfs's file-system type is one a live medium boots into (tmpfs, ramfs, overlayfs,
// squashfs, iso9660, aufs). nullopt (statfs failed) is not.
bool isLiveMediumRoot(std::optional<std::uint64_t> fileSystemType);

// The capacity in bytes of the largest built-in disk: one with a device, removable 0 and no
// virtual or optical name, whose size is readable and fits 64 bits in bytes. nullopt when no
// disk qualifies.
std::optional<std::uint64_t> largestBuiltInDisk(const std::vector<BlockDisk>& disks);

// The capacity the system-drive line judges: on a live medium's root the largest built-in
// disk, where Windows would most likely go; otherwise, or when no disk qualifies, the root
// file system's own (rootCapacity, nullopt when statvfs failed).
std::optional<std::uint64_t> systemCapacity(std::optional<std::uint64_t> rootType,
                                            std::optional<std::uint64_t> rootCapacity,
                                            const std::vector<BlockDisk>& disks);

// TBS_E_TPM_NOT_FOUND, which the Linux layer reports when there is no tpm0; where it cannot
// tell, it reports tbsInternalError as the Windows layer does.
inline constexpr std::uint32_t tbsTpmNotFound = 0x8028400F;

} // namespace quill::platform::linux_answers
