#include "probes/processor.h"

#include "core/finding_table.h"

#include <string_view>

namespace quill {
namespace {

// Appends a register's four bytes, lowest first, as CPUID text is laid out.
void appendRegisterBytes(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFFu);
    }
}

// Text stops at the first zero byte, as a C string would.
std::string upToFirstZero(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

bool bit(std::uint32_t value, int index)
{
    return ((value >> index) & 1u) != 0;
}

// On ARM64 CPUID is answered by the x64 emulator, not by the processor Windows runs on.
CheckItem presenceItem(Check check, bool passed, bool emulated)
{
    if (emulated) {
        return checkItem(check, passed, passed ? Finding::presentEmulated : Finding::missingEmulated);
    }
    return checkItem(check, passed, passed ? Finding::present : Finding::missing);
}

} // namespace

std::string decodeVendor(const platform::CpuidRegisters& leaf0)
{
    std::string bytes;
    appendRegisterBytes(bytes, leaf0.ebx);
    appendRegisterBytes(bytes, leaf0.edx);
    appendRegisterBytes(bytes, leaf0.ecx);
    return upToFirstZero(bytes);
}

std::string decodeBrand(std::uint32_t highestExtendedLeaf, const std::array<platform::CpuidRegisters, 3>& brandLeaves)
{
    if (highestExtendedLeaf < lastBrandLeaf) {
        return "Unbekannte CPU";
    }
    std::string bytes;
    for (const platform::CpuidRegisters& leaf : brandLeaves) {
        appendRegisterBytes(bytes, leaf.eax);
        appendRegisterBytes(bytes, leaf.ebx);
        appendRegisterBytes(bytes, leaf.ecx);
        appendRegisterBytes(bytes, leaf.edx);
    }
    const std::string raw = upToFirstZero(bytes);
    // Only the space character is trimmed; tabs and inner runs of spaces stay.
    const std::size_t first = raw.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = raw.find_last_not_of(' ');
    return raw.substr(first, last - first + 1);
}

ProcessorInfo decodeProcessorInfo(const CpuidAnswers& answers)
{
    ProcessorInfo info;
    info.hasSse42 = bit(answers.leaf1.ecx, 20);
    info.hasPopcnt = bit(answers.leaf1.ecx, 23);
    info.hasCmpxchg16b = bit(answers.leaf1.ecx, 13);
    info.hasLahfSahf = bit(answers.extendedLeaf1.ecx, 0);
    info.hasPrefetchW = bit(answers.extendedLeaf1.ecx, 8);
    info.hasNx = bit(answers.extendedLeaf1.edx, 20);
    info.brand = decodeBrand(answers.extendedReach, answers.brandLeaves);
    info.vendor = decodeVendor(answers.leaf0);
    return info;
}

void appendProcessorChecks(const ProcessorInfo& info, std::uint16_t nativeArchitecture, CheckList& checks)
{
    const bool isArm64 = nativeArchitecture == platform::architectureArm64;
    checks.push_back(isArm64 ? checkItem(Check::cpu64, true, Finding::presentArm64)
                             : presenceItem(Check::cpu64, nativeArchitecture == platform::architectureAmd64, false));
    // This program is itself x86-64 code, so a 64-bit operating system is running it.
    checks.push_back(presenceItem(Check::os64, true, false));
    checks.push_back(presenceItem(Check::sse42, info.hasSse42, isArm64));
    checks.push_back(presenceItem(Check::popcnt, info.hasPopcnt, isArm64));
    checks.push_back(presenceItem(Check::nx, info.hasNx, isArm64));
    checks.push_back(presenceItem(Check::cmpxchg16b, info.hasCmpxchg16b, isArm64));
    checks.push_back(presenceItem(Check::lahfSahf, info.hasLahfSahf, isArm64));
    if (isListedFor(definitionOf(Check::prefetchW), info.vendor)) {
        checks.push_back(presenceItem(Check::prefetchW, info.hasPrefetchW, isArm64));
    }
}

} // namespace quill
