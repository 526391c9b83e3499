#include "fleet/files/report_search.h"

#include "core/utf8_text.h"
#include "fleet/files/inventory.h"
#include "platform/platform.h"

#include <algorithm>
#include <functional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

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

void addFile(ReportSearch& search, const fs::path& file, bool given, bool inventoryListed = true)
{
    search.files.push_back(FoundReport{file, machineName(file), given, inventoryListed});
}

// The names in a listing that end like an inventory, in lower case.
using InventoryNames = std::unordered_set<std::string>;

InventoryNames inventoryNames(const std::vector<platform::DirectoryEntry>& entries)
{
    InventoryNames names;
    for (const platform::DirectoryEntry& entry : entries) {
        std::string name = lowerAscii(displayPath(entry.name));
        if (name.ends_with(".inventory.json")) {
            names.insert(std::move(name));
        }
    }
    return names;
}

void addUnreadable(ReportSearch& search, const fs::path& path, ReportFaultKind kind)
{
    search.unreadable.push_back(UnreadableReport{displayPath(path), ReportFault{kind, 0}});
}

struct FileIdentityHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& id) const
    {
        return std::hash<std::uint64_t>()(id.first * 0x9E3779B97F4A7C15u ^ id.second);
    }
};
using Identities = std::unordered_set<std::pair<std::uint64_t, std::uint64_t>, FileIdentityHash>;

// Files the walk takes or lists. Anything not regular named like a report is listed, and so is
// every link, since either may stand where a report was expected; other files are no concern.
void takeEntry(ReportSearch& search, const fs::path& path, platform::EntryKind kind, const InventoryNames& inventories,
               std::vector<fs::path>& subdirectories)
{
    switch (kind) {
    case platform::EntryKind::directory:
        subdirectories.push_back(path);
        break;
    case platform::EntryKind::link:
        addUnreadable(search, path, ReportFaultKind::linkSkipped);
        break;
    case platform::EntryKind::regular:
        if (hasTxtEnding(path)) {
            addFile(search, path, false, inventories.contains(lowerAscii(displayPath(inventoryPath(path).filename()))));
        }
        break;
    case platform::EntryKind::other:
        if (hasTxtEnding(path)) {
            addUnreadable(search, path, ReportFaultKind::notRegularFile);
        }
        break;
    }
}

