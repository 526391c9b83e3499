#pragma once

#include "core/checks.h"
#include "core/finding.h"
#include "platform/platform.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

// How a finding's value stands in its text.
enum class FindingValue : std::uint8_t {
    none,
    gib,     // bytes, as formatGiB writes them ("3.9 GiB"); read back to a tenth of a GiB
    decimal, // an unsigned 32-bit number in plain decimal
};

struct FindingDefinition {
    Finding finding;
    Check first; // the checks it stands on: first to last in checkTable order
    Check last;
    std::string_view text;       // the report's words; with a value, those before it
    FindingValue value;          //
    std::string_view after;      // with a value, the words after it
    Action action;               // the fleet's step for an item that fails with it
    Category worst;              // the worst a machine with it failing can be in: what it is, or may hide
    std::uint64_t onlyValue = 0; // where not 0, the row stands for this value alone (before the general row)
};

// Words several findings share: each check that cannot be judged says so alike.
inline constexpr std::string_view stateUnreadable = "Status konnte nicht ausgelesen werden";
inline constexpr std::string_view unseenInContainer = "nicht ermittelbar (Container)";
inline constexpr std::string_view unseenInWsl = "nicht ermittelbar (WSL)";
inline constexpr std::string_view tbsResultLead = "nicht verfuegbar (TBS Fehler ";

