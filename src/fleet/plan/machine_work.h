#pragma once

#include "core/assessment.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quill {

// What an admin has to do with a machine, worst first: the order is the order of progress.
enum class Category : std::uint8_t {
    replace,      // a processor feature or the 64-bit architecture is missing
    cpuNotListed, // runs, but the processor is not on the vendor's list: Windows Update offers nothing
    upgrade,      // only memory and/or the system volume stand in the way technically
    tpmHardware,  // the TPM is only 1.2, or the platform is older than firmware TPMs
    firmware,     // what fails is settings: in the firmware setup, or the hypervisor's for a VM
    check,        // a value that could make it worse than known could not be read: look at the machine
    ready,        // officially compatible, with a processor on the list or one the rules don't know
};
inline constexpr std::array<Category, 7> categories = {Category::replace,     Category::cpuNotListed, Category::upgrade,
                                                       Category::tpmHardware, Category::firmware,     Category::check,
                                                       Category::ready};

// One step for a failed check.
enum class Action : std::uint8_t {
    enableUefi,
    enableSecureBoot,
    enableTpm,
    tpmUpgrade,
    addMemory,
    largerDisk,
    replacePc,
    check,            // the finding names no setting (a value that could not be read): look at the machine
    vmSettings,       // a virtual machine: vTPM, Secure Boot, UEFI and processor model are the hypervisor's
    suspendBitlocker, // before any firmware change, so the recovery key is not asked for at the next start
    convertToGpt,     // the system disk is MBR: converted before the switch to UEFI
};
inline constexpr std::array<Action, 11> allActions = {
    Action::suspendBitlocker, Action::convertToGpt, Action::enableUefi, Action::enableSecureBoot,
    Action::enableTpm,        Action::tpmUpgrade,   Action::vmSettings, Action::addMemory,
    Action::largerDisk,       Action::replacePc,    Action::check};

// Whether the processor is on the vendor's list of supported processors, from its brand text.
// Informational only: it changes no verdict, category or exit code.
enum class ProcessorListing : std::uint8_t { yes, no, unknown };

struct MachineWork {
    Category category = Category::ready;
    std::vector<Action> actions; // in report order, each action once
    ProcessorListing processorOnList = ProcessorListing::unknown;
};

// What the collection knows of a machine beside its report: the inventory a collection route
// writes next to it, where there is one. An unknown fact is left at its default.
struct MachineFacts {
    std::optional<bool> virtualMachine; // from the inventory; the processor's brand is asked too
    bool bitlockerOn = false;           // on the system drive
    bool mbrSystemDisk = false;         // the system disk is partitioned MBR, not GPT
};

MachineWork machineWork(const Assessment& assessment, const MachineFacts& facts = {});

ProcessorListing processorListing(std::string_view brand);

// Whether the brand names a platform older than firmware TPMs (fTPM, PTT): Intel Core before the
// 4th generation, AMD before Ryzen and the older families the list lacks. There "no TPM found"
// means no TPM to switch on.
bool predatesFirmwareTpm(std::string_view brand);

// Whether the brand is one a hypervisor makes up ("QEMU Virtual CPU version 2.5+",
// "Common KVM processor").
bool virtualProcessorBrand(std::string_view brand);

// What a known TBS error code quoted in a TPM detail means, in words; empty for any other detail.
std::string_view tbsErrorMeaning(std::string_view detail);

// The ids other tools read in the fleet's JSON.
std::string_view categoryId(Category category);
std::string_view actionId(Action action);
std::string_view listingId(ProcessorListing listing);
std::optional<Category> categoryFromId(std::string_view id);

// The German words for people.
std::string_view categoryText(Category category);
std::string_view actionText(Action action); // a few words, for a table cell
std::string_view actionHint(Action action); // what it means in full, said once per page
std::string_view listingText(ProcessorListing listing);

} // namespace quill
