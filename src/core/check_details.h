#pragma once

#include <cstddef>
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

// The longest detail a probe writes is some 40 bytes; with room for a longer one to come, a
// report's detail beyond this came from elsewhere and could push a printed work list off its page.
inline constexpr std::size_t maxDetailBytes = 80;

} // namespace quill
