#include "platform/linux_disks.h"

#include "platform/linux_answers.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdlib>

namespace quill::platform::linux_answers {
namespace {

// <root>/<folder>/<name>, built in one string.
std::string sysfsPath(const std::string& root, std::string_view folder, std::string_view name)
{
    std::string path = root;
    path.append("/").append(folder).append("/").append(name);
    return path;
}

// Loop, RAM, compressed-RAM, optical and floppy devices hold no disk to install onto.
bool hasVirtualOrOpticalName(const std::string& name)
{
    constexpr std::array<std::string_view, 5> prefixes = {"loop", "ram", "zram", "sr", "fd"};
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&name](std::string_view prefix) { return name.rfind(prefix, 0) == 0; });
}

// The size file's sectors in bytes; nullopt when unreadable or too large to count in bytes.
std::optional<std::uint64_t> sizeInBytes(const BlockDisk& disk)
{
    constexpr std::uint64_t sectorBytes = 512;
    const std::uint64_t sectors = disk.size ? parseDecimal(*disk.size).value_or(UINT64_MAX) : UINT64_MAX;
    if (sectors > UINT64_MAX / sectorBytes) {
        return std::nullopt;
    }
    return sectors * sectorBytes;
}

// The largest readable size among the chosen disks.
std::optional<std::uint64_t> largestSize(const std::vector<BlockDisk>& disks, const std::vector<std::size_t>& chosen)
{
    std::optional<std::uint64_t> largest;
    for (const std::size_t index : chosen) {
        const std::optional<std::uint64_t> bytes = sizeInBytes(disks[index]);
        if (bytes && (!largest || *bytes > *largest)) {
            largest = bytes;
        }
    }
    return largest;
}

