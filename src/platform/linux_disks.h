#pragma once

// Which disk the Linux build measures for the system-drive line: the disk Windows would go to,
// told from what sysfs shows of the block devices and of what the root sits on. The readers
// take their sysfs root from the caller so tests can point them at a tree of their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform::linux_answers {

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
    // A device above it reads "removable" in its removable file: the kernel's word for a port
    // a disk can be unplugged from, as Thunderbolt and USB4 are.
    bool hasRemovableParent = false;
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
    std::optional<std::uint64_t> type; // statfs's f_type; nullopt when statfs failed
    std::vector<std::string> numbers;  // the device numbers "/" may sit on, the likeliest first
};

// The capacity the system-drive line judges.
//
// An installed system on built-in disks: the disk under "/", found from the root's device
// number through its partition and through device-mapper and md; the largest where there are
// several. A RAID volume (md, or device-mapper over two or more disks) built of whole built-in
// disks counts as one disk of its own size, as Windows would see it through the RAID driver.
//
// Anything else (a live system, whose root is a RAM disk, overlay, aufs, squashfs, iso9660 or
// EROFS, or sits on a loop device; a root on a USB, SD, Thunderbolt or removable disk, on zram
// or a RAM disk; a root on no block device at all, as ZFS or NFS): the largest built-in disk,
// where Windows would most likely go. Built-in means real hardware, removable 0, not attached
// through USB or a removable port, no SD card, no loop, RAM, optical or floppy device, and not
// a disk of the root's own stack. A built-in disk that merely holds a loop's backing file (an
// ISO booted through GRUB's loopback or Ventoy) counts. None such: nullopt, never a RAM disk's
// or a file system's size.
std::optional<std::uint64_t> systemCapacity(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks);

// Whether the first of the root's numbers that <root>/dev/block knows is a block device.
bool isBlockDeviceNumber(const std::string& root, const std::string& number);

// The block devices systemCapacity needs for this root: on an installed system whose root
// sits, also through device-mapper or md, on built-in disks only, the devices of that stack
// alone (found through <root>/dev/block and the slaves folders); in every other case all of
// blockDisks.
std::vector<BlockDisk> blockDisksFor(const std::string& root, const RootFileSystem& rootFileSystem);

} // namespace quill::platform::linux_answers
