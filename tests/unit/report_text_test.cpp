#include "report/report_text.h"
#include "sample_assessments.h"

namespace quill {
namespace {

using testing::sameLines;

const std::string top = "Quillbrook\n" + std::string(66, '=') + "\n\n" +
                        "CPU    : Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\nVendor : GenuineIntel\n\n";

const std::string technicalPassed = "[Technische Mindestanforderungen]\n"
                                    "[OK ] 64-Bit CPU                 : vorhanden\n"
                                    "[OK ] 64-Bit Betriebssystem      : vorhanden\n"
                                    "[OK ] SSE4.2                     : vorhanden\n"
                                    "[OK ] POPCNT                     : vorhanden\n"
                                    "[OK ] NX / XD Bit                : vorhanden\n"
                                    "[OK ] CMPXCHG16b                 : vorhanden\n"
                                    "[OK ] LAHF/SAHF                  : vorhanden\n"
                                    "[OK ] RAM >= 4 GiB               : 8.0 GiB installiert\n"
                                    "[OK ] Systemlaufwerk >= 64 GiB   : Kapazitaet 238.4 GiB\n";

std::string withSse42Failed(std::string text)
{
    const std::string passed = "[OK ] SSE4.2                     : vorhanden\n";
    text.replace(text.find(passed), passed.size(), "[NO ] SSE4.2                     : fehlt\n");
    return text;
}

std::string official(const char* secureBootLine, const char* tpmLine)
{
    return std::string("\n[Offizielle Microsoft-Anforderungen]\n"
                       "[OK ] UEFI-Boot                  : aktiv\n") +
           secureBootLine + tpmLine;
}

const char* secureBootOn = "[OK ] Secure Boot                : aktiviert\n";
const char* secureBootOff = "[NO ] Secure Boot                : deaktiviert\n";
const char* tpmOn = "[OK ] TPM 2.0                    : TPM 2.0 erkannt\n";

std::string verdicts(const char* technical, const char* officially, const char* suitable)
{
    return std::string("\n[Ergebnis]\n") + "Technisch kompatibel               : " + technical +
           "\nOffiziell kompatibel               : " + officially +
           "\nTechnisch geeignet                 : " + suitable + "\n";
}

TEST(ReportText, WholeTextForEachOutcome)
{
    struct Case {
        const char* situation;
        Assessment assessment;
        std::string expected;
    };
    const Case cases[] = {
        {"every item passed", testing::allPassed(),
         top + technicalPassed + official(secureBootOn, tpmOn) + verdicts("JA", "JA", "JA") + "\n" + testing::fullHint},
        {"only an official item failed", testing::onlyOfficialFailed(),
         top + technicalPassed + official(secureBootOff, tpmOn) + verdicts("JA", "NEIN", "JA") +
             "\nOffizielle Blocker:\n - Secure Boot - deaktiviert\n"
             "\n" +
             testing::officialHint},
        {"a technical item failed", testing::technicalFailed(),
         top + withSse42Failed(technicalPassed) + official(secureBootOn, tpmOn) + verdicts("NEIN", "NEIN", "NEIN") +
             "\nEchte technische Blocker:\n - SSE4.2 - fehlt\n"
             "\n" +
             testing::technicalHint},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(sameLines(c.expected, buildReportText(c.assessment))) << c.situation;
    }
}

TEST(ReportText, BothBlockerBlocksInOrder)
{
    const std::string text = buildReportText(testing::bothFailed());
    const std::string tail = verdicts("NEIN", "NEIN", "NEIN") +
                             "\nEchte technische Blocker:\n - SSE4.2 - fehlt\n"
                             " - Systemlaufwerk >= 64 GiB - Kapazitaet 59.6 GiB\n"
                             "\nOffizielle Blocker:\n - Secure Boot - deaktiviert\n - TPM 2.0 - nur TPM 1.2 erkannt\n"
                             "\n" +
                             testing::technicalHint;
    ASSERT_GE(text.size(), tail.size());
    EXPECT_TRUE(sameLines(tail, text.substr(text.size() - tail.size())));
}

TEST(ReportText, FlagsAreTakenAsGivenAndListsMayBeEmpty)
{
    // The third flag picks the first hint even when the second says compatible.
    const std::string text = buildReportText(Assessment{}, ShownVerdicts{true, true, false});
    EXPECT_EQ(text, "Quillbrook\n" + std::string(66, '=') +
                        "\n\nCPU    : \nVendor : \n\n"
                        "[Technische Mindestanforderungen]\n\n[Offizielle Microsoft-Anforderungen]\n"
                        "\n[Ergebnis]\n"
                        "Technisch kompatibel               : JA\n"
                        "Offiziell kompatibel               : JA\n"
                        "Technisch geeignet                 : NEIN\n"
                        "\n" +
                        testing::technicalHint);
}

TEST(ReportText, ItemLineWidths)
{
    struct Case {
        const char* situation;
        CheckItem item;
        std::string line;
    };
    const Case cases[] = {
        {"short name", {"SSE4.2", true, "vorhanden"}, "[OK ] SSE4.2" + std::string(20, ' ') + " : vorhanden\n"},
        {"empty detail keeps the fill", {"SSE4.2", false, ""}, "[NO ] SSE4.2" + std::string(20, ' ') + "\n"},
        {"26 characters", {std::string(26, 'N'), true, "d"}, "[OK ] " + std::string(26, 'N') + " : d\n"},
        {"27 characters", {std::string(27, 'N'), true, "d"}, "[OK ] " + std::string(27, 'N') + " : d\n"},
    };
    for (const Case& c : cases) {
        const std::string text =
            buildReportText(Assessment{"b", "v", {c.item}, {}, {}, {}, true, false}, ShownVerdicts{true, false, true});
        EXPECT_NE(text.find("[Technische Mindestanforderungen]\n" + c.line + "\n[Offizielle"), std::string::npos)
            << c.situation;
    }
}

} // namespace
} // namespace quill