// The disk that is, or holds as a partition, the device matching.
template <typename Matches>
std::optional<std::size_t> findDisk(const std::vector<BlockDisk>& disks, Matches matches)
{
    for (std::size_t i = 0; i < disks.size(); ++i) {
        const BlockDisk& disk = disks[i];
        if (matches(disk.name, disk.number) ||
            std::any_of(disk.partitions.begin(), disk.partitions.end(),
                        [&matches](const BlockPartition& p) { return matches(p.name, p.number); })) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> diskWithNumber(const std::vector<BlockDisk>& disks, const std::string& number)
{
    if (number.empty()) {
        return std::nullopt;
    }
    return findDisk(disks, [&number](const std::string& /*name*/, const std::string& n) { return n == number; });
}

std::optional<std::size_t> diskWithName(const std::vector<BlockDisk>& disks, const std::string& name)
{
    return findDisk(disks, [&name](const std::string& n, const std::string& /*number*/) { return n == name; });
}

// Whether statfs's type is one a live medium boots into.
bool isLiveFileSystemType(std::optional<std::uint64_t> type)
{
    // tmpfs, ramfs, overlayfs, squashfs, iso9660, aufs, EROFS.
    constexpr std::array<std::uint64_t, 7> liveTypes = {0x01021994, 0x858458f6, 0x794c7630, 0x73717368,
                                                        0x9660,     0x61756673, 0xe0f5e1e2};
    return type && std::find(liveTypes.begin(), liveTypes.end(), *type) != liveTypes.end();
}

// Octal escapes (\040 for a space) as mountinfo writes white space and backslashes.
std::string unescapeMountField(std::string_view field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const bool isEscape = field[i] == '\\' && i + 3 < field.size() &&
                              std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                          field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                                          [](char c) { return c >= '0' && c <= '7'; });
        if (isEscape) {
            text += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// A line's fields, split at spaces.
std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// The device a loop's backing file lies on, as the kernel names the file; nullopt for anything
// but a bound loop, empty when the file cannot be found (deleted, or outside this root).
std::optional<std::string> backingDeviceOf(const std::string& blockEntry)
{
    std::optional<std::string> path = readSmallFile(blockEntry + "/loop/backing_file", PATH_MAX);
    if (!path) {
        return std::nullopt;
    }
    if (!path->empty() && path->back() == '\n') {
        path->pop_back();
    }
    struct stat info {};
    if (path->empty() || ::stat(path->c_str(), &info) != 0) {
        return std::string();
    }
    return deviceNumber(info.st_dev);
}

std::vector<BlockPartition> partitionsOf(const std::string& blockEntry, const std::string& diskName)
{
    std::vector<BlockPartition> partitions;
    for (const std::string& name : folderEntries(blockEntry).value_or(std::vector<std::string>{})) {
        // The kernel names a partition after its disk (sda1, nvme0n1p3); the disk's other
        // entries are attributes, and asking each of them would cost every run a few dozen calls.
        if (!name.starts_with(diskName)) {
            continue;
        }
        std::string folder = blockEntry;
        folder.append("/").append(name);
        if (exists(folder + "/partition")) {
            partitions.push_back(BlockPartition{name, readTrimmed(folder + "/dev")});
        }
    }
    return partitions;
}

// Whether the disk is one Windows could go to: real hardware that stays in the machine.
bool isBuiltIn(const BlockDisk& disk)
{
    // USB disks report removable 0 as often as not, SD cards never set it, and a Thunderbolt
    // disk looks like any NVMe disk but for its port: all are where a live or portable system
    // comes from, not where Windows would go.
    if (!disk.hasDevice || hasVirtualOrOpticalName(disk.name) || disk.isUsb || disk.isSdCard ||
        disk.hasRemovableParent) {
        return false;
    }
    return disk.removable && parseDecimal(*disk.removable) == std::optional<std::uint64_t>{0};
}

// A RAID volume of built-in disks: md, or device-mapper over two or more disks (Intel RST
// through dmraid), every member a whole built-in disk. Windows sees it as one disk through the
// RAID driver. One member (LUKS or LVM over a disk) is no RAID: that disk counts.
bool isRaidOfBuiltInDisks(const std::vector<BlockDisk>& disks, const BlockDisk& volume)
{
    if (volume.slaves.empty() || (!volume.name.starts_with("md") && volume.slaves.size() < 2)) {
        return false;
    }
    return std::all_of(volume.slaves.begin(), volume.slaves.end(), [&disks](const std::string& slave) {
        return std::any_of(disks.begin(), disks.end(),
                           [&slave](const BlockDisk& disk) { return disk.name == slave && isBuiltIn(disk); });
    });
}

// Where Windows could go: a built-in disk or a RAID volume of them.
bool countsAsBuiltIn(const std::vector<BlockDisk>& disks, const BlockDisk& disk)
{
    return isBuiltIn(disk) || isRaidOfBuiltInDisks(disks, disk);
}

// The disks a device rests on, and whether a loop device lies on the way.
struct Stack {
    std::vector<std::size_t> bottom;
    bool throughLoop = false;
};

// Follows a device down through device-mapper and md slaves to the disks at the bottom; a RAID
// volume of built-in disks is a bottom of its own. A loop's backing file is not followed: the
// disk that holds the file is no part of the root's stack. Stacks are a few levels deep; the
// bound on the steps stops a malformed one.
Stack followDown(const std::vector<BlockDisk>& disks, std::size_t start)
{
    constexpr int mostSteps = 64;
    Stack stack;
    std::vector<std::size_t> pending{start};
    for (int step = 0; step < mostSteps && !pending.empty(); ++step) {
        const std::size_t index = pending.back();
        pending.pop_back();
        const BlockDisk& disk = disks[index];
        if (disk.backingDevice) {
            stack.throughLoop = true;
        } else if (!disk.slaves.empty() && !isRaidOfBuiltInDisks(disks, disk)) {
            for (const std::string& slave : disk.slaves) {
                if (const std::optional<std::size_t> below = diskWithName(disks, slave)) {
                    pending.push_back(*below);
                }
            }
        } else if (std::find(stack.bottom.begin(), stack.bottom.end(), index) == stack.bottom.end()) {
            stack.bottom.push_back(index);
        }
    }
    return stack;
}

// What the root rests on: from the first of its device numbers that sysfs lists; nullopt
// when none is a block device (ZFS, NFS, a sysfs without block devices).
std::optional<Stack> rootStack(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks)
{
    for (const std::string& number : rootFileSystem.numbers) {
        if (const std::optional<std::size_t> index = diskWithNumber(disks, number)) {
            return followDown(disks, *index);
        }
    }
    return std::nullopt;
}

// An installed system on built-in disks: the root is no live medium's, sits on block devices
// through no loop, and every disk at the bottom of its stack is built-in.
bool standsOnBuiltInDisks(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks,
                          const std::optional<Stack>& stack)
{
    return !isLiveFileSystemType(rootFileSystem.type) && stack && !stack->throughLoop && !stack->bottom.empty() &&
           std::all_of(stack->bottom.begin(), stack->bottom.end(),
                       [&disks](std::size_t index) { return countsAsBuiltIn(disks, disks[index]); });
}

// The largest built-in disk that is not part of the root's own stack.
std::optional<std::uint64_t> largestBuiltIn(const std::vector<BlockDisk>& disks,
                                            const std::vector<std::size_t>& rootDisks)
{
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < disks.size(); ++i) {
        if (countsAsBuiltIn(disks, disks[i]) && std::find(rootDisks.begin(), rootDisks.end(), i) == rootDisks.end()) {
            chosen.push_back(i);
        }
    }
    return largestSize(disks, chosen);
}

// Whether a folder name is a PCI address, "0000:05:00.0".
bool isPciAddress(std::string_view name)
{
    constexpr std::string_view pattern = "hhhh:hh:hh.h";
    return name.size() == pattern.size() && std::equal(name.begin(), name.end(), pattern.begin(), [](char c, char p) {
               return p == 'h' ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c == p;
           });
}

// How the block device's link into /sys/devices (path, its target) runs: through a USB bus ("../devices/pci0000:00/
// 0000:00:14.0/usb2/2-1/..."), or from a PCI device whose removable file reads "removable": the
// kernel marks so every device behind a port a disk can be unplugged from (Thunderbolt, USB4),
// the disk's own controller included, so the nearest PCI device above it tells.
void readPort(const std::string& root, std::string path, BlockDisk& disk)
{
    if (path.empty()) {
        return;
    }
    disk.isUsb = ("/" + path).find("/usb") != std::string::npos;
    const std::size_t devices = path.find("devices/");
    if (disk.isUsb || devices == std::string::npos) {
        return;
    }
    path.erase(0, devices);
    for (std::size_t cut = path.find_last_of('/'); cut != std::string::npos; cut = path.find_last_of('/')) {
        path.erase(cut);
        if (isPciAddress(std::string_view(path).substr(path.find_last_of('/') + 1))) {
            disk.hasRemovableParent = readTrimmed(sysfsPath(root, path, "removable")) == "removable";
            return;
        }
    }
}

// Where the block device's link leads, relative to its folder; empty when unreadable.
std::string linkTarget(const std::string& link)
{
    std::array<char, PATH_MAX> target{};
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size() - 1);
    return length > 0 ? std::string(target.data(), static_cast<std::size_t>(length)) : std::string();
}

// listPartitions false: the caller knows the partition or the number it came through, and
// listing the disk's folder would cost five calls and a 32 KiB buffer for nothing. link: where
// the disk's entry leads, where the caller has read it already.
BlockDisk readBlockDisk(const std::string& root, const std::string& name, bool listPartitions = true,
                        const std::string& link = {})
{
    // The entries are links into /sys/devices; the paths below follow them.
    const std::string blockEntry = sysfsPath(root, "block", name);
    BlockDisk disk{name, exists(blockEntry + "/device"), readAttribute(blockEntry + "/removable"),
                   readAttribute(blockEntry + "/size")};
    if (listPartitions) {
        disk.number = readTrimmed(blockEntry + "/dev");
        disk.partitions = partitionsOf(blockEntry, name);
    }
    // Only what the kernel builds (device-mapper, md) rests on other devices, and only a loop
    // has a backing file: hardware is not asked for either.
    if (!disk.hasDevice) {
        disk.slaves = folderEntries(blockEntry + "/slaves").value_or(std::vector<std::string>{});
    }
    if (name.starts_with("loop")) {
        disk.backingDevice = backingDeviceOf(blockEntry);
    }
    // Never built-in whatever their port, so not asked: a machine has a dozen loop devices or more.
    if (disk.hasDevice && !hasVirtualOrOpticalName(name)) {
        // Only the MMC driver's disks can be SD cards.
        disk.isSdCard = name.starts_with("mmcblk") && readTrimmed(blockEntry + "/device/type") == "SD";
        if (!disk.isSdCard) {
            readPort(root, link.empty() ? linkTarget(blockEntry) : link, disk);
        }
    }
    return disk;
}

// A block device as a disk and, where it is one, the partition of it.
struct DeviceOnDisk {
    std::string disk;
    std::optional<BlockPartition> partition;
    std::string number{}; // the whole disk's, where the caller knows it
    std::string link{};   // where the disk's entry leads, where known
};

// The device a link to its folder leads to (<root>/dev/block/MAJ:MIN, <root>/class/block/NAME):
// a whole disk where <root>/block lists the folder's name, else a partition of the disk whose
// folder it lies in. nullopt when the link leads nowhere. One readlink: resolving the whole
// path would cost one call per folder on the way.
std::optional<DeviceOnDisk> deviceOnDisk(const std::string& root, const std::string& link, const std::string& number)
{
    std::string path = linkTarget(link);
    if (path.empty()) {
        return std::nullopt;
    }
    const std::size_t last = path.find_last_of('/');
    std::string name = path.substr(last + 1);
    if (last == std::string::npos || exists(sysfsPath(root, "block", name))) {
        return DeviceOnDisk{name, std::nullopt, number, path};
    }
    path.erase(last);
    std::string disk = path.substr(path.find_last_of('/') + 1);
    return DeviceOnDisk{std::move(disk), BlockPartition{name, number}, {}, std::move(path)};
}

// The devices of the stack under a device, read through the slaves folders, each disk with the
// partitions the stack runs through; nullopt where a loop lies on the way (a live system, for
// which all disks are read) or a slave cannot be found.
std::optional<std::vector<BlockDisk>> readStack(const std::string& root, const DeviceOnDisk& top)
{
    constexpr std::size_t mostDevices = 64;
    std::vector<BlockDisk> stack;
    std::vector<DeviceOnDisk> pending{top};
    while (!pending.empty() && stack.size() < mostDevices) {
        const DeviceOnDisk next = pending.back();
        pending.pop_back();
        auto known =
            std::find_if(stack.begin(), stack.end(), [&next](const BlockDisk& disk) { return disk.name == next.disk; });
        if (known == stack.end()) {
            if (hasVirtualOrOpticalName(next.disk)) {
                return std::nullopt;
            }
            stack.push_back(readBlockDisk(root, next.disk, false, next.link));
            known = stack.end() - 1;
            for (const std::string& slave : known->slaves) {
                // A whole disk is in the block folder; a partition leads to its disk.
                std::optional<DeviceOnDisk> below =
                    exists(sysfsPath(root, "block", slave))
                        ? DeviceOnDisk{slave, std::nullopt}
                        : deviceOnDisk(root, sysfsPath(root, "class/block", slave), std::string());
                if (!below) {
                    return std::nullopt;
                }
                pending.push_back(*std::move(below));
            }
        }
        if (next.partition) {
            known->partitions.push_back(*next.partition);
        }
        if (!next.number.empty()) {
            known->number = next.number;
        }
    }
    return stack;
}

} // namespace

