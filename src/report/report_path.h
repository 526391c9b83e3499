#pragma once

#include "platform/platform.h"

#include <string_view>
#include <vector>

namespace quill {

inline constexpr std::string_view reportFileName = "quillbrook-report.txt";

// The report path beside the executable: everything up to and including the last
// '\' or '/', then reportFileName. The bare file name (current directory) whenever
// the executable's path is missing, cut short or has no separator. Never empty.
platform::NativePath reportPathFromExecutable(const platform::ExecutablePathAnswer& answer);

// Where the report goes when the folder beside the executable takes no file: reportFileName in
// the current directory, then in the home directory. A folder that is unknown (empty) or was
// tried already is left out: the current one when beside is the bare name or lies in it, the
// home directory when it is one of those.
std::vector<platform::NativePath> fallbackReportPaths(const platform::NativePath& beside,
                                                      const platform::NativePath& currentDirectory,
                                                      const platform::NativePath& homeDirectory);

// Asks the platform for the executable's path.
platform::NativePath reportFilePath();

} // namespace quill
