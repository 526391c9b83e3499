#pragma once

#include "platform/platform.h"

#include <string_view>

namespace quill {

inline constexpr std::string_view reportFileName = "quillbrook-report.txt";

// The report path beside the executable: everything up to and including the last
// '\' or '/', then reportFileName. The bare file name (current directory) whenever
// the executable's path is missing, cut short or has no separator. Never empty.
platform::NativePath reportPathFromExecutable(const platform::ExecutablePathAnswer& answer);

// Asks the platform for the executable's path.
platform::NativePath reportFilePath();

} // namespace quill
