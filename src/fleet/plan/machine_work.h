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
    replace,     // a processor feature or the 64-bit architecture is missing
    upgrade,     // only memory and/or the system volume stand in the way technically
    tpmHardware, // technically compatible, but the TPM is only 1.2
    firmware,    // technically compatible; what fails is settings in the firmware setup
    ready,       // officially compatible
};
inline constexpr std::array<Category, 5> categories = {Category::replace, Category::upgrade, Category::tpmHardware,
                                                       Category::firmware, Category::ready};

// One step for a failed check.
enum class Action : std::uint8_t {
    enableUefi,
    enableSecureBoot,
    enableTpm,
    tpmUpgrade,
    addMemory,
    largerDisk,
    replacePc,
    check, // the finding names no setting (a value that could not be read): look at the machine
};
inline constexpr std::array<Action, 8> allActions = {
    Action::enableUefi, Action::enableSecureBoot, Action::enableTpm, Action::tpmUpgrade,
    Action::addMemory,  Action::largerDisk,       Action::replacePc, Action::check};

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