std::string deviceNumber(std::uint64_t device)
{
    return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

std::optional<MountedDevice> rootMount(std::string_view mountinfo)
{
    // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw": optional fields up to "-".
    std::optional<MountedDevice> last;
    std::size_t start = 0;
    while (start < mountinfo.size()) {
        const std::size_t end = std::min(mountinfo.find('\n', start), mountinfo.size());
        const std::vector<std::string_view> fields = fieldsOf(mountinfo.substr(start, end - start));
        start = end + 1;
        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 6 || fields[4] != "/" || fields.end() - separator < 3) {
            continue;
        }
        last = MountedDevice{std::string(fields[2]), unescapeMountField(separator[2])};
    }
    return last;
}

std::vector<BlockDisk> blockDisks(const std::string& root)
{
    std::vector<BlockDisk> disks;
    for (const std::string& name : folderEntries(root + "/block").value_or(std::vector<std::string>{})) {
        disks.push_back(readBlockDisk(root, name));
    }
    return disks;
}

bool isBlockDeviceNumber(const std::string& root, const std::string& number)
{
    return !number.empty() && exists(sysfsPath(root, "dev/block", number));
}

std::vector<BlockDisk> blockDisksFor(const std::string& root, const RootFileSystem& rootFileSystem)
{
    // An installed root on built-in disks needs only the devices of its own stack: reading all
    // of them costs a run some hundred system calls on a machine with a dozen loop devices, and
    // thousands with the snap packages' hundreds. Anything else, or anything unclear, reads
    // them all.
    if (isLiveFileSystemType(rootFileSystem.type)) {
        return blockDisks(root);
    }
    for (const std::string& number : rootFileSystem.numbers) {
        const std::optional<DeviceOnDisk> device = deviceOnDisk(root, sysfsPath(root, "dev/block", number), number);
        if (!device) {
            continue;
        }
        std::optional<std::vector<BlockDisk>> stack = readStack(root, *device);
        if (stack && standsOnBuiltInDisks(rootFileSystem, *stack, rootStack(rootFileSystem, *stack))) {
            return *std::move(stack);
        }
        break;
    }
    return blockDisks(root);
}

std::optional<std::uint64_t> systemCapacity(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks)
{
    const std::optional<Stack> stack = rootStack(rootFileSystem, disks);
    if (standsOnBuiltInDisks(rootFileSystem, disks, stack)) {
        return largestSize(disks, stack->bottom);
    }
    return largestBuiltIn(disks, stack ? stack->bottom : std::vector<std::size_t>{});
}

} // namespace quill::platform::linux_answers
