#include "fleet/plan/machine_work.h"

#include "core/finding_table.h"
#include "core/inventory_format.h"
#include "fleet/files/inventory.h"

#include <algorithm>
#include <string>
#include <utility>

namespace quill {
namespace {

bool contains(const std::vector<Action>& actions, Action action)
{
    return std::find(actions.begin(), actions.end(), action) != actions.end();
}

// The step for one failed item, as its finding says; "no TPM" on a platform older than firmware
// TPMs means none to switch on.
Action actionFor(const CheckItem& item, const ProcessorJudgement& processor)
{
    if (item.finding == Finding::tpmNotFound && processor.beforeFirmwareTpm) {
        return Action::tpmUpgrade;
    }
    return definitionOf(item.finding).action;
}

// What an action known for sure makes of the machine.
Category categoryOf(Action action)
{
    switch (action) {
    case Action::replacePc:
        return Category::replace;
    case Action::addMemory:
    case Action::largerDisk:
        return Category::upgrade;
    case Action::tpmUpgrade:
        return Category::tpmHardware;
    default:
        return Category::firmware;
    }
}

// The steps a virtual machine's hypervisor settles: processor model, firmware, Secure Boot, vTPM.
bool isHypervisorSetting(Action action)
{
    return action == Action::replacePc || action == Action::tpmUpgrade || categoryOf(action) == Category::firmware;
}

struct FailedItem {
    const CheckItem* item;
    Action action;
};

// What the machine is, as the judgement of its failed items needs it.
struct Machine {
    ProcessorJudgement processor;
    bool virtualMachine = false;
    bool hyperVGeneration1 = false; // a Hyper-V VM booted without UEFI: generation 1 has none
    bool belowProcessorFloor = false;
    bool tooFewCores = false;
};

std::vector<FailedItem> failedItems(const Assessment& a, const Machine& machine)
{
    std::vector<FailedItem> failed;
    for (const CheckList* list : {&a.technicalChecks, &a.officialChecks}) {
        for (const CheckItem& item : *list) {
            if (item.passed) {
                continue;
            }
            Action action = actionFor(item, machine.processor);
            if (machine.virtualMachine && action != Action::check && isHypervisorSetting(action)) {
                action = machine.hyperVGeneration1 ? Action::newVmGeneration2 : Action::vmSettings;
            }
            failed.push_back(FailedItem{&item, action});
        }
    }
    return failed;
}

// Worst first: what is known for sure, unless something that is not known may hide worse. A
// virtual machine's worst is its settings.
Category categoryFor(const Assessment& a, const std::vector<FailedItem>& failed, const Machine& machine)
{
    Category known = Category::ready;
    Category unread = Category::ready;
    for (const FailedItem& f : failed) {
        Category& worst = f.action == Action::check ? unread : known;
        worst = std::min(worst, f.action == Action::check ? definitionOf(f.item->finding).worst : categoryOf(f.action));
    }
    const ProcessorListing listing = machine.processor.listing;
    if (machine.belowProcessorFloor) {
        known = Category::replace;
    }
    if (machine.virtualMachine) {
        // Memory, disk, processors and the processor model a VM sees are all its hypervisor's, and
        // nothing on it can hide more than its settings.
        const bool settings = known != Category::ready || listing != ProcessorListing::yes;
        known = settings ? Category::vmSettings : Category::ready;
        unread = std::max(unread, Category::vmSettings);
    } else {
        // A processor the list lacks is replaced in any case: memory or disk are not bought for it.
        if (listing == ProcessorListing::no && known != Category::replace) {
            known = Category::cpuNotListed;
        }
        // A processor no rule places may be one the list lacks.
        if (listing == ProcessorListing::unknown) {
            unread = std::min(unread, Category::cpuNotListed);
        }
    }
    if (unread < known) {
        return Category::check;
    }
    return exitCodeOf(a) == 0 && known == Category::ready ? Category::ready : known;
}

void insertBefore(std::vector<Action>& actions, Action action, std::initializer_list<Action> before)
{
    const auto at = std::find_if(actions.begin(), actions.end(), [before](Action a) {
        return std::find(before.begin(), before.end(), a) != before.end();
    });
    if (at != actions.end()) {
        actions.insert(at, action);
    }
}

std::vector<Action> actionsFor(const std::vector<FailedItem>& failed, Category category, const Machine& machine,
                               const MachineFacts& facts)
{
    // Nothing is done to a machine to be replaced: its other findings stay in the details.
    if (category == Category::replace || category == Category::cpuNotListed) {
        return {Action::replacePc};
    }
    std::vector<Action> actions;
    if (machine.processor.listing == ProcessorListing::unknown) {
        actions.push_back(Action::checkProcessor);
    }
    bool legacyBoot = false;
    for (const FailedItem& f : failed) {
        legacyBoot = legacyBoot || f.item->finding == Finding::legacyBios;
        if (!contains(actions, f.action)) {
            actions.push_back(f.action);
        }
    }
    if (machine.virtualMachine && machine.tooFewCores) {
        actions.push_back(Action::addVcpus);
    } else if (machine.virtualMachine && machine.belowProcessorFloor) {
        actions.push_back(Action::vmSettings);
    }
    if (machine.virtualMachine && machine.processor.listing == ProcessorListing::no &&
        !contains(actions, Action::vmSettings)) {
        actions.push_back(Action::vmSettings); // the host's processor model, or another host
    }
    if (facts.mbrSystemDisk && legacyBoot) {
        insertBefore(actions, Action::convertToGpt, {Action::enableUefi, Action::vmSettings, Action::newVmGeneration2});
    }
    if (facts.bitlockerOn != false) {
        insertBefore(actions, facts.bitlockerOn ? Action::suspendBitlocker : Action::checkBitlocker,
                     {Action::convertToGpt, Action::enableUefi, Action::enableSecureBoot, Action::enableTpm,
                      Action::tpmUpgrade, Action::vmSettings, Action::newVmGeneration2});
    }
    return actions;
}

} // namespace

MachineWork machineWork(const Assessment& assessment, const MachineFacts& facts)
{
    const std::string_view vendor =
        facts.processorVendor.empty() ? std::string_view(assessment.vendor) : facts.processorVendor;
    Machine machine;
    machine.processor =
        judgeProcessor(ProcessorIdentity{vendor, assessment.brand, facts.family, facts.model, facts.stepping});
    machine.virtualMachine = facts.virtualMachine.value_or(virtualProcessorBrand(assessment.brand));
    const CheckItem* uefi = assessment.officialChecks.empty() ? nullptr : &assessment.officialChecks.front();
    machine.hyperVGeneration1 =
        machine.virtualMachine && facts.hyperV && uefi != nullptr && uefi->finding == Finding::legacyBios;
    machine.tooFewCores = facts.cores && *facts.cores < minimumCores;
    machine.belowProcessorFloor = machine.tooFewCores || (facts.maxMhz && *facts.maxMhz < minimumMhz);

    MachineWork work;
    work.processorOnList = machine.processor.listing;
    const std::vector<FailedItem> failed = failedItems(assessment, machine);
    work.category = categoryFor(assessment, failed, machine);
    work.actions = actionsFor(failed, work.category, machine, facts);
    return work;
}

std::string_view tbsErrorMeaning(const CheckItem& tpm)
{
    if (tpm.finding != Finding::tpmNotFound && tpm.finding != Finding::tbsError) {
        return {};
    }
    // The results a TBS gives where a TPM is missing, off or cannot be asked.
    const std::pair<std::uint32_t, std::string_view> meanings[] = {
        {platform::tbsTpmNotFound, "kein TPM gefunden"},
        {platform::tbsInternalError, "TPM nicht abfragbar (z. B. unter Windows 7)"},
        {platform::tbsServiceNotRunning, "TPM-Dienst läuft nicht"},
        {platform::tbsServiceStartPending, "TPM-Dienst startet noch"},
        {platform::tbsServiceDisabled, "TPM-Dienst deaktiviert"},
    };
    for (const auto& [result, meaning] : meanings) {
        if (tpm.value == result) {
            return meaning;
        }
    }
    return {};
}

MachineFacts machineFacts(const fleet::Inventory& inventory)
{
    MachineFacts facts;
    facts.virtualMachine = inventory.virtualMachine;
    if (inventory.bitlocker != "unknown") {
        facts.bitlockerOn = inventory.bitlocker == "on";
    }
    facts.mbrSystemDisk = inventory.partitionStyle == "mbr";
    // Hyper-V names itself so in SMBIOS; its generation 2 is UEFI only.
    facts.hyperV = sameAsciiLetters(inventory.manufacturer, "Microsoft Corporation") &&
                   sameAsciiLetters(inventory.model, "Virtual Machine");
    facts.processorVendor = inventory.cpuVendor;
    facts.family = inventory.cpuFamily;
    facts.model = inventory.cpuModel;
    facts.stepping = inventory.cpuStepping;
    facts.cores = inventory.cpuCores;
    facts.maxMhz = inventory.cpuMaxMhz;
    return facts;
}

} // namespace quill
