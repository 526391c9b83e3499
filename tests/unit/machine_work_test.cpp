#include "core/finding_table.h"
#include "fleet/plan/machine_work.h"
#include "fleet/plan/work_table.h"
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
        MachineFacts facts = {.bitlockerOn = false}; // as an inventory that could ask tells it
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
    const char* pentiumIvyBridge = "Intel(R) Pentium(R) CPU G2030 @ 3.00GHz";
    const char* unplaced = "AMD Athlon 200GE with Radeon Vega Graphics";
    const char* qemu = "QEMU Virtual CPU version 2.5+";
    const MachineFacts bitlocker{.bitlockerOn = true};
    const MachineFacts vm{.virtualMachine = true, .bitlockerOn = false};
    const MachineFacts hyperV{.virtualMachine = true, .bitlockerOn = false, .hyperV = true};
    const std::vector<Failed> legacy = {{Check::uefiBoot, legacyBios}, {Check::secureBoot, secureBootLegacy}};
    const Case cases[] = {
        {{}, Category::ready, {}},
        {{}, Category::cpuNotListed, {replacePc}, kabyLake},
        {{secureBoot, tpmMissing}, Category::cpuNotListed, {replacePc}, ivyBridge},
        {{tpmMissing}, Category::cpuNotListed, {replacePc}, pentiumIvyBridge},
        {{littleMemory}, Category::cpuNotListed, {replacePc}, kabyLake},
        {{secureBoot}, Category::firmware, {enableSecureBoot}},
        {{secureBoot}, Category::firmware, {checkBitlocker, enableSecureBoot}, testing::intelBrand, {}},
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
        {{}, Category::check, {checkProcessor}, unplaced},
        {{secureBoot}, Category::check, {checkProcessor, enableSecureBoot}, unplaced},
        {{littleMemory}, Category::check, {checkProcessor, addMemory}, unplaced},
        {{{Check::secureBoot, secureBootUnread}, oldTpm}, Category::tpmHardware, {check, tpmUpgrade}},
        {{secureBoot, oldTpm}, Category::tpmHardware, {enableSecureBoot, tpmUpgrade}},
        {{littleMemory, oldTpm}, Category::upgrade, {addMemory, tpmUpgrade}},
        {{smallDisk}, Category::upgrade, {largerDisk}},
        {{noMemoryFigure}, Category::check, {check}},
        {{noMemoryFigure, smallDisk}, Category::upgrade, {check, largerDisk}},
        // A machine to be replaced gets that one step, whatever else fails on it.
        {{{Check::sse42, missing}, {Check::popcnt, missing}, smallDisk}, Category::replace, {replacePc}},
        {{{Check::cpu64, missing}, {Check::uefiBoot, legacyBios}}, Category::replace, {replacePc}},
        {{}, Category::replace, {replacePc}, testing::intelBrand, {.bitlockerOn = false, .cores = 1}},
        // The signature an inventory gives decides before the brand: this "i5-8500" is a Haswell.
        {{},
         Category::cpuNotListed,
         {replacePc},
         testing::intelBrand,
         {.bitlockerOn = false, .processorVendor = "GenuineIntel", .family = 6, .model = 0x3C, .stepping = 3}},
        {{}, Category::replace, {replacePc}, testing::intelBrand, {.bitlockerOn = false, .maxMhz = 800}},
        // A virtual machine is never hardware: its hypervisor settles it.
        {{{Check::sse42, missing}, {Check::popcnt, missing}, tpmMissing},
         Category::vmSettings,
         {checkProcessor, vmSettings},
         qemu},
        {{tpmMissing}, Category::vmSettings, {checkProcessor, vmSettings}, "Common KVM processor"},
        {legacy, Category::vmSettings, {vmSettings}, testing::intelBrand, vm},
        {{littleMemory}, Category::vmSettings, {addMemory}, testing::intelBrand, vm},
        {{}, Category::vmSettings, {vmSettings}, kabyLake, vm},
        {{}, Category::vmSettings, {addVcpus}, testing::intelBrand, {.virtualMachine = true, .cores = 1}},
        {legacy, Category::vmSettings, {newVmGeneration2}, testing::intelBrand, hyperV},
        {{secureBoot}, Category::vmSettings, {vmSettings}, testing::intelBrand, hyperV},
        {{secureBoot}, Category::firmware, {suspendBitlocker, enableSecureBoot}, testing::intelBrand, bitlocker},
        {{smallDisk}, Category::upgrade, {largerDisk}, testing::intelBrand, bitlocker},
        {legacy,
         Category::firmware,
         {suspendBitlocker, convertToGpt, enableUefi, enableSecureBoot},
         testing::intelBrand,
         {.bitlockerOn = true, .mbrSystemDisk = true}},
        {{secureBoot},
         Category::firmware,
         {enableSecureBoot},
         testing::intelBrand,
         {.bitlockerOn = false, .mbrSystemDisk = true}},
    };
    for (const Case& c : cases) {
        const MachineWork work = machineWork(failing(c.failed, testing::intelVendor, c.brand), c.facts);
        EXPECT_EQ(fleet::rowOf(work.category).id, fleet::rowOf(c.category).id) << c.failed.size() << " " << c.brand;
        EXPECT_EQ(work.actions, c.actions) << fleet::rowOf(c.category).id << " " << c.brand;
    }
    EXPECT_EQ(machineWork(failing({{Check::prefetchW, missing}}, "AuthenticAMD")).category, Category::replace);
}

