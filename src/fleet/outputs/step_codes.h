#pragma once

#include "core/enum_table.h"
#include "fleet/plan/work_table.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace quill::fleet {

// The printed list of machines has one line per machine, so its steps are short codes there,
// explained once on the page; a "+" is something to buy. In Action order.
struct StepCode {
    Action action;
    std::string_view code;
};
inline constexpr std::array<StepCode, actionTable.size()> stepCodes = {{
    {Action::suspendBitlocker, "BL"},
    {Action::checkBitlocker, "BL?"},
    {Action::convertToGpt, "GPT"},
    {Action::enableUefi, "UEFI"},
    {Action::enableSecureBoot, "SB"},
    {Action::enableTpm, "TPM"},
    {Action::tpmUpgrade, "TPM+"},
    {Action::vmSettings, "VM"},
    {Action::addVcpus, "vCPU"},
    {Action::newVmGeneration2, "GEN2"},
    {Action::addMemory, "RAM+"},
    {Action::largerDisk, "SSD+"},
    {Action::replacePc, "NEU"},
    {Action::checkProcessor, "CPU?"},
    {Action::check, "PRÜF"},
}};

static_assert(isInEnumOrder(stepCodes, &StepCode::action), "one code per Action, in its order");

constexpr std::string_view stepCode(Action action)
{
    return stepCodes[static_cast<std::size_t>(action)].code;
}

} // namespace quill::fleet
