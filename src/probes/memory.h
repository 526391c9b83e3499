#pragma once

#include "core/check_item.h"

#include <cstdint>
#include <optional>

namespace quill {

inline constexpr std::uint64_t memoryThreshold = std::uint64_t{1} << 32; // 4 GiB, inclusive

// The "RAM >= 4 GiB" item for a memory query that failed (nullopt) or reported totalBytes.
CheckItem memoryCheck(std::optional<std::uint64_t> totalBytes);

// Asks the platform for the installed memory.
CheckItem probeMemory();

} // namespace quill
