#include "fleet/plan/machine_work.h"

#include "core/check_details.h"
#include "core/checks.h"

#include <algorithm>
#include <string>
#include <utility>

namespace quill {
namespace {

// TBS_E_TPM_NOT_FOUND (0x8028400F) as the report writes it: the only TBS error that says there is
// no TPM. Any other (a stopped service, a Windows that cannot be asked for the version) says nothing.
constexpr std::string_view tpmNotFoundCode = "2150121487";

bool contains(const std::vector<Action>& actions, Action action)
{
    return std::find(actions.begin(), actions.end(), action) != actions.end();
}

bool isTpmNotFound(std::string_view detail)
{
    return detail.starts_with(tpmNotFoundPrefix) &&
           detail.substr(tpmNotFoundPrefix.size()) == std::string(tpmNotFoundCode) + ")";
}

// The step for one failed item: the check says what is at fault, and for the settings its
// detail says whether the setting was read at all.
Action actionFor(const CheckItem& item, std::string_view brand)
{
    const CheckDefinition* row = findDefinition(item.name);
    if (row == nullptr) {
        return Action::check;
    }
    const std::string_view detail = item.detail;
    switch (row->check) {
    case Check::memory:
        return detail.ends_with(installedSuffix) ? Action::addMemory : Action::check;
    case Check::systemDrive:
        return detail.starts_with(capacityPrefix) && detail.ends_with(" GiB") ? Action::largerDisk : Action::check;
    case Check::uefiBoot:
        return detail == legacyBiosDetail ? Action::enableUefi : Action::check;
    case Check::secureBoot:
        return detail == secureBootOffDetail || detail == secureBootInLegacyDetail ? Action::enableSecureBoot
                                                                                   : Action::check;
    case Check::tpm20:
        if (detail == tpm12Detail) {
            return Action::tpmUpgrade;
        }
        if (isTpmNotFound(detail)) {
            return predatesFirmwareTpm(brand) ? Action::tpmUpgrade : Action::enableTpm;
        }
        return Action::check;
    default:
        return Action::replacePc; // every other check is the processor's or its architecture's
    }
}

// The worst an item that could not be read may hide.
Category worstUnread(const CheckItem& item)
{
    const CheckDefinition* row = findDefinition(item.name);
    switch (row == nullptr ? Check::cpu64 : row->check) {
    case Check::memory:
    case Check::systemDrive:
        return Category::upgrade;
    case Check::uefiBoot:
        // A 32-bit UEFI starts no 64-bit Windows; whether newer firmware exists is the maker's to say.
        return item.detail.starts_with("32-Bit-UEFI") ? Category::replace : Category::firmware;
    case Check::secureBoot:
        return Category::firmware;
    case Check::tpm20:
        return Category::tpmHardware;
    default:
        return Category::replace;
    }
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

std::vector<FailedItem> failedItems(const Assessment& a, bool virtualMachine)
{
    std::vector<FailedItem> failed;
    for (const CheckList* list : {&a.technicalChecks, &a.officialChecks}) {
        for (const CheckItem& item : *list) {
            if (item.passed) {
                continue;
            }
            Action action = actionFor(item, a.brand);
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
        worst = std::min(worst, f.action == Action::check ? worstUnread(*f.item) : categoryOf(f.action));
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
        legacyBoot = legacyBoot || f.item->detail == legacyBiosDetail;
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
    work.processorOnList = processorListing(assessment.brand);
    const bool virtualMachine = facts.virtualMachine.value_or(virtualProcessorBrand(assessment.brand));
    const std::vector<FailedItem> failed = failedItems(assessment, virtualMachine);
    work.category = categoryFor(assessment, failed, work.processorOnList);
    work.actions = actionsFor(failed, work.category, facts);
    return work;
}

std::string_view tbsErrorMeaning(std::string_view detail)
{
    if (!detail.starts_with(tpmNotFoundPrefix)) {
        return {};
    }
    // The codes a TBS gives where a TPM is missing, off or cannot be asked (TBS_E_*).
    const std::pair<std::string_view, std::string_view> meanings[] = {
        {"2150121487)", "kein TPM gefunden"},      {"2150121473)", "TPM nicht abfragbar (z. B. unter Windows 7)"},
        {"2150121480)", "TPM-Dienst läuft nicht"}, {"2150121483)", "TPM-Dienst startet noch"},
        {"2150121488)", "TPM-Dienst deaktiviert"},
    };
    const std::string_view code = detail.substr(tpmNotFoundPrefix.size());
    for (const auto& [text, meaning] : meanings) {
        if (code == text) {
            return meaning;
        }
    }
    return {};
}

std::string_view categoryId(Category category)
{
    constexpr std::array<std::string_view, 7> ids = {"replace",  "cpu_not_listed", "upgrade", "tpm_hardware",
                                                     "firmware", "check",          "ready"};
    return ids[static_cast<std::size_t>(category)];
}

std::optional<Category> categoryFromId(std::string_view id)
{
    for (const Category category : categories) {
        if (categoryId(category) == id) {
            return category;
        }
    }
    return std::nullopt;
}

std::string_view actionId(Action action)
{
    constexpr std::array<std::string_view, 11> ids = {
        "enable_uefi", "enable_secure_boot", "enable_tpm",    "tpm_upgrade",
        "add_memory",  "larger_disk",        "replace_pc",    "check",
        "vm_settings", "suspend_bitlocker",  "convert_to_gpt"};
    return ids[static_cast<std::size_t>(action)];
}

std::string_view listingId(ProcessorListing listing)
{
    constexpr std::array<std::string_view, 3> ids = {"yes", "no", "unknown"};
    return ids[static_cast<std::size_t>(listing)];
}

std::string_view categoryText(Category category)
{
    constexpr std::array<std::string_view, 7> texts = {
        "Ersetzen", "CPU nicht auf der Liste", "Aufrüsten", "TPM-Hardware", "Firmware-Einstellungen", "Vor Ort prüfen",
        "Bereit",
    };
    return texts[static_cast<std::size_t>(category)];
}

std::string_view actionText(Action action)
{
    constexpr std::array<std::string_view, 11> texts = {
        "UEFI einschalten", "Secure Boot einschalten", "TPM einschalten",    "TPM 2.0 nachrüsten",
        "RAM erweitern",    "Größeres Systemlaufwerk", "Rechner ersetzen",   "Vor Ort prüfen",
        "VM-Einstellungen", "BitLocker anhalten",      "Nach GPT umwandeln",
    };
    return texts[static_cast<std::size_t>(action)];
}

std::string_view actionHint(Action action)
{
    constexpr std::array<std::string_view, 11> hints = {
        "im Firmware-Setup auf UEFI umstellen und CSM abschalten; ein Systemdatenträger mit MBR-Partitionierung "
        "muss vorher nach GPT umgewandelt werden (MBR2GPT), wo das Inventar es weiß, steht „Nach GPT umwandeln“ "
        "dabei",
        "im Firmware-Setup Secure Boot einschalten (geht erst im UEFI-Modus)",
        "im Firmware-Setup das TPM einschalten (fTPM bei AMD, PTT bei Intel); die Plattform hat eines",
        "die Plattform hat kein TPM 2.0 (nur 1.2, oder älter als Firmware-TPMs): ein TPM-2.0-Modul oder ein "
        "Firmware-Update des Herstellers, wo es eines gibt, sonst den Rechner ersetzen",
        "Arbeitsspeicher auf mindestens 4 GiB erweitern",
        "ein Systemlaufwerk mit mindestens 64 GiB einbauen",
        "der Prozessor erfüllt die Mindestanforderungen nicht oder steht nicht auf der Liste des Herstellers "
        "(Windows Update bietet Windows 11 dann nicht an)",
        "ein Wert konnte nicht gelesen werden: am Rechner selbst nachsehen",
        "eine virtuelle Maschine: vTPM, Secure Boot, UEFI und das Prozessormodell in den Einstellungen des "
        "Hypervisors setzen (bei einer nicht gelisteten CPU des Hosts: auf einen anderen Host umziehen)",
        "BitLocker vor der Änderung an Firmware oder TPM anhalten (manage-bde -protectors -disable C: -RebootCount "
        "1, für mehrere Neustarts -RebootCount 0 und danach -enable), sonst "
        "fragt der nächste Start nach dem Wiederherstellungsschlüssel",
        "den Systemdatenträger vor dem Umstellen auf UEFI mit MBR2GPT nach GPT umwandeln",
    };
    return hints[static_cast<std::size_t>(action)];
}

std::string_view listingText(ProcessorListing listing)
{
    constexpr std::array<std::string_view, 3> texts = {"ja", "nein", "unbekannt"};
    return texts[static_cast<std::size_t>(listing)];
}

} // namespace quill