// Depth first with a list of its own instead of recursion, so a deep tree needs no deep stack:
// a directory's files, then its subdirectories in name order. What is a link is decided from
// the listing and never entered; a directory met again (a bind mount, or a link the file system
// does not show as one) is not entered twice, so no loop keeps the walk going.
void walk(ReportSearch& search, const fs::path& top, Identities& visited)
{
    std::vector<fs::path> pending = {top};
    while (!pending.empty()) {
        const fs::path directory = std::move(pending.back());
        pending.pop_back();
        platform::DirectoryListing listing = platform::listDirectory(directory.native(), directory == top);
        if (listing.refused == platform::Refusal::link) {
            addUnreadable(search, directory, ReportFaultKind::linkSkipped); // made a link since it was listed
            continue;
        }
        if (!listing.listed) {
            // What it holds may be reports and must not vanish from the count.
            addUnreadable(search, directory, ReportFaultKind::unreadableDirectory);
            continue;
        }
        if ((listing.volume != 0 || listing.index != 0) && !visited.emplace(listing.volume, listing.index).second) {
            continue;
        }
        std::sort(listing.entries.begin(), listing.entries.end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        const InventoryNames inventories = inventoryNames(listing.entries);
        std::vector<fs::path> subdirectories;
        for (const platform::DirectoryEntry& entry : listing.entries) {
            takeEntry(search, directory / entry.name, entry.kind, inventories, subdirectories);
        }
        pending.insert(pending.end(), subdirectories.rbegin(), subdirectories.rend());
    }
}

// The folder whose route named the report: for NAME/quillbrook-report.txt the one above NAME.
std::string routeFolder(const fs::path& file)
{
    const bool named = lowerAscii(displayPath(file.filename())) == "quillbrook-report.txt";
    return displayPath(named ? file.parent_path().parent_path() : file.parent_path());
}

// The inventory beside the report, whatever computer it names: the plan decides whom it speaks for.
void addInventory(Collection& collection, CollectedReport& report, const fs::path& file, std::string& buffer)
{
    InventoryReading inventory = readInventory(file, buffer);
    if (inventory.present && !inventory.inventory) {
        collection.unreadableInventory.push_back(displayPath(inventoryPath(file)));
    }
    if (inventory.inventory) {
        report.inventory = std::make_shared<const Inventory>(std::move(*inventory.inventory));
    }
}

// Whether the file is met for the first time: by its identity, or where the file system tells
// none (a share may not), by its path with links and "." and ".." resolved.
bool isFirstRead(const platform::FileStart& start, const fs::path& path, Identities& filesRead,
                 std::unordered_set<fs::path::string_type>& pathsRead)
{
    if (start.volume != 0 || start.index != 0) {
        return filesRead.emplace(start.volume, start.index).second;
    }
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(path, error);
    return pathsRead.insert(error ? path.native() : canonical.native()).second;
}

// Why a file found was not read: it may have been swapped for a link or a FIFO since it was listed.
ReportFaultKind refusedAs(const platform::FileStart& start)
{
    switch (start.refused) {
    case platform::Refusal::link:
        return ReportFaultKind::linkSkipped;
    case platform::Refusal::notRegular:
        return ReportFaultKind::notRegularFile;
    case platform::Refusal::none:
        break;
    }
    return ReportFaultKind::unreadableFile;
}

// path::u8string() throws on a Windows name with an unpaired surrogate, which NTFS allows; the
// name is shown with U+FFFD in its place instead. Elsewhere a path's bytes are shown as they are.
template <typename Char>
std::string utf8Of(const std::basic_string<Char>& units)
{
    if constexpr (sizeof(Char) == 2) {
        return utf8FromUtf16(std::u16string(units.begin(), units.end()));
    } else {
        return units;
    }
}

} // namespace

ReportSearch findReports(const std::vector<fs::path>& paths)
{
    ReportSearch search;
    Identities visited; // directories, so a PATH inside another is walked once
    for (const fs::path& path : paths) {
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (status.type() == fs::file_type::not_found) {
            search.usageError = "PFAD nicht gefunden: " + displayPath(path);
        } else if (error) {
            addUnreadable(search, path, ReportFaultKind::unreadableFile);
        } else if (fs::is_directory(status)) {
            walk(search, path, visited);
        } else if (fs::is_regular_file(status)) {
            addFile(search, path, true);
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
    return utf8Of(path.native());
}

Collection readCollection(const ReportSearch& search)
{
    Collection collection;
    collection.unreadable = search.unreadable;
    Identities filesRead;
    std::unordered_set<fs::path::string_type> pathsRead;
    // One byte more than a report may have tells a file that is too large. The buffer is
    // shared, so ten thousand files do not mean ten thousand buffers.
    std::string buffer;
    // Grown by doubling, the list would hold its old and new copies at once near the end.
    collection.reports.reserve(search.files.size());
    for (const FoundReport& file : search.files) {
        const platform::FileStart start =
            platform::readFileStart(file.path.native(), maxReportBytes + 1, buffer, file.isGiven);
        if (start.read && !isFirstRead(start, file.path, filesRead, pathsRead)) {
            continue; // the same file through another PATH
        }
        ReportReading reading = start.read ? readReport(buffer) : unexpected(ReportFault{refusedAs(start), 0});
        if (!reading) {
            collection.unreadable.push_back(UnreadableReport{displayPath(file.path), reading.error()});
            continue;
        }
        CollectedReport report{file.name, displayPath(file.path), routeFolder(file.path), std::move(*reading),
                               start.modified};
        if (file.inventoryListed) {
            addInventory(collection, report, file.path, buffer);
        }
        collection.reports.push_back(std::move(report));
    }
    return collection;
}

} // namespace quill::fleet
