#include "core/checks.h"
#include "fleet/plan/machine_work.h"
#include "sample_assessments.h"

#include <map>

namespace quill {
namespace {

// An Intel or AMD machine on which the checks named fail with the details given.
Assessment failing(const std::map<std::string, std::string>& failed, const char* vendor = testing::intelVendor,
                   const char* brand = testing::intelBrand)
{
    CheckList technical = testing::intelTechnicalChecks();
    if (std::string_view(vendor) == amdVendor) {
        technical.insert(technical.begin() + 7, testing::passedItem("PrefetchW (AMD)"));
    }
    CheckList official = testing::officialChecks(true, true);
    for (CheckList* list : {&technical, &official}) {
        for (CheckItem& item : *list) {
            if (const auto found = failed.find(item.name); found != failed.end()) {
                item = testing::failedItem(item.name, found->second);
            }
        }
    }
    return deriveAssessment(brand, vendor, technical, official);
}

TEST(MachineWork, CategoryAndActionsFromTheFailedChecks)
{
    using enum Action;
    struct Case {
        std::map<std::string, std::string> failed;
        Category category;
        std::vector<Action> actions;
        const char* brand = testing::intelBrand;
        MachineFacts facts = {};
    };
    const std::string tpmNotFound = "nicht verfuegbar (TBS Fehler 2150121487)";
    const char* kabyLake = "Intel(R) Core(TM) i7-7700 CPU @ 3.60GHz";
    const char* ivyBridge = "Intel(R) Core(TM) i5-3470 CPU @ 3.20GHz";
    const char* qemu = "QEMU Virtual CPU version 2.5+";
    const MachineFacts bitlocker{std::nullopt, true, false};
    const std::map<std::string, std::string> legacy = {{"UEFI-Boot", "Legacy/BIOS"},
                                                       {"Secure Boot", "nicht verfuegbar im Legacy/BIOS-Modus"}};
    const Case cases[] = {
        {{}, Category::ready, {}},
        {{}, Category::cpuNotListed, {replacePc}, kabyLake},
        {{{"Secure Boot", "deaktiviert"}, {"TPM 2.0", tpmNotFound}}, Category::cpuNotListed, {replacePc}, ivyBridge},
        {{{"RAM >= 4 GiB", "2.0 GiB installiert"}}, Category::cpuNotListed, {replacePc}, kabyLake},
        {{{"Secure Boot", "deaktiviert"}}, Category::firmware, {enableSecureBoot}},
        {{{"UEFI-Boot", "Legacy/BIOS"},
          {"Secure Boot", "nicht verfuegbar im Legacy/BIOS-Modus"},
          {"TPM 2.0", tpmNotFound}},
         Category::firmware,
         {enableUefi, enableSecureBoot, enableTpm}},
        {{{"TPM 2.0", "nicht verfuegbar (TBS Fehler 2150121473)"}}, Category::check, {check}},
        {{{"Secure Boot", "deaktiviert"}, {"TPM 2.0", "nicht verfuegbar (TBS Fehler 2150121480)"}},
         Category::check,
         {enableSecureBoot, check}},
        {{{"Secure Boot", "Status konnte nicht ausgelesen werden"}}, Category::check, {check}},
        {{{"TPM 2.0", "unbekannte TPM-Version (3)"}}, Category::check, {check}},
        {{{"UEFI-Boot", "32-Bit-UEFI (startet kein 64-Bit-Windows)"}}, Category::check, {check}},
        {{{"UEFI-Boot", "nicht ermittelbar (WSL)"},
          {"Secure Boot", "nicht ermittelbar (WSL)"},
          {"TPM 2.0", "nicht ermittelbar (WSL)"}},
         Category::check,
         {check}},
        {{{"Secure Boot", "Status konnte nicht ausgelesen werden"}, {"TPM 2.0", "nur TPM 1.2 erkannt"}},
         Category::tpmHardware,
         {check, tpmUpgrade}},
        {{{"Secure Boot", "deaktiviert"}, {"TPM 2.0", "nur TPM 1.2 erkannt"}},
         Category::tpmHardware,
         {enableSecureBoot, tpmUpgrade}},
        {{{"RAM >= 4 GiB", "2.0 GiB installiert"}, {"TPM 2.0", "nur TPM 1.2 erkannt"}},
         Category::upgrade,
         {addMemory, tpmUpgrade}},
        {{{"Systemlaufwerk >= 64 GiB", "Kapazitaet 59.6 GiB"}}, Category::upgrade, {largerDisk}},
        {{{"RAM >= 4 GiB", "konnte nicht gelesen werden"}}, Category::check, {check}},
        {{{"RAM >= 4 GiB", "konnte nicht gelesen werden"}, {"Systemlaufwerk >= 64 GiB", "Kapazitaet 59.6 GiB"}},
         Category::upgrade,
         {check, largerDisk}},
        {{{"SSE4.2", "fehlt"}, {"POPCNT", "fehlt"}, {"Systemlaufwerk >= 64 GiB", "Kapazitaet 59.6 GiB"}},
         Category::replace,
         {replacePc, largerDisk}},
        {{{"64-Bit CPU", "fehlt"}, {"UEFI-Boot", "Legacy/BIOS"}}, Category::replace, {replacePc, enableUefi}},
        {{{"SSE4.2", "fehlt"}, {"TPM 2.0", tpmNotFound}},
         Category::replace,
         {replacePc, tpmUpgrade},
         "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz"},
        {{{"SSE4.2", "fehlt"}, {"POPCNT", "fehlt"}, {"TPM 2.0", tpmNotFound}}, Category::firmware, {vmSettings}, qemu},
        {{{"TPM 2.0", tpmNotFound}}, Category::firmware, {vmSettings}, "Common KVM processor"},
        {legacy, Category::firmware, {vmSettings}, testing::intelBrand, {true, false, false}},
        {{{"Secure Boot", "deaktiviert"}},
         Category::firmware,
         {suspendBitlocker, enableSecureBoot},
         testing::intelBrand,
         bitlocker},
        {{{"Systemlaufwerk >= 64 GiB", "Kapazitaet 59.6 GiB"}},
         Category::upgrade,
         {largerDisk},
         testing::intelBrand,
         bitlocker},
        {legacy,
         Category::firmware,
         {suspendBitlocker, convertToGpt, enableUefi, enableSecureBoot},
         testing::intelBrand,
         {std::nullopt, true, true}},
        {{{"Secure Boot", "deaktiviert"}},
         Category::firmware,
         {enableSecureBoot},
         testing::intelBrand,
         {std::nullopt, false, true}},
    };
    for (const Case& c : cases) {
        const MachineWork work = machineWork(failing(c.failed, testing::intelVendor, c.brand), c.facts);
        EXPECT_EQ(categoryId(work.category), categoryId(c.category)) << c.failed.size() << " " << c.brand;
        EXPECT_EQ(work.actions, c.actions) << categoryId(c.category) << " " << c.brand;
    }
    EXPECT_EQ(machineWork(failing({{"PrefetchW (AMD)", "fehlt"}}, "AuthenticAMD")).category, Category::replace);
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
