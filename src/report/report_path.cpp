#include "report/report_path.h"

#include <algorithm>

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

namespace {

platform::NativePath inFolder(const platform::NativePath& folder)
{
    platform::NativePath path = folder;
    if (path.find_last_of(platform::NativePath{'\\', '/'}) != path.size() - 1) {
#ifdef _WIN32
        path += '\\';
#else
        path += '/';
#endif
    }
    return path.append(reportFileName.begin(), reportFileName.end());
}

} // namespace

std::vector<platform::NativePath> fallbackReportPaths(const platform::NativePath& beside,
                                                      const platform::NativePath& currentDirectory,
                                                      const platform::NativePath& homeDirectory)
{
    std::vector<platform::NativePath> tried{beside};
    if (beside.find_first_of(platform::NativePath{'\\', '/'}) == platform::NativePath::npos) {
        tried.push_back(inFolder(currentDirectory)); // the bare name was the current directory's
    }
    std::vector<platform::NativePath> paths;
    for (const platform::NativePath& folder : {currentDirectory, homeDirectory}) {
        const platform::NativePath path = inFolder(folder);
        if (!folder.empty() && std::find(tried.begin(), tried.end(), path) == tried.end()) {
            paths.push_back(path);
            tried.push_back(path);
        }
    }
    return paths;
}

platform::NativePath reportFilePath()
{
    return reportPathFromExecutable(platform::executablePath());
}

} // namespace quill
