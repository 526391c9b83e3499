#include "probes/processor.h"
#include "test_helpers.h"

#include <cpuid.h>
#include <string_view>

namespace quill {
namespace {

using platform::CpuidRegisters;

// Four text bytes as CPUID returns them in one register: the first byte lowest.
std::uint32_t reg(std::string_view four)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < four.size(); ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(four[i])) << (8 * i);
    }
    return value;
}

CpuidRegisters vendorLeaf(std::string_view twelve)
{
    return CpuidRegisters{0x16, reg(twelve.substr(0, 4)), reg(twelve.substr(8, 4)), reg(twelve.substr(4, 4))};
}

// Spreads up to 48 bytes over the three brand leaves, zero-filled behind the text.
std::array<CpuidRegisters, 3> brandLeaves(std::string_view text)
{
    std::string bytes(text);
    bytes.resize(48, '\0');
    std::array<CpuidRegisters, 3> leaves{};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string_view leaf = std::string_view(bytes).substr(16 * i, 16);
        leaves[i] = CpuidRegisters{reg(leaf.substr(0, 4)), reg(leaf.substr(4, 4)), reg(leaf.substr(8, 4)),
                                   reg(leaf.substr(12, 4))};
    }
    return leaves;
}

TEST(DecodeBrand, ReadsTrimsAndFallsBack)
{
    struct Case {
        const char* situation;
        std::uint32_t highestExtendedLeaf;
        std::string raw;
        std::string expected;
    };
    const std::string fortyEight = "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz ABCDEFGH";
    const Case cases[] = {
        {"brand leaves missing", 0x80000003, "Intel(R) Core(TM)", "Unbekannte CPU"},
        {"brand leaves present", 0x80000004, "Intel(R) Core(TM)", "Intel(R) Core(TM)"},
        {"higher extended leaves too", 0x80000008, "AMD Ryzen 7 5800X", "AMD Ryzen 7 5800X"},
        {"all zero bytes", 0x80000004, "", ""},
        {"only spaces", 0x80000004, std::string(48, ' '), ""},
        {"leading and trailing spaces", 0x80000004, "      Intel(R) Xeon(R)   ", "Intel(R) Xeon(R)"},
        {"inner spaces and tabs stay", 0x80000004, " \tAMD  Ryzen\t5 \t", "\tAMD  Ryzen\t5 \t"},
        {"48 bytes without a zero", 0x80000004, fortyEight, fortyEight},
        {"text stops at the first zero", 0x80000004, std::string("Intel\0garbage", 13), "Intel"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeBrand(c.highestExtendedLeaf, brandLeaves(c.raw)), c.expected) << c.situation;
    }
}

TEST(DecodeVendor, TwelveBytesFromEbxEdxEcx)
{
    EXPECT_EQ(decodeVendor(vendorLeaf("GenuineIntel")), "GenuineIntel");
    EXPECT_EQ(decodeVendor(vendorLeaf("AuthenticAMD")), "AuthenticAMD");
    EXPECT_EQ(decodeVendor(CpuidRegisters{}), "");
    EXPECT_EQ(decodeVendor(vendorLeaf(std::string_view("Genu\0neIntel", 12))), "Genu");
}

TEST(DecodeProcessorInfo, EachFlagIsItsOwnBit)
{
    struct Case {
        const char* flag;
        CpuidRegisters leaf1;
        CpuidRegisters extended1;
        bool ProcessorInfo::*member;
    };
    const Case cases[] = {
        {"SSE4.2", {0, 0, 1u << 20, 0}, {}, &ProcessorInfo::hasSse42},
        {"POPCNT", {0, 0, 1u << 23, 0}, {}, &ProcessorInfo::hasPopcnt},
        {"CMPXCHG16B", {0, 0, 1u << 13, 0}, {}, &ProcessorInfo::hasCmpxchg16b},
        {"LAHF/SAHF", {}, {0, 0, 1u << 0, 0}, &ProcessorInfo::hasLahfSahf},
        {"PrefetchW", {}, {0, 0, 1u << 8, 0}, &ProcessorInfo::hasPrefetchW},
        {"NX", {}, {0, 0, 0, 1u << 20}, &ProcessorInfo::hasNx},
    };
    bool ProcessorInfo::*const allFlags[] = {&ProcessorInfo::hasSse42,      &ProcessorInfo::hasPopcnt,
                                             &ProcessorInfo::hasCmpxchg16b, &ProcessorInfo::hasLahfSahf,
                                             &ProcessorInfo::hasPrefetchW,  &ProcessorInfo::hasNx};
    for (const Case& c : cases) {
        CpuidAnswers answers;
        answers.leaf1 = c.leaf1;
        answers.extendedLeaf1 = c.extended1;
        const ProcessorInfo info = decodeProcessorInfo(answers);
        for (bool ProcessorInfo::*flag : allFlags) {
            EXPECT_EQ(info.*flag, flag == c.member) << c.flag;
        }
    }
}

