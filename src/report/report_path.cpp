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

// A folder's path as compared with another: either separator, no trailing one.
platform::NativePath folderKey(platform::NativePath folder)
{
    std::replace(folder.begin(), folder.end(), platform::PathChar{'\\'}, platform::PathChar{'/'});
    folder.erase(folder.find_last_not_of(platform::PathChar{'/'}) + 1);
    return folder;
}

} // namespace

std::vector<platform::NativePath> fallbackReportPaths(const platform::NativePath& beside,
                                                      const platform::NativePath& currentDirectory,
                                                      const platform::NativePath& homeDirectory)
{
    const std::size_t separator = beside.find_last_of(platform::NativePath{'\\', '/'});
    std::vector<platform::NativePath> tried{
        folderKey(separator == platform::NativePath::npos ? currentDirectory : beside.substr(0, separator))};
    std::vector<platform::NativePath> paths;
    for (const platform::NativePath& folder : {currentDirectory, homeDirectory}) {
        if (!folder.empty() && std::find(tried.begin(), tried.end(), folderKey(folder)) == tried.end()) {
            paths.push_back(inFolder(folder));
            tried.push_back(folderKey(folder));
        }
    }
    return paths;
}

platform::NativePath reportFilePath()
{
    return reportPathFromExecutable(platform::executablePath());
}

} // namespace quill