// Real brand texts on both sides of every naming rule, judged without a signature; where "no TPM
// found" means none to switch on (before PTT and before AMD's fTPM) is marked "old".
TEST(ProcessorTable, BrandsOnBothSidesOfEveryRule)
{
    using enum ProcessorListing;
    struct Case {
        const char* brand;
        ProcessorListing listing;
        bool old = false;
    };
    const Case cases[] = {
        {"Intel(R) Core(TM) Ultra 7 155H", yes},
        {"Intel(R) N100", yes},
        {"Intel(R) Core(TM) i3-N305", yes},
        {"Intel(R) Core(TM) i5-8400 CPU @ 2.80GHz", yes},
        {"Intel(R) Core(TM) i5-8200Y CPU @ 1.30GHz", yes},
        {"Intel(R) Core(TM) i7-7700K CPU @ 4.20GHz", no},
        {"Intel(R) Core(TM) i7-7Y75 CPU @ 1.30GHz", no},
        {"Intel(R) Core(TM) i7-7820HQ CPU @ 2.90GHz", unknown},
        {"Intel(R) Core(TM) i7-7700HQ CPU @ 2.80GHz", no},
        {"Intel(R) Core(TM) i9-7900X CPU @ 3.30GHz", unknown},
        {"Intel(R) Core(TM) i7-6950X CPU @ 3.00GHz", no},
        {"Intel(R) Core(TM) i5-4590 CPU @ 3.30GHz", no},
        {"Intel(R) Core(TM) i5-3470 CPU @ 3.20GHz", no, true},
        {"Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", no, true},
        {"Intel(R) Core(TM) i7-10700 CPU @ 2.90GHz", yes},
        {"Intel(R) Core(TM) i7-1065G7 CPU @ 1.30GHz", yes},
        {"11th Gen Intel(R) Core(TM) i7-1165G7 @ 2.80GHz", yes},
        {"12th Gen Intel(R) Core(TM) i9-12900K", yes},
        {"Intel(R) Core(TM) m3-7Y30 CPU @ 1.00GHz", no},
        {"Intel(R) Core(TM) m3-8100Y CPU @ 1.10GHz", yes},
        {"Intel(R) Core(TM) M-5Y10c CPU @ 0.80GHz", no},
        {"Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", no, true},
        {"Intel(R) Pentium(R) 4 CPU 3.00GHz", no, true},
        {"Intel(R) Pentium(R) D CPU 3.00GHz", no, true},
        {"Pentium(R) Dual-Core  CPU      E5700  @ 3.00GHz", no, true},
        {"Intel(R) Pentium(R) CPU G630 @ 2.70GHz", no, true},
        {"Intel(R) Pentium(R) CPU G2030 @ 3.00GHz", no, true},
        {"Intel(R) Pentium(R) CPU G3220 @ 3.00GHz", no},
        {"Intel(R) Celeron(R) CPU G1840 @ 2.80GHz", no},
        {"Intel(R) Pentium(R) CPU G4560 @ 3.50GHz", no},
        {"Intel(R) Celeron(R) CPU G4900 @ 3.10GHz", yes},
        {"Intel(R) Pentium(R) Gold G5400 CPU @ 3.70GHz", yes},
        {"Intel(R) Celeron(R) CPU N3450 @ 1.10GHz", no},
        {"Intel(R) Pentium(R) CPU N4200 @ 1.10GHz", no},
        {"Intel(R) Celeron(R) N4020 CPU @ 1.10GHz", yes},
        {"Intel(R) Pentium(R) Silver N5000 CPU @ 1.10GHz", yes},
        {"Intel(R) Celeron(R) CPU 1007U @ 1.50GHz", no, true},
        {"Intel(R) Celeron(R) CPU 3865U @ 1.80GHz", no},
        {"Intel(R) Pentium(R) CPU 4415U @ 2.30GHz", no},
        {"Intel(R) Pentium(R) Gold 4425Y CPU @ 1.70GHz", yes},
        {"Intel(R) Celeron(R) 6305 @ 1.80GHz", yes},
        {"Intel(R) Xeon(R) CPU E3-1230 V2 @ 3.30GHz", no, true},
        {"Intel(R) Xeon(R) CPU E3-1245 v5 @ 3.50GHz", no},
        {"Intel(R) Xeon(R) CPU E5-2680 v4 @ 2.40GHz", no},
        {"Intel(R) Xeon(R) CPU           X5650  @ 2.67GHz", no, true},
        {"Intel(R) Xeon(R) E-2124 CPU @ 3.30GHz", yes},
        {"Intel(R) Xeon(R) W-2123 CPU @ 3.60GHz", yes},
        {"Intel(R) Xeon(R) Silver 4110 CPU @ 2.10GHz", unknown},
        {"Intel(R) Xeon(R) Gold 6230 CPU @ 2.10GHz", yes},
        {"Intel(R) Atom(TM) x5-Z8350  CPU @ 1.44GHz", no},
        {"Intel(R) Atom(TM) x6425E  @ 2.00GHz", yes},
        {"Intel(R) Atom(TM) CPU N270   @ 1.60GHz", no, true},
        {"AMD Athlon(tm) 64 X2 Dual Core Processor 4200+", no, true},
        {"AMD Athlon(tm) II X2 250 Processor", no, true},
        {"AMD Athlon(tm) X4 845 Quad Core Processor", no},
        {"AMD Athlon(tm) 5350 APU with Radeon(TM) R3", no},
        {"AMD Athlon 200GE with Radeon Vega Graphics", unknown},
        {"AMD Athlon Gold 3150U with Radeon Graphics", yes},
        {"AMD Athlon 300U with Radeon Vega Mobile Gfx", yes},
        {"AMD 3020e with Radeon Graphics", yes},
        {"AMD Phenom(tm) II X4 965 Processor", no, true},
        {"AMD FX(tm)-8350 Eight-Core Processor", no, true},
        {"AMD Opteron(tm) Processor 6272", no, true},
        {"AMD A10-7850K Radeon R7, 12 Compute Cores 4C+8G", no, true},
        {"AMD PRO A12-9800B R7, 12 COMPUTE CORES 4C+8G", no, true},
        {"AMD E1-6010 APU with AMD Radeon R2 Graphics", no, true},
        {"AMD Ryzen 7 1700 Eight-Core Processor", no},
        {"AMD Ryzen 5 2600 Six-Core Processor", yes},
        {"AMD Ryzen 5 2500U with Radeon Vega Mobile Gfx", yes},
        {"AMD Ryzen 7 PRO 4750U with Radeon Graphics", yes},
        {"AMD Ryzen Embedded V1605B with Radeon Vega Gfx", yes},
        {"AMD Ryzen Z1 Extreme", yes},
        {"AMD Ryzen Threadripper 1950X 16-Core Processor", no},
        {"AMD Ryzen Threadripper 2990WX 32-Core Processor", yes},
        {"AMD EPYC 7601 32-Core Processor", no},
        {"AMD EPYC 7702 64-Core Processor", yes},
        {"QEMU Virtual CPU version 2.5+", unknown},
        {"Unbekannte CPU", unknown},
        {"", unknown},
    };
    for (const Case& c : cases) {
        const ProcessorJudgement judged = judgeProcessor(ProcessorIdentity{"", c.brand});
        EXPECT_EQ(fleet::rowOf(judged.listing).id, fleet::rowOf(c.listing).id) << c.brand;
        EXPECT_EQ(judged.beforeFirmwareTpm, c.old) << c.brand;
    }
}

