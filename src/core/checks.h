#pragma once

#include "core/check_item.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

// Every check the program makes, in the order the console and the report list them.
enum class Check {
    cpu64,
    os64,
    sse42,
    popcnt,
    nx,
    cmpxchg16b,
    lahfSahf,
    prefetchW,
    memory,
    systemDrive,
    uefiBoot,
    secureBoot,
    tpm20,
};

enum class CheckGroup {
    technical, // "[Technische Mindestanforderungen]": counts towards both verdicts
    official,  // "[Offizielle Microsoft-Anforderungen]": counts towards the official verdict only
};

struct CheckDefinition {
    Check check;
    std::string_view name; // the label on the console, in the report and in the fleet's columns
    CheckGroup group;
    bool amdOnly; // listed only when the processor's vendor is amdVendor, else left out entirely
};

// The one table of the checks: the probes name their items from it, the console and the report
// list them in its order, the reader finds them by name in it, the fleet tool makes its columns
// from it. Adding a check is a row here and its probe.
inline constexpr std::array<CheckDefinition, 13> checkTable = {{
    {Check::cpu64, "64-Bit CPU", CheckGroup::technical, false},
    {Check::os64, "64-Bit Betriebssystem", CheckGroup::technical, false},
    {Check::sse42, "SSE4.2", CheckGroup::technical, false},
    {Check::popcnt, "POPCNT", CheckGroup::technical, false},
    {Check::nx, "NX / XD Bit", CheckGroup::technical, false},
    {Check::cmpxchg16b, "CMPXCHG16b", CheckGroup::technical, false},
    {Check::lahfSahf, "LAHF/SAHF", CheckGroup::technical, false},
    {Check::prefetchW, "PrefetchW (AMD)", CheckGroup::technical, true},
    {Check::memory, "RAM >= 4 GiB", CheckGroup::technical, false},
    {Check::systemDrive, "Systemlaufwerk >= 64 GiB", CheckGroup::technical, false},
    {Check::uefiBoot, "UEFI-Boot", CheckGroup::official, false},
    {Check::secureBoot, "Secure Boot", CheckGroup::official, false},
    {Check::tpm20, "TPM 2.0", CheckGroup::official, false},
}};

// The vendor text of the processors that get the AMD-only checks, compared byte for byte.
inline constexpr std::string_view amdVendor = "AuthenticAMD";

// The check's row; the table is in enum order.
constexpr const CheckDefinition& definitionOf(Check check)
{
    return checkTable[static_cast<std::size_t>(check)];
}

constexpr std::string_view checkName(Check check)
{
    return definitionOf(check).name;
}

// Whether a processor with this vendor text lists the check at all.
bool isListedFor(const CheckDefinition& definition, std::string_view vendor);

// The row whose name is exactly name, or nullptr.
const CheckDefinition* findDefinition(std::string_view name);

} // namespace quill
