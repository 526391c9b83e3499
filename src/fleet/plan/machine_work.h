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
// writes next to it, where there is one. An unknown fact is left unknown.
struct MachineFacts {
    std::optional<bool> virtualMachine = std::nullopt;  // from the inventory; the processor's brand is asked too
    std::optional<bool> bitlockerOn = std::nullopt;     // on the system drive; nullopt where nobody could ask
    bool mbrSystemDisk = false;                         // the system disk is partitioned MBR, not GPT
    bool hyperV = false;                                // a Hyper-V VM: of generation 1 where it boots without UEFI
    std::string_view processorVendor = {};              // CPUID's vendor text as the inventory gives it
    std::optional<std::uint32_t> family = std::nullopt; // CPUID's display family, model and stepping
    std::optional<std::uint32_t> model = std::nullopt;
    std::optional<std::uint32_t> stepping = std::nullopt;
    std::optional<std::uint32_t> cores = std::nullopt;  // the processor cores the system runs on
    std::optional<std::uint32_t> maxMhz = std::nullopt; // the processor's top speed
};

// Windows setup's floor for the processor: at least two cores at 1 GHz.
inline constexpr std::uint32_t minimumCores = 2;
inline constexpr std::uint32_t minimumMhz = 1000;

// The machine's category and its steps, worst first. The processor is judged by what it is
// (judgeProcessor); one it cannot place is never "ready" or "firmware": it is checked on site. A
// machine to be replaced gets that one step, whatever else fails on it. A virtual machine is never
// hardware: what fails on it is set in its hypervisor (vm_settings), a Hyper-V VM of generation 1
// needs a new one of generation 2. Before any firmware step comes BitLocker's: suspend it where it
// is on, check it where nobody could ask.
MachineWork machineWork(const Assessment& assessment, const MachineFacts& facts = {});

namespace fleet {
struct Inventory;
}

// The facts machineWork() takes from an inventory; what it does not know stays unknown. The
// inventory must outlive the facts.
MachineFacts machineFacts(const fleet::Inventory& inventory);

// What a TBS result a TPM item names means, in words; empty for any other item.
std::string_view tbsErrorMeaning(const CheckItem& tpm);

} // namespace quill