std::vector<std::string> names(const CheckList& checks)
{
    std::vector<std::string> result;
    for (const CheckItem& item : checks) {
        result.push_back(item.name);
    }
    return result;
}

TEST(AppendProcessorChecks, PrefetchWOnlyForAuthenticAmd)
{
    const std::vector<std::string> seven = {
        "64-Bit CPU", "64-Bit Betriebssystem", "SSE4.2", "POPCNT", "NX / XD Bit", "CMPXCHG16b", "LAHF/SAHF"};
    std::vector<std::string> eight = seven;
    eight.emplace_back("PrefetchW (AMD)");
    struct Case {
        const char* vendor;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"GenuineIntel", seven},
        {"AuthenticAMD", eight},
        {"authenticAMD", seven},
        {"AuthenticAMD ", seven},
        {"", seven},
    };
    for (const Case& c : cases) {
        ProcessorInfo info;
        info.vendor = c.vendor;
        CheckList checks{testing::passedItem("already there")};
        appendProcessorChecks(info, 9, checks);
        std::vector<std::string> expected = c.expected;
        expected.insert(expected.begin(), "already there");
        EXPECT_EQ(names(checks), expected) << c.vendor;
    }
}

TEST(AppendProcessorChecks, AmdWithoutPrefetchWFails)
{
    ProcessorInfo info;
    info.vendor = "AuthenticAMD";
    info.hasSse42 = info.hasPopcnt = info.hasCmpxchg16b = info.hasLahfSahf = info.hasNx = true;
    CheckList checks;
    appendProcessorChecks(info, 9, checks);
    ASSERT_EQ(checks.size(), 8u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_TRUE(checks[i].passed) << checks[i].name;
        EXPECT_EQ(checks[i].detail, "vorhanden") << checks[i].name;
    }
    EXPECT_FALSE(checks[7].passed);
    EXPECT_EQ(checks[7].detail, "fehlt");
}

TEST(AppendProcessorChecks, OnlyAmd64AndArm64Count64Bit)
{
    struct Case {
        std::uint16_t architecture;
        bool is64Bit;
        const char* cpuDetail;
        const char* instructionDetail; // of every instruction item, none present
    };
    const Case cases[] = {{9, true, "vorhanden", "fehlt"}, {12, true, "vorhanden (ARM64)", "fehlt (x64-Emulation)"},
                          {0, false, "fehlt", "fehlt"},    {6, false, "fehlt", "fehlt"},
                          {5, false, "fehlt", "fehlt"},    {0xFFFF, false, "fehlt", "fehlt"}};
    for (const Case& c : cases) {
        CheckList checks;
        appendProcessorChecks(ProcessorInfo{}, c.architecture, checks);
        EXPECT_EQ(checks[0].passed, c.is64Bit) << c.architecture;
        EXPECT_EQ(checks[0].detail, c.cpuDetail) << c.architecture;
        EXPECT_EQ(checks[1].detail, "vorhanden") << "the operating system is 64-bit whatever the processor says";
        for (std::size_t i = 2; i < checks.size(); ++i) {
            EXPECT_EQ(checks[i].detail, c.instructionDetail) << checks[i].name;
        }
    }
}

// Leaves taken from what the C library read at start-up must be what the processor answers now.
TEST(ReadCpuid, AgreesWithTheProcessor)
{
    const platform::CpuidAnswers answers = platform::readCpuid();
    const auto asked = [](std::uint32_t leaf) {
        CpuidRegisters r;
        __cpuid_count(leaf, 0, r.eax, r.ebx, r.ecx, r.edx);
        return r;
    };
    const std::pair<CpuidRegisters, std::uint32_t> leaves[] = {
        {answers.leaf1, 1}, {answers.extendedLeaf1, 0x80000001}, {answers.brandLeaves[2], 0x80000004}};
    for (const auto& [read, leaf] : leaves) {
        const CpuidRegisters now = asked(leaf);
        // EBX of leaf 1 names the core that ran it: the test may run on another.
        EXPECT_EQ(read.ecx, now.ecx) << std::hex << leaf;
        EXPECT_EQ(read.edx, now.edx) << std::hex << leaf;
    }
    EXPECT_LE(answers.extendedReach, asked(0x80000000).eax);
    if (answers.extendedLeaf0) {
        EXPECT_EQ(answers.extendedLeaf0->eax, asked(0x80000000).eax);
    }
}

} // namespace
} // namespace quill
