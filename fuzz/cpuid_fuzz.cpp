// Decodes arbitrary CPUID register values the way a run decodes the real ones.
// Input: leaf 0, leaf 1, 0x80000000, 0x80000001 and the three brand leaves, 16 bytes each
// (EAX, EBX, ECX, EDX little-endian), then two bytes of native architecture code.

#include "fuzz_input.h"
#include "probes/processor.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

namespace {

using quill::CheckItem;
using quill::CheckList;
using quill::ProcessorInfo;
using quill::platform::CpuidRegisters;

// The reference layout below copies registers as they sit in memory.
static_assert(std::endian::native == std::endian::little);

CpuidRegisters readRegisters(quill::fuzz::ByteReader& in)
{
    CpuidRegisters r;
    r.eax = in.u32();
    r.ebx = in.u32();
    r.ecx = in.u32();
    r.edx = in.u32();
    return r;
}

// The text bytes as the processor lays them out, built by copying memory rather than by
// the shifts the decoder uses, so a byte-order slip on either side shows.
std::string memoryBytes(std::initializer_list<std::uint32_t> registers)
{
    std::string bytes;
    for (const std::uint32_t value : registers) {
        char raw[sizeof value];
        std::memcpy(raw, &value, sizeof value);
        bytes.append(raw, sizeof value);
    }
    return bytes;
}

bool onlySpaces(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

void checkVendor(const CpuidRegisters& leaf0, const std::string& vendor)
{
    const std::string bytes = memoryBytes({leaf0.ebx, leaf0.edx, leaf0.ecx});
    FUZZ_CHECK(vendor.size() <= 12);
    FUZZ_CHECK(vendor.find('\0') == std::string::npos);
    FUZZ_CHECK(bytes.compare(0, vendor.size(), vendor) == 0);
    // Nothing is dropped before the first zero byte.
    FUZZ_CHECK(vendor.size() == 12 || bytes[vendor.size()] == '\0');
}

void checkBrand(std::uint32_t highestExtendedLeaf, const std::array<CpuidRegisters, 3>& leaves,
                const std::string& brand)
{
    if (highestExtendedLeaf < quill::lastBrandLeaf) {
        FUZZ_CHECK(brand == "Unbekannte CPU");
        return;
    }
    std::string text;
    for (const CpuidRegisters& leaf : leaves) {
        text += memoryBytes({leaf.eax, leaf.ebx, leaf.ecx, leaf.edx});
    }
    text.resize(std::min(text.find('\0'), text.size()));

    FUZZ_CHECK(brand.size() <= 48);
    FUZZ_CHECK(brand.find('\0') == std::string::npos);
    if (brand.empty()) {
        FUZZ_CHECK(onlySpaces(text));
        return;
    }
    FUZZ_CHECK(brand.front() != ' ' && brand.back() != ' ');
    // The brand is the text with its outer spaces removed, and nothing else.
    const std::size_t lead = text.find(brand);
    FUZZ_CHECK(lead != std::string::npos);
    FUZZ_CHECK(onlySpaces(text.substr(0, lead)));
    FUZZ_CHECK(onlySpaces(text.substr(lead + brand.size())));
}

bool bit(std::uint32_t value, int index)
{
    return ((value >> index) & 1u) != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quill::fuzz::ByteReader in(data, size);
    quill::CpuidAnswers answers;
    answers.leaf0 = readRegisters(in);
    answers.leaf1 = readRegisters(in);
    answers.extendedLeaf0 = readRegisters(in);
    answers.extendedReach = answers.extendedLeaf0->eax;
    answers.extendedLeaf1 = readRegisters(in);
    for (CpuidRegisters& leaf : answers.brandLeaves) {
        leaf = readRegisters(in);
    }
    const std::uint8_t architectureLow = in.byte();
    const auto architecture = static_cast<std::uint16_t>(architectureLow | (in.byte() << 8));

    const std::string vendor = quill::decodeVendor(answers.leaf0);
    checkVendor(answers.leaf0, vendor);
    const std::string brand = quill::decodeBrand(answers.extendedReach, answers.brandLeaves);
    checkBrand(answers.extendedReach, answers.brandLeaves, brand);

    const ProcessorInfo info = quill::decodeProcessorInfo(answers);
    FUZZ_CHECK(info.vendor == vendor);
    FUZZ_CHECK(info.brand == brand);
    // Feature bits as the processor manuals place them.
    FUZZ_CHECK(info.hasSse42 == bit(answers.leaf1.ecx, 20));
    FUZZ_CHECK(info.hasPopcnt == bit(answers.leaf1.ecx, 23));
    FUZZ_CHECK(info.hasCmpxchg16b == bit(answers.leaf1.ecx, 13));
    FUZZ_CHECK(info.hasLahfSahf == bit(answers.extendedLeaf1.ecx, 0));
    FUZZ_CHECK(info.hasPrefetchW == bit(answers.extendedLeaf1.ecx, 8));
    FUZZ_CHECK(info.hasNx == bit(answers.extendedLeaf1.edx, 20));

    CheckList checks;
    quill::appendProcessorChecks(info, architecture, checks);
    const bool amd = vendor == "AuthenticAMD";
    FUZZ_CHECK(checks.size() == (amd ? 8u : 7u));
    // Every item is a presence finding, and exactly the features found pass: the running
    // operating system, the 64-bit architectures and each feature flag that is set.
    const bool is64Bit = architecture == 9 || architecture == 12;
    const std::array<bool, 8> present = {true,
                                         is64Bit,
                                         info.hasSse42,
                                         info.hasPopcnt,
                                         info.hasNx,
                                         info.hasCmpxchg16b,
                                         info.hasLahfSahf,
                                         amd && info.hasPrefetchW};
    // On ARM64 the architecture line names it, and the processor's lines say they describe
    // the x64 emulation; the operating system's line is the same everywhere.
    const bool arm64 = architecture == 12;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const std::string_view suffix = !arm64 || i == 1 ? "" : i == 0 ? " (ARM64)" : " (x64-Emulation)";
        FUZZ_CHECK(checks[i].detail == std::string(checks[i].passed ? "vorhanden" : "fehlt") + std::string(suffix));
    }
    FUZZ_CHECK(std::count_if(checks.begin(), checks.end(), [](const CheckItem& item) { return item.passed; }) ==
               std::count(present.begin(), present.end(), true));
    return 0;
}
