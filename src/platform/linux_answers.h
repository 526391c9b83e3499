#pragma once

// How the Linux layer turns what the kernel shows into the platform's answers. The sysfs
// readers take their root from the caller so tests can point them at a tree of their own;
// the program passes "/sys".

#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Result codes of TPM Base Services that the Linux layer reports.
inline constexpr std::uint32_t tbsTpmNotFound = 0x8028400F;
inline constexpr std::uint32_t tbsInternalError = 0x80284001;

} // namespace quill::platform::linux_answers