// A named processor of each signature row, with a brand that says otherwise where the signature
// decides and the brand's answer where it does not.
TEST(ProcessorTable, SignaturesBeforeBrands)
{
    using enum ProcessorListing;
    struct Case {
        const char* situation;
        const char* vendor;
        std::uint32_t family, model, stepping;
        const char* brand;
        ProcessorListing listing;
    };
    const char* intel = "GenuineIntel";
    const char* amd = "AuthenticAMD";
    const char* listedBrand = "Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz";
    const Case cases[] = {
        {"Pentium 4", intel, 0xF, 0x4, 3, listedBrand, no},
        {"Core 2 Duo E8400", intel, 6, 0x17, 10, listedBrand, no},
        {"Pentium G2030 (Ivy Bridge)", intel, 6, 0x3A, 9, listedBrand, no},
        {"Pentium G3220 (Haswell)", intel, 6, 0x3C, 3, listedBrand, no},
        {"Xeon E3-1245 v5 (Skylake)", intel, 6, 0x5E, 3, listedBrand, no},
        {"Celeron N3450 (Apollo Lake)", intel, 6, 0x5C, 9, listedBrand, no},
        {"Celeron N4020 (Gemini Lake Refresh)", intel, 6, 0x7A, 8, "", yes},
        {"Core i7-7500U (Kaby Lake U)", intel, 6, 0x8E, 9, "Intel(R) Core(TM) i7-7500U CPU @ 2.70GHz", no},
        {"Core i5-8200Y (Amber Lake Y)", intel, 6, 0x8E, 9, "Intel(R) Core(TM) i5-8200Y CPU @ 1.30GHz", yes},
        {"Core i5-8250U (Kaby Lake R)", intel, 6, 0x8E, 10, "", yes},
        {"Core i7-7700 (Kaby Lake S)", intel, 6, 0x9E, 9, "Intel(R) Core(TM) i7-7700 CPU @ 3.60GHz", no},
        {"Core i7-7820HQ (Kaby Lake H)", intel, 6, 0x9E, 9, "Intel(R) Core(TM) i7-7820HQ CPU @ 2.90GHz", unknown},
        {"Xeon E-2124 (Coffee Lake)", intel, 6, 0x9E, 10, "", yes},
        {"Xeon Gold 6130 (Skylake-SP)", intel, 6, 0x55, 4, "Intel(R) Xeon(R) Gold 6130 CPU @ 2.10GHz", unknown},
        {"Xeon Gold 6230 (Cascade Lake)", intel, 6, 0x55, 7, "", yes},
        {"Core i5-10210U (Comet Lake)", intel, 6, 0xA6, 0, "", yes},
        {"Core i5-1135G7 (Tiger Lake)", intel, 6, 0x8C, 1, "", yes},
        {"Core i7-12700 (Alder Lake)", intel, 6, 0x97, 2, "", yes},
        {"Core i5-13500 (Raptor Lake)", intel, 6, 0xBF, 2, "", yes},
        {"an Intel model no row knows", intel, 6, 0xFE, 0, listedBrand, yes},
        {"Athlon II X2 250 (K10)", amd, 0x10, 0x6, 3, "AMD Ryzen 5 3600", no},
        {"A10-7850K (Kaveri)", amd, 0x15, 0x30, 1, "AMD Ryzen 5 3600", no},
        {"Ryzen 7 1700 (Summit Ridge)", amd, 0x17, 0x01, 1, "AMD Ryzen 5 3600", no},
        {"Ryzen 5 1600 AF (Pinnacle Ridge)", amd, 0x17, 0x08, 2, "AMD Ryzen 5 1600 Six-Core Processor", no},
        {"Ryzen 5 2600 (Pinnacle Ridge)", amd, 0x17, 0x08, 2, "AMD Ryzen 5 2600 Six-Core Processor", yes},
        {"Athlon 200GE (Raven Ridge)", amd, 0x17, 0x11, 0, "AMD Athlon 200GE with Radeon Vega Graphics", unknown},
        {"Ryzen 5 3600 (Matisse)", amd, 0x17, 0x71, 0, "", yes},
        {"Ryzen 7 5800X (Vermeer)", amd, 0x19, 0x21, 0, "", yes},
        {"an Intel signature on an AMD vendor", amd, 6, 0x8C, 1, "", unknown},
    };
    for (const Case& c : cases) {
        const ProcessorJudgement judged =
            judgeProcessor(ProcessorIdentity{c.vendor, c.brand, c.family, c.model, c.stepping});
        EXPECT_EQ(fleet::rowOf(judged.listing).id, fleet::rowOf(c.listing).id) << c.situation;
    }
    // Without its stepping, a model two generations share is left to the brand.
    EXPECT_EQ(judgeProcessor(ProcessorIdentity{intel, "", 6, 0x9E}).listing, unknown);
    EXPECT_EQ(judgeProcessor(ProcessorIdentity{intel, "", 6, 0x3A}).beforeFirmwareTpm, true);
}

} // namespace
} // namespace quill
