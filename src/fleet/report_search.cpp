#include "fleet/report_search.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace quill::fleet {
namespace {

namespace fs = std::filesystem;

std::string lowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

bool hasTxtEnding(const fs::path& file)
{
    return lowerAscii(displayPath(file.extension())) == ".txt";
}

void addFile(ReportSearch& search, const fs::path& file)
{
    search.files.push_back(FoundReport{file, machineName(file)});
}

void addUnreadable(ReportSearch& search, const fs::path& path, ReportFaultKind kind)
{
    search.unreadable.push_back(UnreadableReport{displayPath(path), ReportFault{kind, 0}});
}

// The entries of one directory in name order; a directory that cannot be listed is recorded,
// since what it holds may be reports and must not vanish from the count.
std::vector<fs::directory_entry> listDirectory(ReportSearch& search, const fs::path& directory)
{
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(*it);
    }
    if (error) {
        addUnreadable(search, directory, ReportFaultKind::unreadableDirectory);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Depth first with a list of its own instead of recursion, so a deep tree needs no deep stack:
// a directory's files, then its subdirectories in name order.
void walk(ReportSearch& search, const fs::path& top)
{
    std::vector<fs::path> pending = {top};
    while (!pending.empty()) {
        const fs::path directory = std::move(pending.back());
        pending.pop_back();
        std::vector<fs::path> subdirectories;
        for (const fs::directory_entry& entry : listDirectory(search, directory)) {
            std::error_code error;
            const fs::file_status status = entry.symlink_status(error);
            if (error) {
                addUnreadable(search, entry.path(), ReportFaultKind::unreadableFile);
            } else if (fs::is_directory(status)) {
                subdirectories.push_back(entry.path());
            } else if (fs::is_regular_file(status) && hasTxtEnding(entry.path())) {
                addFile(search, entry.path());
            }
        }
        pending.insert(pending.end(), subdirectories.rbegin(), subdirectories.rend());
    }
}

// One byte more than a report may have tells a file that is too large. The buffer is the
// caller's, so ten thousand files do not mean ten thousand buffers to clear.
ReportReading readReportFile(const fs::path& path, std::string& buffer)
{
    buffer.resize(maxReportBytes + 1);
    std::ifstream in(path, std::ios::binary);
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (!in.is_open() || in.bad()) {
        return ReportReading{std::nullopt, ReportFault{ReportFaultKind::unreadableFile, 0}};
    }
    return readReport(std::string_view(buffer).substr(0, static_cast<std::size_t>(in.gcount())));
}

} // namespace

ReportSearch findReports(const std::vector<fs::path>& paths)
{
    ReportSearch search;
    for (const fs::path& path : paths) {
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (status.type() == fs::file_type::not_found) {
            search.usageError = "PFAD nicht gefunden: " + displayPath(path);
        } else if (error) {
            addUnreadable(search, path, ReportFaultKind::unreadableFile);
        } else if (fs::is_directory(status)) {
            walk(search, path);
        } else if (fs::is_regular_file(status)) {
            addFile(search, path);
        } else {
            search.usageError = "weder Datei noch Verzeichnis: " + displayPath(path);
        }
        if (!search.usageError.empty()) {
            return search;
        }
    }
    return search;
}

std::string machineName(const fs::path& file)
{
    const std::string fileName = displayPath(file.filename());
    if (lowerAscii(fileName) == "quillbrook-report.txt") {
        std::error_code error;
        std::string directory = displayPath(fs::absolute(file, error).lexically_normal().parent_path().filename());
        if (!error && !directory.empty()) {
            return directory;
        }
    }
    return hasTxtEnding(file) ? fileName.substr(0, fileName.size() - 4) : fileName;
}

std::string displayPath(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

FleetReports readReports(const ReportSearch& search)
{
    FleetReports reports;
    reports.unreadable = search.unreadable;
    std::string buffer;
    for (const FoundReport& file : search.files) {
        ReportReading reading = readReportFile(file.path, buffer);
        if (reading.assessment) {
            reports.machines.push_back(
                MachineReport{file.name, displayPath(file.path), std::move(*reading.assessment)});
        } else {
            reports.unreadable.push_back(UnreadableReport{displayPath(file.path), reading.fault});
        }
    }
    return reports;
}

} // namespace quill::fleet
