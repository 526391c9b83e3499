#pragma once

#include <string_view>

namespace quill {

// The details of failed items that say which setting or part is at fault. The probes write
// them and the fleet tool tells from them what to do, so they are written down once.
inline constexpr std::string_view legacyBiosDetail = "Legacy/BIOS";
inline constexpr std::string_view secureBootOffDetail = "deaktiviert";
inline constexpr std::string_view secureBootInLegacyDetail = "nicht verfuegbar im Legacy/BIOS-Modus";
inline constexpr std::string_view tpmNotFoundPrefix = "nicht verfuegbar (TBS Fehler ";
inline constexpr std::string_view tpm12Detail = "nur TPM 1.2 erkannt";
inline constexpr std::string_view installedSuffix = " installiert"; // after the amount of memory
inline constexpr std::string_view capacityPrefix = "Kapazitaet ";   // before the volume's size

} // namespace quill
