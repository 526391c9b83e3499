#include "platform/platform.h"

#include <cpuid.h>
// glibc's header is C: g++ takes its _Bool, clang++ does not, and a clang build asks the processor.
#if defined(__GLIBC__) && !defined(__clang__)
#define QUILLBROOK_LIBRARY_CPUID 1
#include <sys/platform/x86.h>
#endif

namespace quill::platform {
namespace {

CpuidRegisters cpuid(std::uint32_t leaf)
{
    CpuidRegisters r;
    __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

// Leaves 1 and 0x80000001 as the C library read them at start-up, where it keeps them (glibc
// does, for its own choice of string functions); false where it does not. The library reads
// leaf 0x80000008 only where the highest extended leaf reaches it, and its EAX (the address
// sizes) is never 0 then. That bound is all the readers compare with, so leaf 0x80000000 is
// not read again either.
bool takeLibraryLeaves([[maybe_unused]] CpuidAnswers& answers)
{
#if defined(QUILLBROOK_LIBRARY_CPUID)
    const auto registers = [](unsigned int index) {
        const cpuid_feature* leaf = __x86_get_cpuid_feature_leaf(index);
        return leaf == nullptr ? CpuidRegisters{}
                               : CpuidRegisters{leaf->cpuid_array[cpuid_register_index_eax],
                                                leaf->cpuid_array[cpuid_register_index_ebx],
                                                leaf->cpuid_array[cpuid_register_index_ecx],
                                                leaf->cpuid_array[cpuid_register_index_edx]};
    };
    if (registers(CPUID_INDEX_80000008).eax == 0) {
        return false;
    }
    answers.leaf1 = registers(CPUID_INDEX_1);
    answers.extendedReach = 0x80000008;
    answers.extendedLeaf1 = registers(CPUID_INDEX_80000001);
    return true;
#else
    return false;
#endif
}

} // namespace

// The same instruction on every x86-64 system, so both builds share this file. In a virtual
// machine each CPUID is a trap to the hypervisor, some 4 to 7 µs here: what the C library
// has read already is taken from it.
CpuidAnswers readCpuid()
{
    CpuidAnswers answers;
    answers.leaf0 = cpuid(0);
    if (!takeLibraryLeaves(answers)) {
        answers.leaf1 = cpuid(1);
        answers.extendedLeaf0 = cpuid(0x80000000);
        answers.extendedReach = answers.extendedLeaf0->eax;
        answers.extendedLeaf1 = cpuid(0x80000001);
    }
    if (answers.extendedReach >= lastBrandLeaf) {
        for (std::uint32_t i = 0; i < answers.brandLeaves.size(); ++i) {
            answers.brandLeaves[i] = cpuid(0x80000002 + i);
        }
    }
    return answers;
}

} // namespace quill::platform
