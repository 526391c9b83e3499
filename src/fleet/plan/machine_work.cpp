#include "fleet/plan/machine_work.h"

#include "core/finding_table.h"
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

struct FailedItem {
    const CheckItem* item;
    Action action;
};

std::vector<FailedItem> failedItems(const Assessment& a, const ProcessorJudgement& processor, bool virtualMachine)
{
    std::vector<FailedItem> failed;
    for (const CheckList* list : {&a.technicalChecks, &a.officialChecks}) {
        for (const CheckItem& item : *list) {
            if (item.passed) {
                continue;
            }
            Action action = actionFor(item, processor);
            // The processor model, the vTPM, Secure Boot and UEFI of a VM are all set in its hypervisor.
            if (virtualMachine &&
                (action == Action::replacePc || categoryOf(action) == Category::firmware ||
                 action == Action::tpmUpgrade) &&
                action != Action::check) {
                action = Action::vmSettings;
            }
            failed.push_back(FailedItem{&item, action});
        }
    }
    return failed;
}

// Worst first: what is known for sure, unless a value that could not be read may hide worse.
Category categoryFor(const Assessment& a, const std::vector<FailedItem>& failed, ProcessorListing listing)
{
    Category known = Category::ready;
    Category unread = Category::ready;
    for (const FailedItem& f : failed) {
        Category& worst = f.action == Action::check ? unread : known;
        worst = std::min(worst, f.action == Action::check ? definitionOf(f.item->finding).worst : categoryOf(f.action));
    }
    // A processor the list lacks is replaced in any case: memory or disk are not bought for it.
    if (listing == ProcessorListing::no && known != Category::replace) {
        known = Category::cpuNotListed;
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

std::vector<Action> actionsFor(const std::vector<FailedItem>& failed, Category category, const MachineFacts& facts)
{
    std::vector<Action> actions;
    if (category == Category::cpuNotListed) {
        // The firmware and TPM findings stay in the details: nothing is done to a machine to be replaced.
        const bool vm = std::any_of(failed.begin(), failed.end(),
                                    [](const FailedItem& f) { return f.action == Action::vmSettings; });
        return {vm ? Action::vmSettings : Action::replacePc};
    }
    bool legacyBoot = false;
    for (const FailedItem& f : failed) {
        legacyBoot = legacyBoot || f.item->finding == Finding::legacyBios;
        if (!contains(actions, f.action)) {
            actions.push_back(f.action);
        }
    }
    if (facts.mbrSystemDisk && legacyBoot) {
        insertBefore(actions, Action::convertToGpt, {Action::enableUefi, Action::vmSettings});
    }
    if (facts.bitlockerOn) {
        insertBefore(actions, Action::suspendBitlocker,
                     {Action::convertToGpt, Action::enableUefi, Action::enableSecureBoot, Action::enableTpm,
                      Action::tpmUpgrade, Action::vmSettings});
    }
    return actions;
}

} // namespace

MachineWork machineWork(const Assessment& assessment, const MachineFacts& facts)
{
    MachineWork work;
    const ProcessorJudgement processor = judgeProcessor(ProcessorIdentity{assessment.vendor, assessment.brand});
    work.processorOnList = processor.listing;
    const bool virtualMachine = facts.virtualMachine.value_or(virtualProcessorBrand(assessment.brand));
    const std::vector<FailedItem> failed = failedItems(assessment, processor, virtualMachine);
    work.category = categoryFor(assessment, failed, work.processorOnList);
    work.actions = actionsFor(failed, work.category, facts);
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
    facts.bitlockerOn = inventory.bitlocker == "on";
    facts.mbrSystemDisk = inventory.partitionStyle == "mbr";
    return facts;
}

} // namespace quill
