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

} // namespace

bool exists(const std::string& path)
{
    // Not followed: most entries asked about are links into /sys/devices, whose whole target
    // path stat would walk, and sysfs keeps no link whose target is gone.
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

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

std::optional<std::string> readInOneRead(const std::string& path, std::size_t limit)
{
    // sysfs and procfs hand a short file over whole in the first read, so no second read waits
    // for the end: the run reads a few dozen of them.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text(limit, '\0');
    const ssize_t got = ::read(fd, text.data(), text.size());
    ::close(fd);
    if (got < 0) {
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::optional<std::string> readAttribute(const std::string& path)
{
    constexpr std::size_t longestNumber = 32;
    return readInOneRead(path, longestNumber);
}

std::string readTrimmed(const std::string& path)
{
    std::string text = readAttribute(path).value_or(std::string());
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

std::optional<std::vector<std::string>> folderEntries(const std::string& path)
{
    // Read with getdents64 into a buffer on the stack: opendir would add an fstat and a 32 KiB
    // heap buffer, which the run pays for in two more calls to grow and shrink its heap.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    alignas(dirent64) std::array<char, 4096> buffer{};
    ssize_t got = 0;
    while ((got = ::getdents64(fd, buffer.data(), buffer.size())) > 0) {
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.data() + at);
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..") {
                names.emplace_back(name);
            }
            at += entry->d_reclen;
        }
    }
    ::close(fd);
    if (got < 0) {
        return std::nullopt;
    }
    return names;
}

namespace {

std::optional<std::uint32_t> parseDecimal32(const std::string& text)
{
    const std::optional<std::uint64_t> value = parseDecimal(text);
    if (!value || *value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*value);
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
    // The kernel numbers the devices of each hardware ID from 00, so without a first TPM there
    // is none, and a machine without a TPM is spared listing its dozens of ACPI devices.
    if (!exists(folder + "MSFT0101:00")) {
        return false;
    }
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
    const bool hasLongMode = highestExtendedLeaf >= 0x80000001 && ((extendedLeaf1.edx >> 29) & 1u) != 0;
    return hasLongMode ? architectureAmd64 : architectureX86;
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

} // namespace quill::platform::linux_answers
