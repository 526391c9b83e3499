#pragma once

#include "core/check_item.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <string>

namespace quill {

// Processor facts read once per run with CPUID.
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

// The raw CPUID answers the decoding needs. brandLeaves matter only when
// extendedLeaf0.eax reaches 0x80000004.
struct CpuidAnswers {
    platform::CpuidRegisters leaf0;
    platform::CpuidRegisters leaf1;
    platform::CpuidRegisters extendedLeaf0;              // 0x80000000
    platform::CpuidRegisters extendedLeaf1;              // 0x80000001
    std::array<platform::CpuidRegisters, 3> brandLeaves; // 0x80000002..0x80000004
};

inline constexpr std::uint32_t lastBrandLeaf = 0x80000004;

// Pure decoding of register values; never fails.
std::string decodeVendor(const platform::CpuidRegisters& leaf0);
std::string decodeBrand(std::uint32_t highestExtendedLeaf, const std::array<platform::CpuidRegisters, 3>& brandLeaves);
ProcessorInfo decodeProcessorInfo(const CpuidAnswers& answers);

// Executes CPUID on this processor; reads the brand leaves only when they exist.
ProcessorInfo readProcessorInfo();

// Appends the 64-bit and instruction-set items; PrefetchW only for "AuthenticAMD".
// nativeArchitecture is a PROCESSOR_ARCHITECTURE_* code. On ARM64 "64-Bit CPU" names it and
// the instruction items say that they describe the x64 emulation.
void appendProcessorChecks(const ProcessorInfo& info, std::uint16_t nativeArchitecture, CheckList& checks);

} // namespace quill