// The one table of findings: the probes word their items from it, the report carries its words,
// the reader turns words back into findings through it, and the fleet plans from its last two
// columns. Rows that stand for one value come before the general row of their finding's text;
// each check's "other" row, which has no words, is what a text no row knows reads as.
// clang-format off
inline constexpr std::array<FindingDefinition, 39> findingTable = {{
    {Finding::present, Check::cpu64, Check::prefetchW, "vorhanden", FindingValue::none, "", Action::replacePc, Category::replace},
    {Finding::presentArm64, Check::cpu64, Check::cpu64, "vorhanden (ARM64)", FindingValue::none, "", Action::replacePc, Category::replace},
    {Finding::presentEmulated, Check::cpu64, Check::prefetchW, "vorhanden (x64-Emulation)", FindingValue::none, "", Action::replacePc, Category::replace},
    {Finding::missing, Check::cpu64, Check::prefetchW, "fehlt", FindingValue::none, "", Action::replacePc, Category::replace},
    {Finding::missingEmulated, Check::cpu64, Check::prefetchW, "fehlt (x64-Emulation)", FindingValue::none, "", Action::replacePc, Category::replace},
    {Finding::otherProcessor, Check::cpu64, Check::prefetchW, "", FindingValue::none, "", Action::replacePc, Category::replace},
    {Finding::memoryInstalled, Check::memory, Check::memory, "", FindingValue::gib, " installiert", Action::addMemory, Category::upgrade},
    {Finding::memoryUnreadable, Check::memory, Check::memory, "konnte nicht gelesen werden", FindingValue::none, "", Action::check, Category::upgrade},
    {Finding::otherMemory, Check::memory, Check::memory, "", FindingValue::none, "", Action::check, Category::upgrade},
    {Finding::driveCapacity, Check::systemDrive, Check::systemDrive, "Kapazitaet ", FindingValue::gib, "", Action::largerDisk, Category::upgrade},
    {Finding::noWindowsFolder, Check::systemDrive, Check::systemDrive, "Windows-Verzeichnis nicht gefunden", FindingValue::none, "", Action::check, Category::upgrade},
    {Finding::driveUnreadable, Check::systemDrive, Check::systemDrive, "Kapazitaet konnte nicht gelesen werden", FindingValue::none, "", Action::check, Category::upgrade},
    {Finding::driveInContainer, Check::systemDrive, Check::systemDrive, unseenInContainer, FindingValue::none, "", Action::check, Category::upgrade},
    {Finding::driveInWsl, Check::systemDrive, Check::systemDrive, unseenInWsl, FindingValue::none, "", Action::check, Category::upgrade},
    {Finding::otherDrive, Check::systemDrive, Check::systemDrive, "", FindingValue::none, "", Action::check, Category::upgrade},
    {Finding::uefiActive, Check::uefiBoot, Check::uefiBoot, "aktiv", FindingValue::none, "", Action::check, Category::firmware},
    {Finding::legacyBios, Check::uefiBoot, Check::uefiBoot, "Legacy/BIOS", FindingValue::none, "", Action::enableUefi, Category::firmware},
    // Whether the maker has a 64-bit firmware for it is for the maker to say: weighed as a replacement.
    {Finding::uefi32Bit, Check::uefiBoot, Check::uefiBoot, "32-Bit-UEFI (startet kein 64-Bit-Windows)", FindingValue::none, "", Action::check, Category::replace},
    {Finding::uefiUnreadable, Check::uefiBoot, Check::uefiBoot, stateUnreadable, FindingValue::none, "", Action::check, Category::firmware},
    {Finding::uefiInContainer, Check::uefiBoot, Check::uefiBoot, unseenInContainer, FindingValue::none, "", Action::check, Category::firmware},
    {Finding::uefiInWsl, Check::uefiBoot, Check::uefiBoot, unseenInWsl, FindingValue::none, "", Action::check, Category::firmware},
    {Finding::otherUefi, Check::uefiBoot, Check::uefiBoot, "", FindingValue::none, "", Action::check, Category::firmware},
    {Finding::secureBootOn, Check::secureBoot, Check::secureBoot, "aktiviert", FindingValue::none, "", Action::check, Category::firmware},
    {Finding::secureBootOff, Check::secureBoot, Check::secureBoot, "deaktiviert", FindingValue::none, "", Action::enableSecureBoot, Category::firmware},
    {Finding::secureBootLegacy, Check::secureBoot, Check::secureBoot, "nicht verfuegbar im Legacy/BIOS-Modus", FindingValue::none, "", Action::enableSecureBoot, Category::firmware},
    {Finding::secureBootUnread, Check::secureBoot, Check::secureBoot, stateUnreadable, FindingValue::none, "", Action::check, Category::firmware},
    {Finding::secureBootInContainer, Check::secureBoot, Check::secureBoot, unseenInContainer, FindingValue::none, "", Action::check, Category::firmware},
    {Finding::secureBootInWsl, Check::secureBoot, Check::secureBoot, unseenInWsl, FindingValue::none, "", Action::check, Category::firmware},
    {Finding::otherSecureBoot, Check::secureBoot, Check::secureBoot, "", FindingValue::none, "", Action::check, Category::firmware},
    {Finding::tpm20, Check::tpm20, Check::tpm20, "TPM 2.0 erkannt", FindingValue::none, "", Action::check, Category::tpmHardware},
    {Finding::tpm12, Check::tpm20, Check::tpm20, "nur TPM 1.2 erkannt", FindingValue::none, "", Action::tpmUpgrade, Category::tpmHardware},
    {Finding::tpmVersionUnknown, Check::tpm20, Check::tpm20, "unbekannte TPM-Version (", FindingValue::decimal, ")", Action::check, Category::tpmHardware},
    // Only this result says that there is no TPM; where the platform has a firmware TPM, it is off.
    {Finding::tpmNotFound, Check::tpm20, Check::tpm20, tbsResultLead, FindingValue::decimal, ")", Action::enableTpm, Category::firmware, platform::tbsTpmNotFound},
    {Finding::tbsError, Check::tpm20, Check::tpm20, tbsResultLead, FindingValue::decimal, ")", Action::check, Category::tpmHardware},
    // The chip is there and switched on: the running system lacks the driver, the firmware needs nothing.
    {Finding::tpmWithoutDriver, Check::tpm20, Check::tpm20, "TPM vorhanden, kein Treiber", FindingValue::none, "", Action::check, Category::tpmHardware},
    {Finding::tpmNotAskedInPe, Check::tpm20, Check::tpm20, "nicht ermittelbar (Windows PE ohne TBS)", FindingValue::none, "", Action::check, Category::tpmHardware},
    {Finding::tpmInContainer, Check::tpm20, Check::tpm20, unseenInContainer, FindingValue::none, "", Action::check, Category::tpmHardware},
    {Finding::tpmInWsl, Check::tpm20, Check::tpm20, unseenInWsl, FindingValue::none, "", Action::check, Category::tpmHardware},
    {Finding::otherTpm, Check::tpm20, Check::tpm20, "", FindingValue::none, "", Action::check, Category::tpmHardware},
}};
// clang-format on

// The finding's row; the table is in enum order.
constexpr const FindingDefinition& definitionOf(Finding finding)
{
    return findingTable[static_cast<std::size_t>(finding)];
}

// The finding's words with its value, as the report writes them; "" for an "other" row.
std::string findingText(Finding finding, std::uint64_t value = 0);

// A finding with its value, as an item of a report holds it.
struct FindingReading {
    Finding finding;
    std::uint64_t value = 0;
};

// The finding a report's detail on the check stands for, through the table: the first row of
// the check whose words and value fit, else the check's "other" row.
FindingReading readFinding(Check check, std::string_view detail);

// An item of the check, worded from the table.
CheckItem checkItem(Check check, bool passed, Finding finding, std::uint64_t value = 0);

// The item a report's line stands for: its detail as written, read into a finding.
CheckItem checkItemFromText(Check check, bool passed, std::string detail);

} // namespace quill
