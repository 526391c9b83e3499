#include "platform/platform.h"

#include <cpuid.h>
// glibc's header is C: g++ takes its _Bool, clang++ does not, and a clang build asks the processor.
#if defined(__GLIBC__) && !defined(__clang__)
#define QUILLBROOK_LIBRARY_CPUID 1
#include <sys/platform/x86.h>
#endif

#include <optional>

namespace quill::platform {
namespace {

CpuidRegisters cpuid(std::uint32_t leaf)
{
    CpuidRegisters r;
    __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

// Leaves 1, 0x80000001 and 0x80000008 as the C library read them at start-up, where it keeps
// them (glibc does, for its own choice of string functions); nullopt elsewhere.
struct LibraryLeaves {
    CpuidRegisters leaf1;
    CpuidRegisters extendedLeaf1;
    CpuidRegisters extendedLeaf8;
};

std::optional<LibraryLeaves> libraryLeaves()
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
    return LibraryLeaves{registers(CPUID_INDEX_1), registers(CPUID_INDEX_80000001), registers(CPUID_INDEX_80000008)};
#else
    return std::nullopt;
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
    const std::optional<LibraryLeaves> known = libraryLeaves();
    // The library reads leaf 0x80000008 only where the highest extended leaf reaches it, and
    // its EAX (the address sizes) is never 0 then. That bound is all the readers of
    // extendedLeaf0.eax compare with, so the leaf itself is not read again.
    if (known && known->extendedLeaf8.eax != 0) {
        answers.leaf1 = known->leaf1;
        answers.extendedLeaf0.eax = 0x80000008;
        answers.extendedLeaf1 = known->extendedLeaf1;
    } else {
        answers.leaf1 = cpuid(1);
        answers.extendedLeaf0 = cpuid(0x80000000);
        answers.extendedLeaf1 = cpuid(0x80000001);
    }
    if (answers.extendedLeaf0.eax >= lastBrandLeaf) {
        for (std::uint32_t i = 0; i < answers.brandLeaves.size(); ++i) {
            answers.brandLeaves[i] = cpuid(0x80000002 + i);
        }
    }
    return answers;
}

} // namespace quill::platform
