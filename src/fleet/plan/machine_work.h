#pragma once

#include "core/assessment.h"
#include "core/finding.h"
#include "fleet/plan/processor_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quill {

inline constexpr std::array<Category, 7> categories = {Category::replace,     Category::cpuNotListed, Category::upgrade,
                                                       Category::tpmHardware, Category::firmware,     Category::check,
                                                       Category::ready};

inline constexpr std::array<Action, 11> allActions = {
    Action::suspendBitlocker, Action::convertToGpt, Action::enableUefi, Action::enableSecureBoot,
    Action::enableTpm,        Action::tpmUpgrade,   Action::vmSettings, Action::addMemory,
    Action::largerDisk,       Action::replacePc,    Action::check};

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

// What a TBS result a TPM item names means, in words; empty for any other item.
std::string_view tbsErrorMeaning(const CheckItem& tpm);

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
