#include "platform/linux_disks.h"

#include "platform/linux_answers.h"

#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>

namespace quill::platform::linux_answers {
namespace {

// <root>/<folder>/<name>, built in one string.
std::string sysfsPath(const std::string& root, std::string_view folder, std::string_view name)
{
    std::string path = root;
    path.append("/").append(folder).append("/").append(name);
    return path;
}

std::string_view lastPart(std::string_view path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// The path without its last part; empty when it has one part only.
std::string_view parentOf(std::string_view path)
{
    const std::size_t cut = path.find_last_of('/');
    return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut);
}

// Devices that hold no disk Windows could go to, told by the name the kernel gives them, so
// nothing of them is read: a machine with snap packages has dozens of loop devices. Loop, RAM,
// compressed-RAM, optical and floppy devices, and network block devices (NBD, Ceph's RBD).
bool isNeverADisk(std::string_view name)
{
    constexpr std::array<std::string_view, 7> prefixes = {"loop", "ram", "zram", "sr", "fd", "nbd", "rbd"};
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [name](std::string_view prefix) { return name.starts_with(prefix); });
}

// Whether text is prefix followed by at least one digit: "fw1", "session3", "nvme0".
bool isNumbered(std::string_view text, std::string_view prefix)
{
    return text.size() > prefix.size() && text.starts_with(prefix) &&
           std::isdigit(static_cast<unsigned char>(text[prefix.size()])) != 0;
}

// Whether a folder name is a PCI address, "0000:05:00.0".
bool isPciAddress(std::string_view name)
{
    constexpr std::string_view pattern = "hhhh:hh:hh.h";
    return name.size() == pattern.size() && std::equal(name.begin(), name.end(), pattern.begin(), [](char c, char p) {
               return p == 'h' ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c == p;
           });
}

// Where a sysfs link leads, as a path below the sysfs root ("devices/pci0000:00/..."): the
// link's folder joined with its target. One readlink, where resolving the whole path would cost
// a call per folder on the way. The folder must be a real one, not reached through a link, for
// the target's ".." to mean the same. Empty when the link cannot be read or leads out of sysfs.
std::string linkedPath(const std::string& root, std::string_view folder, std::string_view name)
{
    std::array<char, PATH_MAX> target; // readlink fills what it returns; nothing else is read
    const ssize_t length = ::readlink(sysfsPath(root, folder, name).c_str(), target.data(), target.size());
    if (length <= 0 || length == static_cast<ssize_t>(target.size()) || target[0] == '/') {
        return {};
    }
    std::string path(folder);
    const std::string_view rest(target.data(), static_cast<std::size_t>(length));
    for (std::size_t start = 0; start < rest.size();) {
        const std::size_t end = std::min(rest.find('/', start), rest.size());
        const std::string_view part = rest.substr(start, end - start);
        start = end + 1;
        if (part == "..") {
            if (path.empty()) {
                return {};
            }
            path.erase(parentOf(path).size());
        } else if (!part.empty() && part != ".") {
            path.append(path.empty() ? "" : "/").append(part);
        }
    }
    return path;
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

// A volume Windows sees as one disk through a driver of its own: multipath (one disk reached
// over several paths), dmraid's firmware RAID, and md arrays whose metadata the firmware keeps
// (Intel RST, DDF). Every other device-mapper and md device (LVM, LUKS, md's own RAID) is
// Linux's, and Windows sees the disks below it.
bool isDiskOfItsOwn(const BlockDisk& disk)
{
    if (disk.hasDevice) {
        return false;
    }
    const std::string_view id = disk.volumeId;
    return (disk.name.starts_with("dm-") && (id.starts_with("mpath-") || id.starts_with("DMRAID-"))) ||
           (disk.name.starts_with("md") && id.starts_with("external:"));
}

// Real hardware that stays in the machine. USB disks report removable 0 as often as not, SD
// cards never set it, and a Thunderbolt disk looks like any NVMe disk but for its port: all are
// where a live or portable system comes from, not where Windows would go.
bool isBuiltInHardware(const BlockDisk& disk)
{
    return disk.hasDevice && !isNeverADisk(disk.name) && disk.attachment == Attachment::internal && disk.removable &&
           parseDecimal(*disk.removable) == std::optional<std::uint64_t>{0};
}

// Whether Windows setup would list the disk as one it can go to: built-in hardware, or a volume
// it sees as one disk whose members, looked up in disks, are all built-in hardware.
bool isBuiltIn(const BlockDisk& disk, const std::vector<BlockDisk>& disks)
{
    if (!isDiskOfItsOwn(disk)) {
        return isBuiltInHardware(disk);
    }
    return !disk.members.empty() &&
           std::all_of(disk.members.begin(), disk.members.end(), [&disks](const std::string& member) {
               return std::any_of(disks.begin(), disks.end(), [&member](const BlockDisk& other) {
                   return other.name == member && isBuiltInHardware(other);
               });
           });
}

// Where a device's path below sysfs says it is attached: the bus folders the kernel names
// (usb2, fw1, an iSCSI session3, nvme-fabrics) or a PCI device below which Thunderbolt tunnels run.
Attachment attachmentOfPath(std::string_view path, const std::vector<std::string>& thunderboltPorts)
{
    for (std::size_t start = 0; start < path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, end - start);
        start = end + 1;
        if (part.starts_with("usb")) {
            return Attachment::usb;
        }
        if (isNumbered(part, "fw")) {
            return Attachment::firewire;
        }
        if (isNumbered(part, "session") || part == "nvme-fabrics") {
            return Attachment::network;
        }
        if (std::find(thunderboltPorts.begin(), thunderboltPorts.end(), part) != thunderboltPorts.end()) {
            return Attachment::thunderbolt;
        }
    }
    return Attachment::internal;
}

// The attachment of the device at path; a device that looks internal is external all the same
// where the nearest PCI device above it reads "removable" in its removable file: kernels from
// 5.14 mark so everything behind a port the firmware calls external (Thunderbolt, USB4).
Attachment attachmentOfDevice(const std::string& root, std::string_view path,
                              const std::vector<std::string>& thunderboltPorts)
{
    const Attachment attachment = attachmentOfPath(path, thunderboltPorts);
    if (attachment != Attachment::internal) {
        return attachment;
    }
    for (std::string_view folder = parentOf(path); !folder.empty(); folder = parentOf(folder)) {
        if (isPciAddress(lastPart(folder))) {
            const bool removable = readTrimmed(sysfsPath(root, folder, "removable")) == "removable";
            return removable ? Attachment::thunderbolt : Attachment::internal;
        }
    }
    return Attachment::internal;
}

// The attachment of the disk whose folder is at path. An NVMe namespace the driver shows once
// for all its paths (native multipath, on by default in most distributions) has its folder in
// the subsystem's, away from any controller: the controllers linked there tell, and one that is
// not attached internally decides.
Attachment attachmentOf(const std::string& root, const std::string& path,
                        const std::vector<std::string>& thunderboltPorts)
{
    if (path.find("/nvme-subsystem/") == std::string::npos) {
        return attachmentOfDevice(root, path, thunderboltPorts);
    }
    const std::string subsystem(parentOf(path));
    for (const std::string& name : folderEntries(sysfsPath(root, subsystem, "")).value_or(std::vector<std::string>{})) {
        // Controllers read "nvme0", the namespaces beside them "nvme0n1".
        if (isNumbered(name, "nvme") && name.find('n', 4) == std::string::npos) {
            const Attachment attachment = attachmentOfDevice(root, linkedPath(root, subsystem, name), thunderboltPorts);
            if (attachment != Attachment::internal) {
                return attachment;
            }
        }
    }
    return Attachment::internal;
}

// The PCI devices below which everything is tunnelled through Thunderbolt or USB4, as PCI
// addresses, for each host controller <root>/bus/thunderbolt lists (as its domain): a discrete
// controller is a PCIe switch whose host interface sits below one of its downstream ports and
// its tunnels below the others, so its upstream port, two above the host interface; an
// integrated one tunnels through root ports of its own, which the driver links to it as its
// consumers. Empty without Thunderbolt.
std::vector<std::string> thunderboltPorts(const std::string& root)
{
    constexpr std::string_view bus = "bus/thunderbolt/devices";
    constexpr std::string_view consumer = "consumer:pci:";
    std::vector<std::string> ports;
    for (const std::string& name : folderEntries(sysfsPath(root, bus, "")).value_or(std::vector<std::string>{})) {
        const std::string domain = name.starts_with("domain") ? linkedPath(root, bus, name) : std::string();
        const std::string_view controller = parentOf(domain);
        if (controller.empty()) {
            continue;
        }
        const std::string_view upstream = lastPart(parentOf(parentOf(controller)));
        if (isPciAddress(lastPart(parentOf(controller))) && isPciAddress(upstream)) {
            ports.emplace_back(upstream);
        }
        for (const std::string& link :
             folderEntries(sysfsPath(root, controller, "")).value_or(std::vector<std::string>{})) {
            if (link.starts_with(consumer) && isPciAddress(std::string_view(link).substr(consumer.size()))) {
                ports.push_back(link.substr(consumer.size()));
            }
        }
    }
    return ports;
}

// A disk's files, read through its entry in <root>/block; path is where that entry leads, where
// the caller knows it.
BlockDisk readBlockDisk(const std::string& root, const std::string& name, const std::string& path,
                        const std::vector<std::string>& thunderboltPorts)
{
    const std::string entry = sysfsPath(root, "block", name);
    BlockDisk disk{name, exists(entry + "/device")};
    if (!disk.hasDevice) {
        // Of what the kernel builds only device-mapper and md may make a disk Windows sees.
        constexpr std::size_t longestId = 129; // DM_UUID_LEN, with its zero
        const char* idFile = name.starts_with("dm-")  ? "/dm/uuid"
                             : name.starts_with("md") ? "/md/metadata_version"
                                                      : "";
        if (*idFile != '\0') {
            disk.volumeId = readInOneRead(entry + idFile, longestId).value_or(std::string());
            disk.volumeId.erase(std::min(disk.volumeId.find('\n'), disk.volumeId.size()));
        }
        if (isDiskOfItsOwn(disk)) {
            disk.size = readAttribute(entry + "/size");
            disk.members = folderEntries(entry + "/slaves").value_or(std::vector<std::string>{});
        }
        return disk;
    }
    disk.removable = readAttribute(entry + "/removable");
    disk.size = readAttribute(entry + "/size");
    // Only the MMC driver's disks can be SD cards, and it names its card types SD, SDIO,
    // SDcombo and MMC (eMMC too).
    if (name.starts_with("mmcblk") && readTrimmed(entry + "/device/type").starts_with("SD")) {
        disk.attachment = Attachment::sdCard;
    } else {
        disk.attachment = attachmentOf(root, path.empty() ? linkedPath(root, "block", name) : path, thunderboltPorts);
    }
    return disk;
}

// A link to a block device: a step of the walk down a stack.
struct DeviceLink {
    std::string folder; // a real folder of sysfs, as linkedPath needs
    std::string entry;
};

// The disks under the devices the links lead to, followed down through partitions and the
// slaves of device-mapper and md; a volume Windows sees as one disk is a disk of its own, and
// the disks it is built of are read with it. nullopt where a loop, RAM or network device lies
// on the way, a link leads nowhere, or the stack is deeper than any real one (a malformed tree).
std::optional<std::vector<BlockDisk>> disksUnder(const std::string& root, std::vector<DeviceLink> pending,
                                                 const std::vector<std::string>& thunderboltPorts)
{
    constexpr int mostSteps = 64;
    std::vector<BlockDisk> disks;
    std::vector<std::string> seen;
    for (int step = 0; !pending.empty(); ++step) {
        const DeviceLink link = std::move(pending.back());
        pending.pop_back();
        if (step == mostSteps || isNeverADisk(link.entry)) {
            return std::nullopt;
        }
        // A partition's folder lies in its disk's.
        std::string path = linkedPath(root, link.folder, link.entry);
        if (!path.empty() && !exists(sysfsPath(root, "block", lastPart(path)))) {
            path.erase(parentOf(path).size());
        }
        const std::string name(lastPart(path));
        if (name.empty() || isNeverADisk(name)) {
            return std::nullopt;
        }
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            continue;
        }
        seen.push_back(name);
        BlockDisk disk = readBlockDisk(root, name, path, thunderboltPorts);
        const std::vector<std::string> below =
            disk.hasDevice || isDiskOfItsOwn(disk)
                ? disk.members
                : folderEntries(sysfsPath(root, "block", name) + "/slaves").value_or(std::vector<std::string>{});
        for (const std::string& slave : below) {
            pending.push_back(DeviceLink{"class/block", slave});
        }
        if (below.empty() || isDiskOfItsOwn(disk)) {
            disks.push_back(std::move(disk));
        }
    }
    return disks;
}

