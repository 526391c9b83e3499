#include "platform/linux_answers.h"

#include <dirent.h>
#include <fcntl.h>
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

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// A decimal number that fits 64 bits, with surrounding white space (sysfs adds a newline).
std::optional<std::uint64_t> parseDecimal(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    std::uint64_t value = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (std::isdigit(c) == 0) {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

std::optional<std::uint32_t> parseDecimal32(const std::string& text)
{
    const std::optional<std::uint64_t> value = parseDecimal(text);
    if (!value || *value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*value);
}

// A sysfs attribute's text; the longest number there is 20 digits and a newline.
std::optional<std::string> readAttribute(const std::string& path)
{
    return readSmallFile(path, 32);
}

// An attribute's text without the newline sysfs ends it with; empty when unreadable.
std::string readTrimmed(const std::string& path)
{
    std::string text = readAttribute(path).value_or(std::string());
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

// The names in a folder, without "." and ".."; nullopt when it cannot be read.
std::optional<std::vector<std::string>> folderEntries(const std::string& path)
{
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(folder);
    return names;
}

// ACPI's _STA bits for present (0) and enabled (1); a device without _STA has no status file
// and counts as both.
bool isPresentAndEnabled(const std::string& acpiDevice)
{
    const std::string status = acpiDevice + "/status";
    if (!exists(status)) {
        return true;
    }
    const std::optional<std::string> text = readAttribute(status);
    const std::optional<std::uint64_t> bits = text ? parseDecimal(*text) : std::nullopt;
    return bits && (*bits & 3u) == 3u;
}

// A TPM 2.0 the firmware describes (ACPI hardware ID MSFT0101), whether or not a driver took it.
bool hasDescribedTpm20(const std::string& root)
{
    const std::string folder = root + "/bus/acpi/devices/";
    const std::vector<std::string> devices = folderEntries(folder).value_or(std::vector<std::string>{});
    return std::any_of(devices.begin(), devices.end(), [&folder](const std::string& name) {
        return name.rfind("MSFT0101:", 0) == 0 && isPresentAndEnabled(folder + name);
    });
}

// The version of a tpm0 without tpm_version_major (kernels before 5.5): only TPM 2.0 chips
// get a resource-manager device (since 4.12), and only 1.x chips have a caps attribute.
TpmDeviceAnswer tpmFamilyFromDevices(const std::string& root)
{
    if (exists(root + "/class/tpmrm/tpmrm0")) {
        return TpmDeviceAnswer{0, 2};
    }
    if (exists(root + "/class/tpm/tpm0/caps")) {
        return TpmDeviceAnswer{0, 1};
    }
    return TpmDeviceAnswer{tbsInternalError, 0};
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

// The disk's capacity in bytes when it is a built-in disk Windows could go to.
std::optional<std::uint64_t> builtInCapacity(const BlockDisk& disk)
{
    // USB disks report removable 0 as often as not, SD cards never set it: both are
    // where a live system usually comes from, not where Windows would go.
    if (!disk.hasDevice || hasVirtualOrOpticalName(disk.name) || disk.isUsb || disk.isSdCard) {
        return std::nullopt;
    }
    if (!disk.removable || parseDecimal(*disk.removable) != std::optional<std::uint64_t>{0}) {
        return std::nullopt;
    }
    return sizeInBytes(disk);
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

// The whole disks a device rests on, and whether a loop device lies on the way.
struct Foundation {
    std::vector<std::size_t> disks;
    bool throughLoop = false;
};

// Follows a device down through device-mapper and md slaves and loop backing files to the
// disks at the bottom. Stacks are a few levels deep; the bound on the steps stops a loop over
// its own file.
void followDown(const std::vector<BlockDisk>& disks, std::size_t start, Foundation& found)
{
    constexpr int mostSteps = 64;
    std::vector<std::size_t> pending{start};
    for (int step = 0; step < mostSteps && !pending.empty(); ++step) {
        const std::size_t index = pending.back();
        pending.pop_back();
        const BlockDisk& disk = disks[index];
        if (disk.backingDevice) {
            found.throughLoop = true;
            if (const std::optional<std::size_t> holder = diskWithNumber(disks, *disk.backingDevice)) {
                pending.push_back(*holder);
            }
        } else if (!disk.slaves.empty()) {
            for (const std::string& slave : disk.slaves) {
                if (const std::optional<std::size_t> below = diskWithName(disks, slave)) {
                    pending.push_back(*below);
                }
            }
        } else if (std::find(found.disks.begin(), found.disks.end(), index) == found.disks.end()) {
            found.disks.push_back(index);
        }
    }
}

// What the root rests on: from the first of its device numbers that sysfs lists; nullopt
// when none is a block device (NFS, a sysfs without block devices).
std::optional<Foundation> rootFoundation(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks)
{
    for (const std::string& number : rootFileSystem.numbers) {
        if (const std::optional<std::size_t> index = diskWithNumber(disks, number)) {
            Foundation found;
            followDown(disks, *index, found);
            return found;
        }
    }
    return std::nullopt;
}

// The disks a live system came from: under its root and under every loop's backing file,
// which on a live system is the medium's image.
std::vector<std::size_t> mediumDisks(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks)
{
    Foundation found = rootFoundation(rootFileSystem, disks).value_or(Foundation{});
    for (std::size_t i = 0; i < disks.size(); ++i) {
        if (disks[i].backingDevice) {
            followDown(disks, i, found);
        }
    }
    return found.disks;
}

// Whether statfs's type is one a live medium boots into.
bool isLiveFileSystemType(std::optional<std::uint64_t> type)
{
    // tmpfs, ramfs, overlayfs, squashfs, iso9660, aufs, EROFS.
    constexpr std::array<std::uint64_t, 7> liveTypes = {0x01021994, 0x858458f6, 0x794c7630, 0x73717368,
                                                        0x9660,     0x61756673, 0xe0f5e1e2};
    return type && std::find(liveTypes.begin(), liveTypes.end(), *type) != liveTypes.end();
}

// Whether the root is a live medium's, by its file-system type or a loop device under it.
bool isLiveRoot(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks)
{
    if (isLiveFileSystemType(rootFileSystem.type)) {
        return true;
    }
    // Any other file system on a loop device is an image file's: Fedora's ext4 live root.
    const std::optional<Foundation> found = rootFoundation(rootFileSystem, disks);
    return found && found->throughLoop;
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

// Whether the block device's link into /sys/devices runs through a USB bus, as in
// "../devices/pci0000:00/0000:00:14.0/usb2/2-1/...".
bool runsThroughUsb(const std::string& blockEntry)
{
    std::array<char, PATH_MAX> target{};
    const ssize_t length = ::readlink(blockEntry.c_str(), target.data(), target.size() - 1);
    if (length <= 0) {
        return false;
    }
    const std::string path = "/" + std::string(target.data(), static_cast<std::size_t>(length));
    return path.find("/usb") != std::string::npos;
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

BlockDisk readBlockDisk(const std::string& blockEntry, const std::string& name)
{
    // The entries are links into /sys/devices; the paths below follow them.
    BlockDisk disk{name, exists(blockEntry + "/device"), readAttribute(blockEntry + "/removable"),
                   readAttribute(blockEntry + "/size")};
    disk.number = readTrimmed(blockEntry + "/dev");
    disk.partitions = partitionsOf(blockEntry, name);
    disk.slaves = folderEntries(blockEntry + "/slaves").value_or(std::vector<std::string>{});
    disk.backingDevice = backingDeviceOf(blockEntry);
    // Never built-in whatever their bus, so not asked: a machine has a dozen loop devices or more.
    if (!hasVirtualOrOpticalName(name)) {
        disk.isUsb = runsThroughUsb(blockEntry);
        disk.isSdCard = readTrimmed(blockEntry + "/device/type") == "SD";
    }
    return disk;
}

} // namespace

std::optional<std::string> readSmallFile(const std::string& path, std::size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    // Read in pieces rather than into a buffer of the limit's size: mountinfo's limit is a
    // MiB, and zeroing that much would cost more than the rest of the run.
    std::string bytes;
    std::array<char, 4096> piece{};
    while (bytes.size() < limit) {
        const ssize_t got = ::read(fd, piece.data(), std::min(piece.size(), limit - bytes.size()));
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        bytes.append(piece.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

std::uint16_t architectureFromCpuid(std::uint32_t highestExtendedLeaf, const CpuidRegisters& extendedLeaf1)
{
    constexpr std::uint16_t amd64 = 9;
    constexpr std::uint16_t x86 = 0;
    const bool hasLongMode = highestExtendedLeaf >= 0x80000001 && ((extendedLeaf1.edx >> 29) & 1u) != 0;
    return hasLongMode ? amd64 : x86;
}

FirmwareVisibility firmwareVisibility(const std::string& root, bool rootIsSysfs,
                                      const std::optional<std::string>& osRelease)
{
    if (osRelease) {
        std::string lower = *osRelease;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        if (lower.find("microsoft") != std::string::npos) {
            return FirmwareVisibility::wsl;
        }
    }
    // The kernel always fills /sys/firmware (acpi, dmi, efi, devicetree, memmap); container
    // runtimes mask it with an empty file system.
    const std::optional<std::vector<std::string>> firmware = folderEntries(root + "/firmware");
    if (!rootIsSysfs || !firmware || firmware->empty()) {
        return FirmwareVisibility::container;
    }
    return FirmwareVisibility::visible;
}

std::optional<std::uint32_t> firmwareType(const std::string& root)
{
    constexpr std::uint32_t bios = 1;
    constexpr std::uint32_t uefi = 2;
    return isDirectory(root + "/firmware/efi") ? uefi : bios;
}

std::optional<std::uint32_t> uefiWordSize(const std::string& root)
{
    const std::optional<std::string> text = readAttribute(root + "/firmware/efi/fw_platform_size");
    return text ? parseDecimal32(*text) : std::nullopt;
}

std::optional<std::uint32_t> secureBootValue(const std::string& root)
{
    const std::string path = root + "/firmware/efi/efivars/SecureBoot-8be4df61-93ca-11d2-aa0d-00e098032b8c";
    // One byte more than the longest valid variable tells an oversized file apart.
    const std::optional<std::string> bytes = readSmallFile(path, 9);
    if (!bytes || bytes->size() < 5 || bytes->size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (std::size_t i = bytes->size(); i > 4; --i) {
        value = (value << 8) | static_cast<unsigned char>((*bytes)[i - 1]);
    }
    return value;
}

TpmDeviceAnswer tpmDeviceInfo(const std::string& root)
{
    const std::string device = root + "/class/tpm/tpm0";
    if (!exists(device)) {
        return TpmDeviceAnswer{tbsTpmNotFound, 0, hasDescribedTpm20(root)};
    }
    const std::string versionFile = device + "/tpm_version_major";
    if (!exists(versionFile)) {
        return tpmFamilyFromDevices(root);
    }
    const std::optional<std::string> text = readAttribute(versionFile);
    const std::optional<std::uint32_t> version = text ? parseDecimal32(*text) : std::nullopt;
    if (!version) {
        return TpmDeviceAnswer{tbsInternalError, 0};
    }
    return TpmDeviceAnswer{0, *version};
}

std::vector<BlockDisk> blockDisks(const std::string& root)
{
    const std::string folder = root + "/block/";
    std::vector<BlockDisk> disks;
    for (const std::string& name : folderEntries(folder).value_or(std::vector<std::string>{})) {
        disks.push_back(readBlockDisk(folder + name, name));
    }
    return disks;
}

std::vector<BlockDisk> blockDisksFor(const std::string& root, const RootFileSystem& rootFileSystem)
{
    // An installed root on a partition or a whole disk with nothing stacked under it needs
    // only that disk: reading all of them costs a run some hundred system calls on a machine
    // with a dozen loop devices. Anything else, or anything unclear, reads them all.
    if (isLiveFileSystemType(rootFileSystem.type) || rootFileSystem.numbers.empty()) {
        return blockDisks(root);
    }
    char* resolved = ::realpath((root + "/dev/block/" + rootFileSystem.numbers.front()).c_str(), nullptr);
    if (resolved == nullptr) {
        return blockDisks(root);
    }
    std::string device = resolved;
    std::free(resolved); // NOLINT(cppcoreguidelines-no-malloc): realpath's buffer comes from malloc
    if (exists(device + "/partition")) {
        device.erase(device.find_last_of('/'));
    }
    const std::string name = device.substr(device.find_last_of('/') + 1);
    const std::string entry = root + "/block/" + name;
    const bool plainDisk = exists(entry) && !hasVirtualOrOpticalName(name) &&
                           folderEntries(entry + "/slaves").value_or(std::vector<std::string>{}).empty();
    return plainDisk ? std::vector<BlockDisk>{readBlockDisk(entry, name)} : blockDisks(root);
}

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

std::optional<std::uint64_t> systemCapacity(const RootFileSystem& rootFileSystem, const std::vector<BlockDisk>& disks)
{
    if (isLiveRoot(rootFileSystem, disks)) {
        const std::vector<std::size_t> medium = mediumDisks(rootFileSystem, disks);
        std::optional<std::uint64_t> largest;
        for (std::size_t i = 0; i < disks.size(); ++i) {
            const std::optional<std::uint64_t> capacity = builtInCapacity(disks[i]);
            if (capacity && (!largest || *capacity > *largest) &&
                std::find(medium.begin(), medium.end(), i) == medium.end()) {
                largest = capacity;
            }
        }
        return largest;
    }
    const std::optional<Foundation> found = rootFoundation(rootFileSystem, disks);
    if (const std::optional<std::uint64_t> disk = found ? largestSize(disks, found->disks) : std::nullopt) {
        return disk;
    }
    return rootFileSystem.capacity;
}

} // namespace quill::platform::linux_answers
