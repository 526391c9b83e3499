#include "core/finding_table.h"
#include "fleet/plan/machine_work.h"
#include "sample_assessments.h"

#include <vector>

namespace quill {
namespace {

// A check that fails with a finding.
struct Failed {
    Check check;
    Finding finding;
    std::uint64_t value = 0;
};

// An Intel or AMD machine on which the checks named fail with the findings given, worded by the
// table, so that no wording here can drift from the program's.
Assessment failing(const std::vector<Failed>& failed, const char* vendor = testing::intelVendor,
                   const char* brand = testing::intelBrand)
{
    CheckList technical = testing::intelTechnicalChecks();
    if (std::string_view(vendor) == amdVendor) {
        technical.insert(technical.begin() + 7, testing::passedItem("PrefetchW (AMD)"));
    }
    CheckList official = testing::officialChecks(true, true);
    for (CheckList* list : {&technical, &official}) {
        for (CheckItem& item : *list) {
            for (const Failed& f : failed) {
                if (item.name == checkName(f.check)) {
                    item = checkItem(f.check, false, f.finding, f.value);
                }
            }
        }
    }
    return deriveAssessment(brand, vendor, technical, official);
}

TEST(MachineWork, CategoryAndActionsFromTheFailedChecks)
{
    using enum Action;
    using enum Finding;
    struct Case {
        std::vector<Failed> failed;
        Category category;
        std::vector<Action> actions;
        const char* brand = testing::intelBrand;
        MachineFacts facts = {};
    };
    constexpr std::uint64_t gib = std::uint64_t{1} << 30;
    const Failed tpmMissing{Check::tpm20, tpmNotFound, platform::tbsTpmNotFound};
    const Failed secureBoot{Check::secureBoot, secureBootOff};
    const Failed oldTpm{Check::tpm20, tpm12};
    const Failed smallDisk{Check::systemDrive, driveCapacity, 64 * gib - 1};
    const Failed noMemoryFigure{Check::memory, memoryUnreadable};
    const Failed littleMemory{Check::memory, memoryInstalled, 2 * gib};
    const char* kabyLake = "Intel(R) Core(TM) i7-7700 CPU @ 3.60GHz";
    const char* ivyBridge = "Intel(R) Core(TM) i5-3470 CPU @ 3.20GHz";
    const char* qemu = "QEMU Virtual CPU version 2.5+";
    const MachineFacts bitlocker{std::nullopt, true, false};
    const std::vector<Failed> legacy = {{Check::uefiBoot, legacyBios}, {Check::secureBoot, secureBootLegacy}};
    const Case cases[] = {
        {{}, Category::ready, {}},
        {{}, Category::cpuNotListed, {replacePc}, kabyLake},
        {{secureBoot, tpmMissing}, Category::cpuNotListed, {replacePc}, ivyBridge},
        {{littleMemory}, Category::cpuNotListed, {replacePc}, kabyLake},
        {{secureBoot}, Category::firmware, {enableSecureBoot}},
        {{{Check::uefiBoot, legacyBios}, {Check::secureBoot, secureBootLegacy}, tpmMissing},
         Category::firmware,
         {enableUefi, enableSecureBoot, enableTpm}},
        {{{Check::tpm20, tbsError, platform::tbsInternalError}}, Category::check, {check}},
        {{secureBoot, {Check::tpm20, tbsError, platform::tbsServiceNotRunning}},
         Category::check,
         {enableSecureBoot, check}},
        {{{Check::secureBoot, secureBootUnread}}, Category::check, {check}},
        {{{Check::tpm20, tpmVersionUnknown, 3}}, Category::check, {check}},
        {{{Check::uefiBoot, uefi32Bit}}, Category::check, {check}},
        {{{Check::uefiBoot, uefiInWsl}, {Check::secureBoot, secureBootInWsl}, {Check::tpm20, tpmInWsl}},
         Category::check,
         {check}},
        {{{Check::secureBoot, secureBootUnread}, oldTpm}, Category::tpmHardware, {check, tpmUpgrade}},
        {{secureBoot, oldTpm}, Category::tpmHardware, {enableSecureBoot, tpmUpgrade}},
        {{littleMemory, oldTpm}, Category::upgrade, {addMemory, tpmUpgrade}},
        {{smallDisk}, Category::upgrade, {largerDisk}},
        {{noMemoryFigure}, Category::check, {check}},
        {{noMemoryFigure, smallDisk}, Category::upgrade, {check, largerDisk}},
        {{{Check::sse42, missing}, {Check::popcnt, missing}, smallDisk}, Category::replace, {replacePc, largerDisk}},
        {{{Check::cpu64, missing}, {Check::uefiBoot, legacyBios}}, Category::replace, {replacePc, enableUefi}},
        {{{Check::sse42, missing}, tpmMissing},
         Category::replace,
         {replacePc, tpmUpgrade},
         "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz"},
        {{{Check::sse42, missing}, {Check::popcnt, missing}, tpmMissing}, Category::firmware, {vmSettings}, qemu},
        {{tpmMissing}, Category::firmware, {vmSettings}, "Common KVM processor"},
        {legacy, Category::firmware, {vmSettings}, testing::intelBrand, {true, false, false}},
        {{secureBoot}, Category::firmware, {suspendBitlocker, enableSecureBoot}, testing::intelBrand, bitlocker},
        {{smallDisk}, Category::upgrade, {largerDisk}, testing::intelBrand, bitlocker},
        {legacy,
         Category::firmware,
         {suspendBitlocker, convertToGpt, enableUefi, enableSecureBoot},
         testing::intelBrand,
         {std::nullopt, true, true}},
        {{secureBoot}, Category::firmware, {enableSecureBoot}, testing::intelBrand, {std::nullopt, false, true}},
    };
    for (const Case& c : cases) {
        const MachineWork work = machineWork(failing(c.failed, testing::intelVendor, c.brand), c.facts);
        EXPECT_EQ(categoryId(work.category), categoryId(c.category)) << c.failed.size() << " " << c.brand;
        EXPECT_EQ(work.actions, c.actions) << categoryId(c.category) << " " << c.brand;
    }
    EXPECT_EQ(machineWork(failing({{Check::prefetchW, missing}}, "AuthenticAMD")).category, Category::replace);
}

// Real brand texts on both sides of every rule's edge.
TEST(MachineWork, ProcessorOnTheVendorsListByNamingRules)
{
    using enum ProcessorListing;
    const std::pair<const char*, ProcessorListing> cases[] = {
        {"Intel(R) Core(TM) Ultra 7 155H", yes},
        {"Intel(R) Core(TM) i5-8400 CPU @ 2.80GHz", yes},
        {"Intel(R) Core(TM) i7-7700K CPU @ 4.20GHz", no},
        {"Intel(R) Core(TM) i7-7820HQ CPU @ 2.90GHz", unknown},
        {"Intel(R) Core(TM) i7-7700HQ CPU @ 2.80GHz", no},
        {"Intel(R) Core(TM) i9-7900X CPU @ 3.30GHz", unknown},
        {"Intel(R) Core(TM) i7-6950X CPU @ 3.00GHz", no},
        {"Intel(R) Core(TM) i5-2500 CPU @ 3.30GHz", no},
        {"Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", no},
        {"Intel(R) Core(TM) i7-10700 CPU @ 2.90GHz", yes},
        {"Intel(R) Core(TM) i7-1065G7 CPU @ 1.30GHz", yes},
        {"11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz", yes},
        {"12th Gen Intel(R) Core(TM) i9-12900K", yes},
        {"Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", no},
        {"Intel(R) Pentium(R) 4 CPU 3.00GHz", no},
        {"Intel(R) Pentium(R) D CPU 3.00GHz", no},
        {"Intel(R) Pentium(R) Gold G5400 CPU @ 3.70GHz", unknown},
        {"Intel(R) Celeron(R) N4020 CPU @ 1.10GHz", unknown},
        {"Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz", unknown},
        {"AMD Athlon(tm) 64 X2 Dual Core Processor 4200+", no},
        {"AMD Athlon(tm) II X2 250 Processor", no},
        {"AMD Athlon Gold 3150U with Radeon Graphics", unknown},
        {"AMD Phenom(tm) II X4 965 Processor", no},
        {"AMD FX(tm)-8350 Eight-Core Processor", no},
        {"AMD A10-7850K Radeon R7, 12 Compute Cores 4C+8G", no},
        {"AMD PRO A12-9800B R7, 12 COMPUTE CORES 4C+8G", no},
        {"AMD Ryzen 7 1700 Eight-Core Processor", no},
        {"AMD Ryzen 5 2600 Six-Core Processor", yes},
        {"AMD Ryzen 7 PRO 4750U with Radeon Graphics", yes},
        {"AMD Ryzen Threadripper 1950X 16-Core Processor", unknown},
        {"AMD EPYC 7702 64-Core Processor", unknown},
        {"Unbekannte CPU", unknown},
        {"", unknown},
    };
    for (const auto& [brand, listing] : cases) {
        EXPECT_EQ(listingId(processorListing(brand)), listingId(listing)) << brand;
    }
    // Where "no TPM found" means none to switch on: before PTT (Haswell) and before Ryzen's fTPM.
    const std::pair<const char*, bool> platforms[] = {
        {"Intel(R) Core(TM) i5-3470 CPU @ 3.20GHz", true},         {"Intel(R) Core(TM) i5-4590 CPU @ 3.30GHz", false},
        {"Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", true}, {"AMD FX(tm)-8350 Eight-Core Processor", true},
        {"AMD Ryzen 7 1700 Eight-Core Processor", false},          {"Intel(R) Celeron(R) N4020 CPU @ 1.10GHz", false}};
    for (const auto& [brand, old] : platforms) {
        EXPECT_EQ(predatesFirmwareTpm(brand), old) << brand;
    }
}

} // namespace
} // namespace quill
