#include "report/report_path.h"

namespace quill {

platform::NativePath reportPathFromExecutable(const platform::ExecutablePathAnswer& answer)
{
    // Not const, so that the early returns move it out.
    platform::NativePath bareName(reportFileName.begin(), reportFileName.end());
    if (answer.length <= 0 || answer.cutShort) {
        return bareName;
    }
    const std::size_t separator = answer.path.find_last_of(platform::NativePath{'\\', '/'});
    if (separator == platform::NativePath::npos) {
        return bareName;
    }
    return answer.path.substr(0, separator + 1) + bareName;
}

platform::NativePath reportFilePath()
{
    return reportPathFromExecutable(platform::executablePath());
}

} // namespace quill
