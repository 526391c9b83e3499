#include "platform/linux_answers.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>

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

// Reads at most limit bytes; nullopt when the file cannot be opened or read.
std::optional<std::string> readSmallFile(const std::string& path, std::size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string bytes(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = ::read(fd, bytes.data() + filled, limit - filled);
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(filled);
    return bytes;
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

// The disk's capacity in bytes when it is a built-in disk Windows could go to.
std::optional<std::uint64_t> builtInCapacity(const BlockDisk& disk)
{
    if (!disk.hasDevice || hasVirtualOrOpticalName(disk.name)) {
        return std::nullopt;
    }
    if (!disk.removable || parseDecimal(*disk.removable) != std::optional<std::uint64_t>{0} || !disk.size) {
        return std::nullopt;
    }
    constexpr std::uint64_t sectorBytes = 512;
    const std::uint64_t sectors = parseDecimal(*disk.size).value_or(UINT64_MAX);
    if (sectors > UINT64_MAX / sectorBytes) {
        return std::nullopt; // unreadable number, or too large to count in bytes
    }
    return sectors * sectorBytes;
}

} // namespace

std::uint16_t architectureFromMachine(std::string_view machine)
{
    if (machine == "x86_64") {
        return 9;
    }
    if (machine == "aarch64") {
        return 12;
    }
    if (machine == "ia64") {
        return 6;
    }
    if (machine == "i386" || machine == "i486" || machine == "i586" || machine == "i686") {
        return 0;
    }
    return 0xFFFF;
}

std::optional<std::uint32_t> firmwareType(const std::string& root)
{
    constexpr std::uint32_t bios = 1;
    constexpr std::uint32_t uefi = 2;
    return isDirectory(root + "/firmware/efi") ? uefi : bios;
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
        return TpmDeviceAnswer{tbsTpmNotFound, 0};
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
    DIR* entries = ::opendir(folder.c_str());
    if (entries == nullptr) {
        return disks;
    }
    while (const dirent* entry = ::readdir(entries)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        // The entries are links into /sys/devices; the paths below follow them.
        const std::string disk = folder + name;
        disks.push_back(BlockDisk{name, exists(disk + "/device"), readAttribute(disk + "/removable"),
                                  readAttribute(disk + "/size")});
    }
    ::closedir(entries);
    return disks;
}

bool isLiveMediumRoot(std::optional<std::uint64_t> fileSystemType)
{
    // tmpfs, ramfs, overlayfs, squashfs, iso9660, aufs.
    constexpr std::array<std::uint64_t, 6> liveTypes = {0x01021994, 0x858458f6, 0x794c7630,
                                                        0x73717368, 0x9660,     0x61756673};
    return fileSystemType && std::find(liveTypes.begin(), liveTypes.end(), *fileSystemType) != liveTypes.end();
}

std::optional<std::uint64_t> largestBuiltInDisk(const std::vector<BlockDisk>& disks)
{
    std::optional<std::uint64_t> largest;
    for (const BlockDisk& disk : disks) {
        const std::optional<std::uint64_t> capacity = builtInCapacity(disk);
        if (capacity && (!largest || *capacity > *largest)) {
            largest = capacity;
        }
    }
    return largest;
}

std::optional<std::uint64_t> systemCapacity(std::optional<std::uint64_t> rootType,
                                            std::optional<std::uint64_t> rootCapacity,
                                            const std::vector<BlockDisk>& disks)
{
    if (isLiveMediumRoot(rootType)) {
        if (const std::optional<std::uint64_t> disk = largestBuiltInDisk(disks)) {
            return disk;
        }
    }
    return rootCapacity;
}

} // namespace quill::platform::linux_answers
