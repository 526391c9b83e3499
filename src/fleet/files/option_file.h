#pragma once

#include "core/expected.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace quill::fleet {

// --expect and --previous name files the admin gives, yet a typo can name a device or a huge
// file: more than this is none the tool wrote, nor a list of machines.
inline constexpr std::size_t maxOptionFileBytes = std::size_t{64} * 1024 * 1024;

// The whole text of a file given with an option, or a German message why it cannot be used: it
// cannot be read, is no regular file (a FIFO or /dev/zero would block or never end), is larger
// than maxOptionFileBytes, or its bytes do not fit in memory. A link given is followed.
Expected<std::string, std::string> readOptionFile(const std::filesystem::path& file);

} // namespace quill::fleet
