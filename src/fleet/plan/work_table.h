#pragma once

#include "core/finding.h"
#include "fleet/plan/processor_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quill::fleet {

// How a machine's category moved since an earlier collection.
enum class Change : std::uint8_t { added, same, better, worse };

// The words of the plan, one table each: the ids other tools read in the fleet's JSON, the German
// words for people, and how the page marks them. Each table lists its enum in enum order.

struct CategoryRow {
    Category category;
    std::string_view id;
    std::string_view text;
    std::string_view colour; // the page's class for its bars and tiles
};
inline constexpr std::array<CategoryRow, 8> categoryTable = {{
    {Category::replace, "replace", "Ersetzen", "red"},
    {Category::cpuNotListed, "cpu_not_listed", "CPU nicht auf der Liste", "red"},
    {Category::upgrade, "upgrade", "Aufrüsten", "red"},
    {Category::tpmHardware, "tpm_hardware", "TPM-Hardware", "red"},
    {Category::firmware, "firmware", "Firmware-Einstellungen", "yellow"},
    {Category::vmSettings, "vm_settings", "VM-Einstellungen", "yellow"},
    {Category::check, "check", "Vor Ort prüfen", ""},
    {Category::ready, "ready", "Bereit", "green"},
}};

struct ActionRow {
    Action action;
    std::string_view id;
    std::string_view text; // a few words, for a table cell
    std::string_view hint; // what it means in full, said once per page
};
inline constexpr std::array<ActionRow, 15> actionTable = {{
    {Action::suspendBitlocker, "suspend_bitlocker", "BitLocker anhalten",
     "BitLocker vor der Änderung an Firmware oder TPM anhalten (manage-bde -protectors -disable C: -RebootCount "
     "1, für mehrere Neustarts -RebootCount 0 und danach -enable), sonst fragt der nächste Start nach dem "
     "Wiederherstellungsschlüssel"},
    {Action::checkBitlocker, "check_bitlocker", "BitLocker prüfen (ggf. anhalten)",
     "ob BitLocker an ist, konnte niemand fragen: vor der Änderung an Firmware oder TPM nachsehen (manage-bde "
     "-status C:) und es, wenn ja, anhalten"},
    {Action::convertToGpt, "convert_to_gpt", "Nach GPT umwandeln",
     "den Systemdatenträger vor dem Umstellen auf UEFI mit MBR2GPT nach GPT umwandeln"},
    {Action::enableUefi, "enable_uefi", "UEFI einschalten",
     "im Firmware-Setup auf UEFI umstellen und CSM abschalten; ein Systemdatenträger mit MBR-Partitionierung "
     "muss vorher nach GPT umgewandelt werden (MBR2GPT), wo das Inventar es weiß, steht „Nach GPT umwandeln“ "
     "dabei"},
    {Action::enableSecureBoot, "enable_secure_boot", "Secure Boot einschalten",
     "im Firmware-Setup Secure Boot einschalten (geht erst im UEFI-Modus)"},
    {Action::enableTpm, "enable_tpm", "TPM einschalten",
     "im Firmware-Setup das TPM einschalten (fTPM bei AMD, PTT bei Intel); die Plattform hat eines"},
    {Action::tpmUpgrade, "tpm_upgrade", "TPM 2.0 nachrüsten",
     "die Plattform hat kein TPM 2.0 (nur 1.2, oder älter als Firmware-TPMs): ein TPM-2.0-Modul oder ein "
     "Firmware-Update des Herstellers, wo es eines gibt, sonst den Rechner ersetzen"},
    {Action::vmSettings, "vm_settings", "VM-Einstellungen",
     "eine virtuelle Maschine: vTPM, Secure Boot, UEFI und das Prozessormodell in den Einstellungen des "
     "Hypervisors setzen (bei einer nicht gelisteten CPU des Hosts: auf einen anderen Host umziehen)"},
    {Action::addVcpus, "add_vcpus", "2 vCPUs zuweisen",
     "eine virtuelle Maschine mit weniger als zwei Prozessoren: mindestens zwei zuweisen"},
    {Action::newVmGeneration2, "new_vm_generation_2", "neue VM der Generation 2",
     "eine Hyper-V-VM der Generation 1 hat kein UEFI und kann keines bekommen: eine neue VM der Generation 2 "
     "anlegen und das System dorthin bringen"},
    {Action::addMemory, "add_memory", "RAM erweitern", "Arbeitsspeicher auf mindestens 4 GiB erweitern"},
    {Action::largerDisk, "larger_disk", "Größeres Systemlaufwerk", "ein Systemlaufwerk mit mindestens 64 GiB einbauen"},
    {Action::replacePc, "replace_pc", "Rechner ersetzen",
     "der Prozessor erfüllt die Mindestanforderungen nicht oder steht nicht auf der Liste des Herstellers "
     "(Windows Update bietet Windows 11 dann nicht an)"},
    {Action::checkProcessor, "check_processor", "Prozessor prüfen",
     "weder Signatur noch Name sagen, ob der Prozessor auf der Liste des Herstellers steht: dort nachsehen"},
    {Action::check, "check", "Vor Ort prüfen", "ein Wert konnte nicht gelesen werden: am Rechner selbst nachsehen"},
}};

struct ListingRow {
    ProcessorListing listing;
    std::string_view id;
    std::string_view text;
    std::string_view mark; // the page's class for the cell: a listed processor green, one not listed red
};
inline constexpr std::array<ListingRow, 3> listingTable = {{
    {ProcessorListing::yes, "yes", "ja", "yes"},
    {ProcessorListing::no, "no", "nein", "no"},
    {ProcessorListing::unknown, "unknown", "unbekannt", ""},
}};

struct ChangeRow {
    Change change;
    std::string_view id;
    std::string_view text;
};
inline constexpr std::array<ChangeRow, 4> changeTable = {{
    {Change::added, "new", "neu"},
    {Change::same, "same", "unverändert"},
    {Change::better, "better", "besser"},
    {Change::worse, "worse", "schlechter"},
}};

// The rows, indexed by their enum.
constexpr const CategoryRow& rowOf(Category category)
{
    return categoryTable[static_cast<std::size_t>(category)];
}
constexpr const ActionRow& rowOf(Action action)
{
    return actionTable[static_cast<std::size_t>(action)];
}
constexpr const ListingRow& rowOf(ProcessorListing listing)
{
    return listingTable[static_cast<std::size_t>(listing)];
}
constexpr const ChangeRow& rowOf(Change change)
{
    return changeTable[static_cast<std::size_t>(change)];
}

// The category whose id this is, as a JSON file of the tool stores it.
std::optional<Category> categoryFromId(std::string_view id);

} // namespace quill::fleet
