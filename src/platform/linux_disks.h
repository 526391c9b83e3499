#pragma once

// Which disk the Linux build measures for the system-drive line: the disk Windows setup would
// go to, told from what sysfs shows of the block devices and of what the root sits on. The
// readers take their sysfs root from the caller so tests can point them at a tree of their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform::linux_answers {

// Where a disk is attached, as far as that decides whether it stays in the machine.
enum class Attachment : std::uint8_t {
    internal,
    usb,
    sdCard,      // an MMC disk whose card type starts with "SD" (SD, SDcombo); eMMC reads "MMC"
    thunderbolt, // below a Thunderbolt or USB4 controller, or a port the firmware marks external
    firewire,
    network, // an iSCSI LUN or an NVMe namespace reached over a fabric (TCP, RDMA, FC)
};

// A block device as <sysfs>/block lists it. The file texts are kept as read (nullopt when
// unreadable), so judging them stays a pure function.
struct BlockDisk {
    std::string name;
    bool hasDevice = false; // real hardware: a "device" entry leads to it
    std::optional<std::string> removable{};
    std::optional<std::string> size{}; // in 512-byte sectors, whatever the disk's block size
    Attachment attachment = Attachment::internal;
    // Of a device-mapper device its dm/uuid, of an md array its md/metadata_version, as read.
    std::string volumeId{};
    // Of a volume Windows sees as one disk (multipath, firmware RAID): what it is built of, as
    // its slaves folder names them.
    std::vector<std::string> members{};
};

// statfs types the system-drive rule asks about.
inline constexpr std::uint64_t overlayFileSystem = 0x794c7630;
inline constexpr std::uint64_t btrfsFileSystem = 0x9123683e;

// Whether statfs's type is one a live medium boots into: a RAM disk, overlay, aufs, squashfs,
// iso9660 or EROFS.
bool isLiveFileSystemType(std::optional<std::uint64_t> type);

// A device number as sysfs writes it, "MAJ:MIN".
std::string deviceNumber(std::uint64_t device);

// The source of the file system mounted last at mountPoint, as mountinfo lists it (the device
// path for a disk file system), unescaped; nullopt when no line is for mountPoint.
std::optional<std::string> mountSource(std::string_view mountinfo, std::string_view mountPoint);

// The file system the system is installed on and the block device it is mounted from.
struct RootFileSystem {
    std::optional<std::uint64_t> type; // statfs's f_type; nullopt when statfs failed
    std::string number{};              // "MAJ:MIN"; empty where there is none (RAM disk, overlay, ZFS, NFS)
};

// The largest disk Windows setup would list as one it can go to that reads a size other than 0;
// nullopt when there is none. That is real hardware attached internally with removable 0 and a
// name that is no loop, RAM, optical, floppy or network device; or a multipath or firmware RAID
// volume whose members are all such disks of the list, which then count only as the volume.
std::optional<std::uint64_t> largestBuiltIn(const std::vector<BlockDisk>& disks);

// The disks <root>/block lists, in directory order. Loop, RAM, optical, floppy and network
// devices are set aside by name, unread. Empty when the folder cannot be read.
std::vector<BlockDisk> blockDisks(const std::string& root);

// The capacity the system-drive line judges.
//
// An installed system on built-in disks: the largest of the disks under it, found from its
// device number through partitions, device-mapper and md, for btrfs from every device of the
// file system. Device-mapper and md are Linux's own and Windows sees their members, except
// multipath (dm/uuid "mpath-"), dmraid's firmware RAID ("DMRAID-") and md arrays whose metadata
// the firmware keeps ("external:", Intel RST and DDF): Windows sees those as one disk.
//
// Anything else (a live system, whose root is a RAM disk, overlay, aufs, squashfs, iso9660 or
// EROFS, or sits on a loop device; a root with a disk that is not built-in under it; a root on
// zram, a RAM disk or no block device at all, as ZFS or NFS): the largest built-in disk, where
// Windows would most likely go. A disk that holds a loop's backing file (an ISO booted through
// GRUB's loopback or Ventoy) counts like any other. A disk reading size 0 is passed over; none
// left: nullopt, never a RAM disk's or a file system's size.
std::optional<std::uint64_t> systemCapacity(const std::string& root, const RootFileSystem& rootFileSystem);

} // namespace quill::platform::linux_answers
