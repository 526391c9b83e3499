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

// Whether an entry is at path; a link there counts without being followed.
bool exists(const std::string& path);

// A decimal number that fits 64 bits, with surrounding white space (sysfs adds a newline).
std::optional<std::uint64_t> parseDecimal(const std::string& text);

// At most limit bytes of a sysfs or procfs file in a single read, which hands such a short
// file over whole; nullopt when it cannot be opened or read.
std::optional<std::string> readInOneRead(const std::string& path, std::size_t limit);

// A sysfs attribute's text; the longest number there is 20 digits and a newline.
std::optional<std::string> readAttribute(const std::string& path);

// An attribute's text without the newline sysfs ends it with; empty when unreadable.
std::string readTrimmed(const std::string& path);

// The names in a folder, without "." and ".."; nullopt when it cannot be read.
std::optional<std::vector<std::string>> folderEntries(const std::string& path);

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
// device (TPM 2.0) is present and enabled (the first is numbered 00); else the version from
// tpm_version_major, or, where that file is missing (kernels before 5.5), from the devices
// only one TPM family gets; tbsTpmNotFound without a tpm0, tbsInternalError when nothing tells,
// as the Windows layer answers.
TpmDeviceAnswer tpmDeviceInfo(const std::string& root);

} // namespace quill::platform::linux_answers
