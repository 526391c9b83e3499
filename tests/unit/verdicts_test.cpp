#include "core/assessment.h"
#include "core/verdicts.h"
#include "test_helpers.h"

namespace quill {
namespace {

using testing::failedItem;
using testing::fullHint;
using testing::officialHint;
using testing::passedItem;
using testing::technicalHint;

TEST(CollectBlockers, OneLinePerFailedItemInListOrder)
{
    struct Case {
        const char* situation;
        CheckList checks;
        BlockerList expected;
    };
    const Case cases[] = {
        {"empty list", {}, {}},
        {"all passed, details ignored", {passedItem("SSE4.2"), passedItem("RAM >= 4 GiB", "8.0 GiB installiert")}, {}},
        {"failed with detail", {failedItem("SSE4.2", "fehlt")}, {"SSE4.2 - fehlt"}},
        {"failed without detail leaves no dash", {failedItem("TPM 2.0", "")}, {"TPM 2.0"}},
        {"passed item with detail contributes nothing",
         {passedItem("POPCNT"), failedItem("NX / XD Bit"), passedItem("UEFI-Boot", "aktiv")},
         {"NX / XD Bit - fehlt"}},
        {"equal failures stay two lines", {failedItem("A", "x"), failedItem("A", "x")}, {"A - x", "A - x"}},
        {"bytes copied untrimmed", {failedItem("  Name ", " detail  ")}, {"  Name  -  detail  "}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collectBlockers(c.checks), c.expected) << c.situation;
    }
}

TEST(Verdicts, FlagsHintAndExitCodeFollowTheLists)
{
    struct Case {
        const char* situation;
        CheckList technical;
        CheckList official;
        bool technicallyCompatible;
        bool officiallyCompatible;
        const char* hint;
        int exitCode;
    };
    const CheckList officialPassed{passedItem("UEFI-Boot", "aktiv"), passedItem("Secure Boot", "aktiviert"),
                                   passedItem("TPM 2.0", "TPM 2.0 erkannt")};
    const CheckList tpmFailed{passedItem("UEFI-Boot", "aktiv"), passedItem("Secure Boot", "aktiviert"),
                              failedItem("TPM 2.0", "nur TPM 1.2 erkannt")};
    const Case cases[] = {
        {"everything passed", {passedItem("SSE4.2")}, officialPassed, true, true, fullHint, 0},
        {"only TPM failed", {passedItem("SSE4.2")}, tpmFailed, true, false, officialHint, 1},
        {"technical failed, official passed", {failedItem("SSE4.2")}, officialPassed, false, false, technicalHint, 2},
        {"both failed", {failedItem("SSE4.2")}, tpmFailed, false, false, technicalHint, 2},
        {"empty technical list counts as passed", {}, officialPassed, true, true, fullHint, 0},
    };
    for (const Case& c : cases) {
        const Assessment a = deriveAssessment({}, {}, c.technical, c.official);
        EXPECT_EQ(a.technicallyCompatible, c.technicallyCompatible) << c.situation;
        EXPECT_EQ(a.officiallyCompatible, c.officiallyCompatible) << c.situation;
        EXPECT_EQ(closingHint(a.technicallyCompatible, a.officiallyCompatible), c.hint) << c.situation;
        EXPECT_EQ(exitCodeOf(a), c.exitCode) << c.situation;
    }
}

} // namespace
} // namespace quill
