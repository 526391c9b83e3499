#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quill {

// Whether the processor is on the OS vendor's list of supported processors.
enum class ProcessorListing : std::uint8_t { yes, no, unknown };

// What the fleet knows of a processor: the report gives its vendor and brand text; an inventory
// adds CPUID's display family, model and stepping.
struct ProcessorIdentity {
    std::string_view vendor; // "GenuineIntel", "AuthenticAMD"
    std::string_view brand;
    std::optional<std::uint32_t> family = std::nullopt;
    std::optional<std::uint32_t> model = std::nullopt;
    std::optional<std::uint32_t> stepping = std::nullopt;
};

struct ProcessorJudgement {
    ProcessorListing listing = ProcessorListing::unknown;
    // The platform is older than firmware TPMs (PTT, fTPM): "no TPM found" means none to switch on.
    bool beforeFirmwareTpm = false;
};

// Judged by what the processor is where CPUID's signature tells it (family, model and, where two
// generations share a model, the stepping), else by its brand's naming rules; what neither tells
// is unknown.
ProcessorJudgement judgeProcessor(const ProcessorIdentity& processor);

// Whether the brand is one a hypervisor makes up ("QEMU Virtual CPU version 2.5+",
// "Common KVM processor").
bool virtualProcessorBrand(std::string_view brand);

} // namespace quill
