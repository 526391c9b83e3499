#include "platform/platform.h"

#include <cpuid.h>

namespace quill::platform {

// The same instruction on every x86-64 system, so both builds share this file.
CpuidRegisters cpuid(std::uint32_t leaf)
{
    CpuidRegisters r;
    __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

} // namespace quill::platform
