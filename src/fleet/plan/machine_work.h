#pragma once

#include "core/assessment.h"
#include "core/finding.h"
#include "fleet/plan/processor_table.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quill {

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

namespace fleet {
struct Inventory;
}

// The facts machineWork() takes from an inventory; what it does not know stays unknown.
MachineFacts machineFacts(const fleet::Inventory& inventory);

// What a TBS result a TPM item names means, in words; empty for any other item.
std::string_view tbsErrorMeaning(const CheckItem& tpm);

} // namespace quill
