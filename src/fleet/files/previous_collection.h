#pragma once

#include "core/expected.h"
#include "fleet/files/collection.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// What the tool writes at most, and so reads: its members nest 5 levels deep, and a machine
// with the longest path Windows allows stays below 160 KiB, as does every string and number.
inline constexpr std::size_t maxPreviousDepth = 16;
inline constexpr std::size_t maxPreviousMachineBytes = std::size_t{256} * 1024;

// The machines of a JSON file this tool wrote, or in German why the text is no such file: each
// needs a name and a category or its checks. The file is taken one machine
// at a time, so a large fleet's file does not have to fit in memory as a whole; a text nested
// deeper, with a machine, a string or a number larger than the limits above, or whose top level is
// no object, is refused in one pass over its bytes before anything of it is built.
Expected<std::vector<EarlierMachine>, std::string> readPreviousCollection(std::string_view json);

} // namespace quill::fleet
