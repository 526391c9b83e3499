#include "platform/linux_answers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A decimal number that fits 32 bits, with surrounding white space (sysfs adds a newline).
std::optional<std::uint32_t> parseDecimal(const std::string& text)
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
        value = value * 10 + (c - '0');
        if (value > UINT32_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(value);
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
    const std::optional<std::string> text = readSmallFile(versionFile, 32);
    const std::optional<std::uint32_t> version = text ? parseDecimal(*text) : std::nullopt;
    if (!version) {
        return TpmDeviceAnswer{tbsInternalError, 0};
    }
    return TpmDeviceAnswer{0, *version};
}

} // namespace quill::platform::linux_answers
