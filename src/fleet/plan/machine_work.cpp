#include "fleet/plan/machine_work.h"

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

MachineWork machineWork(const Assessment& assessment, const MachineFacts& /*facts*/)
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
        "Ersetzen", "Aufruesten", "TPM-Hardware", "Firmware-Einstellungen", "Bereit",
    };
    return texts[static_cast<std::size_t>(category)];
}

std::string_view actionText(Action action)
{
    constexpr std::array<std::string_view, 8> texts = {
        "UEFI einschalten", "Secure Boot einschalten",   "TPM einschalten",  "TPM 2.0 nachruesten",
        "RAM erweitern",    "Groesseres Systemlaufwerk", "Rechner ersetzen", "Vor Ort pruefen",
    };
    return texts[static_cast<std::size_t>(action)];
}

std::string_view actionHint(Action action)
{
    constexpr std::array<std::string_view, 8> hints = {
        "im Firmware-Setup auf UEFI umstellen und CSM abschalten; ein Systemdatentraeger mit MBR-Partitionierung "
        "muss vorher nach GPT umgewandelt werden (z. B. mit MBR2GPT)",
        "im Firmware-Setup Secure Boot einschalten (geht erst im UEFI-Modus)",
        "im Firmware-Setup das TPM einschalten (fTPM bei AMD, PTT bei Intel), wo die Hauptplatine eines hat",
        "das TPM 1.2 durch ein TPM 2.0 ersetzen (Firmware-Update des Herstellers oder ein Modul), sonst den "
        "Rechner ersetzen",
        "Arbeitsspeicher auf mindestens 4 GiB erweitern",
        "ein Systemlaufwerk mit mindestens 64 GiB einbauen",
        "der Prozessor erfuellt die technischen Mindestanforderungen nicht",
        "ein Wert konnte nicht gelesen werden: am Rechner selbst nachsehen",
    };
    return hints[static_cast<std::size_t>(action)];
}

std::string_view listingText(ProcessorListing listing)
{
    constexpr std::array<std::string_view, 3> texts = {"ja", "nein", "unbekannt"};
    return texts[static_cast<std::size_t>(listing)];
}

} // namespace quill