// Where the walk down from the installed file system starts: its device, and for btrfs every
// device of the file system, as <root>/fs/btrfs lists them.
std::vector<DeviceLink> rootLinks(const std::string& root, const RootFileSystem& rootFileSystem)
{
    std::vector<DeviceLink> links{{"dev/block", rootFileSystem.number}};
    const std::string device = rootFileSystem.type == btrfsFileSystem
                                   ? std::string(lastPart(linkedPath(root, "dev/block", links[0].entry)))
                                   : "";
    if (device.empty()) {
        return links;
    }
    for (const std::string& id : folderEntries(root + "/fs/btrfs").value_or(std::vector<std::string>{})) {
        const std::string devices = "fs/btrfs/" + id + "/devices";
        if (exists(sysfsPath(root, devices, device))) {
            for (std::string& name : folderEntries(sysfsPath(root, devices, "")).value_or(std::vector<std::string>{})) {
                links.push_back(DeviceLink{"class/block", std::move(name)});
            }
            break;
        }
    }
    return links;
}

std::vector<BlockDisk> readBlockDisks(const std::string& root, const std::vector<std::string>& thunderboltPorts)
{
    std::vector<BlockDisk> disks;
    for (const std::string& name : folderEntries(root + "/block").value_or(std::vector<std::string>{})) {
        if (isNeverADisk(name)) {
            continue;
        }
        disks.push_back(readBlockDisk(root, name, {}, thunderboltPorts));
    }
    return disks;
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

} // namespace

