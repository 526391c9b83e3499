#include "platform/platform.h"

#include <cpuid.h>

namespace quill::platform {
namespace {

CpuidRegisters cpuid(std::uint32_t leaf)
{
    CpuidRegisters r;
    __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

} // namespace

// The same instruction on every x86-64 system, so both builds share this file.
CpuidAnswers readCpuid()
{
    CpuidAnswers answers;
    answers.leaf0 = cpuid(0);
    answers.leaf1 = cpuid(1);
    answers.extendedLeaf0 = cpuid(0x80000000);
    answers.extendedLeaf1 = cpuid(0x80000001);
    if (answers.extendedLeaf0.eax >= lastBrandLeaf) {
        for (std::uint32_t i = 0; i < answers.brandLeaves.size(); ++i) {
            answers.brandLeaves[i] = cpuid(0x80000002 + i);
        }
    }
    return answers;
}

} // namespace quill::platform
