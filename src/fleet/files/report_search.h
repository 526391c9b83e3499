#pragma once

#include "fleet/files/collection.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quill::fleet {

struct FoundReport {
    std::filesystem::path path; // as found from the PATH given, so it opens from the current directory
    std::string name;
    bool isGiven = false; // a PATH given as such, read even when it is a link
    // False where the directory's listing holds no NAME.inventory.json in any letter case, so
    // the thousands of reports without one are not each looked up again.
    bool inventoryListed = true;
};

// What the PATHs given lead to. usageError is set (in German) when a PATH does not exist
// or is neither a file nor a directory; then nothing else counts.
struct ReportSearch {
    std::vector<FoundReport> files;
    std::vector<UnreadableReport> unreadable; // directories or PATHs that could not be examined
    std::string usageError;
};

// Each PATH is a report file, or a directory searched with its subdirectories for regular
// files ending in ".txt" in any letter case: a directory's files first, then its
// subdirectories, each in name order. Links met in the walk (symbolic links, junctions, mount
// points) are never followed and are listed as skipped, as are entries ending in ".txt" that
// are no regular file; a directory is entered once however often it is met. A PATH given is
// taken even when it is a link.
ReportSearch findReports(const std::vector<std::filesystem::path>& paths);

// The machine a report stands for: the directory's name for "quillbrook-report.txt" (any
// letter case), else the file's name without its ".txt" ending.
std::string machineName(const std::filesystem::path& file);

// The path for people: UTF-8 on Windows, the path's own bytes elsewhere.
std::string displayPath(const std::filesystem::path& path);

// Reads every file found, at most maxReportBytes + 1 bytes each, so memory follows the
// number of machines and never a file's size, and the inventory beside each. A file found in
// the walk that has become a link or a FIFO since is not followed or waited for, but listed. A
// file reached through several PATHs counts once.
Collection readCollection(const ReportSearch& search);

} // namespace quill::fleet
