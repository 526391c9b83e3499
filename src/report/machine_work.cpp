#include "report/machine_work.h"

#include "core/check_details.h"
#include "core/checks.h"

#include <algorithm>

namespace quill {
namespace {

// The step for one failed item: the check says what is at fault, and for the settings its
// detail says whether the setting was read at all.
Action actionFor(const CheckItem& item)
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
        return detail.starts_with(tpmNotFoundPrefix) ? Action::enableTpm : Action::check;
    default:
        return Action::replacePc; // every other check is the processor's or its architecture's
    }
}

Category categoryOf(const Assessment& a, const std::vector<Action>& technical, const std::vector<Action>& official)
{
    if (exitCodeOf(a) == 0) {
        return Category::ready;
    }
    if (!a.technicallyCompatible) {
        const bool onlyParts = std::all_of(technical.begin(), technical.end(), [](Action action) {
            return action == Action::addMemory || action == Action::largerDisk || action == Action::check;
        });
        return onlyParts ? Category::upgrade : Category::replace;
    }
    if (std::find(official.begin(), official.end(), Action::tpmUpgrade) != official.end()) {
        return Category::tpmHardware;
    }
    // A setting that could not be read (check) is looked at in the same firmware setup.
    return Category::firmware;
}

std::vector<Action> actionsFor(const CheckList& checks)
{
    std::vector<Action> actions;
    for (const CheckItem& item : checks) {
        if (!item.passed) {
            actions.push_back(actionFor(item));
        }
    }
    return actions;
}

} // namespace

MachineWork machineWork(const Assessment& assessment)
{
    const std::vector<Action> technical = actionsFor(assessment.technicalChecks);
    const std::vector<Action> official = actionsFor(assessment.officialChecks);
    MachineWork work;
    work.category = categoryOf(assessment, technical, official);
    for (const std::vector<Action>* list : {&technical, &official}) {
        for (const Action action : *list) {
            if (std::find(work.actions.begin(), work.actions.end(), action) == work.actions.end()) {
                work.actions.push_back(action);
            }
        }
    }
    work.processorOnList = processorListing(assessment.brand);
    return work;
}

std::string_view categoryId(Category category)
{
    constexpr std::array<std::string_view, 5> ids = {"replace", "upgrade", "tpm_hardware", "firmware", "ready"};
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
    constexpr std::array<std::string_view, 8> ids = {"enable_uefi", "enable_secure_boot", "enable_tpm", "tpm_upgrade",
                                                     "add_memory",  "larger_disk",        "replace_pc", "check"};
    return ids[static_cast<std::size_t>(action)];
}

std::string_view listingId(ProcessorListing listing)
{
    constexpr std::array<std::string_view, 3> ids = {"yes", "no", "unknown"};
    return ids[static_cast<std::size_t>(listing)];
}

std::string_view categoryText(Category category)
{
    constexpr std::array<std::string_view, 5> texts = {
        "Ersetzen: Prozessor erfuellt die Mindestanforderungen nicht",
        "Aufruesten: Arbeitsspeicher oder Systemlaufwerk zu klein",
        "TPM-Hardware: nur TPM 1.2",
        "Nur Firmware-Einstellungen",
        "Bereit (offiziell kompatibel)",
    };
    return texts[static_cast<std::size_t>(category)];
}

std::string_view actionText(Action action)
{
    constexpr std::array<std::string_view, 8> texts = {
        "Im Firmware-Setup auf UEFI umstellen, CSM aus (ein MBR-Systemdatentraeger vorher mit MBR2GPT nach GPT "
        "umwandeln)",
        "Secure Boot im Firmware-Setup einschalten",
        "TPM (fTPM/PTT) im Firmware-Setup einschalten, wo die Hauptplatine eines hat",
        "TPM 2.0 nachruesten (Firmware-Update oder Modul)",
        "Arbeitsspeicher auf mindestens 4 GiB erweitern",
        "Systemlaufwerk mit mindestens 64 GiB einbauen",
        "Rechner ersetzen",
        "Vor Ort pruefen: Wert konnte nicht gelesen werden",
    };
    return texts[static_cast<std::size_t>(action)];
}

std::string_view listingText(ProcessorListing listing)
{
    constexpr std::array<std::string_view, 3> texts = {"ja", "nein", "unbekannt"};
    return texts[static_cast<std::size_t>(listing)];
}

} // namespace quill
