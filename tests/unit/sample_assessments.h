#pragma once

#include "core/assessment.h"
#include "test_helpers.h"

namespace quill::testing {

// The technical list of an Intel machine with enough memory and disk.
inline CheckList intelTechnicalChecks()
{
    return {passedItem("64-Bit CPU"),
            passedItem("64-Bit Betriebssystem"),
            passedItem("SSE4.2"),
            passedItem("POPCNT"),
            passedItem("NX / XD Bit"),
            passedItem("CMPXCHG16b"),
            passedItem("LAHF/SAHF"),
            passedItem("RAM >= 4 GiB", "8.0 GiB installiert"),
            passedItem("Systemlaufwerk >= 64 GiB", "Kapazitaet 238.4 GiB")};
}

inline CheckList officialChecks(bool secureBoot, bool tpm)
{
    return {passedItem("UEFI-Boot", "aktiv"),
            secureBoot ? passedItem("Secure Boot", "aktiviert") : failedItem("Secure Boot", "deaktiviert"),
            tpm ? passedItem("TPM 2.0", "TPM 2.0 erkannt") : failedItem("TPM 2.0", "nur TPM 1.2 erkannt")};
}

inline constexpr const char* intelBrand = "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz";
inline constexpr const char* intelVendor = "GenuineIntel";

inline Assessment allPassed()
{
    return deriveAssessment(intelBrand, intelVendor, intelTechnicalChecks(), officialChecks(true, true));
}

inline Assessment onlyOfficialFailed()
{
    return deriveAssessment(intelBrand, intelVendor, intelTechnicalChecks(), officialChecks(false, true));
}

inline Assessment technicalFailed()
{
    CheckList technical = intelTechnicalChecks();
    technical[2] = failedItem("SSE4.2");
    return deriveAssessment(intelBrand, intelVendor, technical, officialChecks(true, true));
}

inline Assessment bothFailed()
{
    CheckList technical = intelTechnicalChecks();
    technical[2] = failedItem("SSE4.2");
    technical[8] = failedItem("Systemlaufwerk >= 64 GiB", "Kapazitaet 59.6 GiB");
    return deriveAssessment(intelBrand, intelVendor, technical, officialChecks(false, false));
}

} // namespace quill::testing
