#pragma once

#include "core/check_item.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <string>

namespace quill {

// Processor facts from the run's CPUID answers.
struct ProcessorInfo {
    std::string vendor; // leaf 0: EBX, EDX, ECX bytes up to the first zero byte
    std::string brand;  // leaves 0x80000002-4, trimmed of spaces, or "Unbekannte CPU"
    bool hasSse42 = false;
    bool hasPopcnt = false;
    bool hasCmpxchg16b = false;
    bool hasLahfSahf = false;
    bool hasPrefetchW = false;
    bool hasNx = false;
};

using platform::CpuidAnswers;
using platform::lastBrandLeaf;

// Pure decoding of register values; never fails.
std::string decodeVendor(const platform::CpuidRegisters& leaf0);
std::string decodeBrand(std::uint32_t highestExtendedLeaf, const std::array<platform::CpuidRegisters, 3>& brandLeaves);
ProcessorInfo decodeProcessorInfo(const CpuidAnswers& answers);

// Appends the 64-bit and instruction-set items; PrefetchW only for "AuthenticAMD".
// nativeArchitecture is a PROCESSOR_ARCHITECTURE_* code. On ARM64 "64-Bit CPU" names it and
// the instruction items say that they describe the x64 emulation.
void appendProcessorChecks(const ProcessorInfo& info, std::uint16_t nativeArchitecture, CheckList& checks);

} // namespace quill