bool isLiveFileSystemType(std::optional<std::uint64_t> type)
{
    // tmpfs, ramfs, overlayfs, squashfs, iso9660, aufs, EROFS.
    constexpr std::array<std::uint64_t, 7> liveTypes = {0x01021994, 0x858458f6, overlayFileSystem, 0x73717368,
                                                        0x9660,     0x61756673, 0xe0f5e1e2};
    return type && std::find(liveTypes.begin(), liveTypes.end(), *type) != liveTypes.end();
}

std::string deviceNumber(std::uint64_t device)
{
    return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

std::optional<std::string> mountSource(std::string_view mountinfo, std::string_view mountPoint)
{
    // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw": optional fields up to "-".
    std::optional<std::string> last;
    std::size_t start = 0;
    while (start < mountinfo.size()) {
        const std::size_t end = std::min(mountinfo.find('\n', start), mountinfo.size());
        const std::vector<std::string_view> fields = fieldsOf(mountinfo.substr(start, end - start));
        start = end + 1;
        const auto separator = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 6 || unescapeMountField(fields[4]) != mountPoint || fields.end() - separator < 3) {
            continue;
        }
        last = unescapeMountField(separator[2]);
    }
    return last;
}

std::optional<std::uint64_t> largestBuiltIn(const std::vector<BlockDisk>& disks)
{
    // Windows sees a RAID volume's members only as the volume.
    std::vector<std::string_view> hidden;
    for (const BlockDisk& disk : disks) {
        if (isDiskOfItsOwn(disk) && isBuiltIn(disk, disks)) {
            hidden.insert(hidden.end(), disk.members.begin(), disk.members.end());
        }
    }
    std::optional<std::uint64_t> largest;
    for (const BlockDisk& disk : disks) {
        const bool counts =
            isBuiltIn(disk, disks) && std::find(hidden.begin(), hidden.end(), disk.name) == hidden.end();
        // A card reader without its card, or a namespace not yet set up, reads 0.
        const std::optional<std::uint64_t> bytes = counts ? sizeInBytes(disk) : std::nullopt;
        if (bytes && *bytes > largest.value_or(0)) {
            largest = bytes;
        }
    }
    return largest;
}

std::vector<BlockDisk> blockDisks(const std::string& root)
{
    return readBlockDisks(root, thunderboltPorts(root));
}

std::optional<std::uint64_t> systemCapacity(const std::string& root, const RootFileSystem& rootFileSystem)
{
    const std::vector<std::string> ports = thunderboltPorts(root);
    // An installed root on built-in disks needs only the devices under it: reading all of them
    // costs a run some dozens of system calls. Anything else, or anything unclear, reads them all.
    if (!isLiveFileSystemType(rootFileSystem.type) && !rootFileSystem.number.empty()) {
        const std::optional<std::vector<BlockDisk>> under = disksUnder(root, rootLinks(root, rootFileSystem), ports);
        if (under && !under->empty() && std::all_of(under->begin(), under->end(), [&under](const BlockDisk& disk) {
                return isBuiltIn(disk, *under);
            })) {
            return largestBuiltIn(*under);
        }
    }
    return largestBuiltIn(readBlockDisks(root, ports));
}

} // namespace quill::platform::linux_answers
