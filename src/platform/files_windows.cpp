#include "platform/platform.h"
#include "platform/support_windows.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform {
namespace {

// A name surrogate stands for another file or directory: symbolic links, junctions, mount
// points. Other reparse points (deduplicated or cloud files) hold their own data and are read.
bool isLink(HANDLE file, DWORD attributes)
{
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return false;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof(tag)) == 0 ||
           IsReparseTagNameSurrogate(tag.ReparseTag);
}

EntryKind entryKind(const WIN32_FIND_DATAW& found)
{
    // For a reparse point, the listing's dwReserved0 holds its tag.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(found.dwReserved0)) {
        return EntryKind::link;
    }
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return EntryKind::directory;
    }
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0 ? EntryKind::other : EntryKind::regular;
}

// The entries of the directory at path; false when the listing broke off.
bool appendEntries(const std::wstring& path, std::vector<DirectoryEntry>& entries)
{
    const bool hasSeparator = !path.empty() && (path.back() == L'\\' || path.back() == L'/' || path.back() == L':');
    const std::wstring pattern = path + (hasSeparator ? L"*" : L"\\*");
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND; // an empty root has not even "."
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") {
            entries.push_back(DirectoryEntry{std::wstring(name), entryKind(found)});
        }
    } while (FindNextFileW(search, &found) != 0);
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    return complete;
}

} // namespace

std::string utf8FromPath(const NativePath& path)
{
    return utf8FromWide(path);
}

FileStart readFileStart(const NativePath& path, std::size_t maxBytes, std::string& bytes, bool followLink)
{
    bytes.clear();
    // Shared with writers: a machine may be writing its next report at this moment.
    const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, flags, nullptr);
    BY_HANDLE_FILE_INFORMATION facts{};
    if (file == INVALID_HANDLE_VALUE || GetFileInformationByHandle(file, &facts) == 0) {
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
        return {};
    }
    const Refusal refused =
        isLink(file, facts.dwFileAttributes) ? Refusal::link
        : (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || GetFileType(file) != FILE_TYPE_DISK
            ? Refusal::notRegular
            : Refusal::none;
    if (refused != Refusal::none) {
        CloseHandle(file);
        return FileStart{false, refused, 0, 0, 0};
    }
    // One byte more than the size told, so a file that grew meanwhile still shows it.
    const std::uint64_t size = (std::uint64_t{facts.nFileSizeHigh} << 32) | facts.nFileSizeLow;
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(maxBytes, size + 1)));
    std::size_t filled = 0;
    bool failed = false;
    while (filled < maxBytes) {
        if (filled == bytes.size()) {
            bytes.resize(std::min(maxBytes, bytes.size() * 2));
        }
        DWORD got = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 20));
        failed = ReadFile(file, bytes.data() + filled, wanted, &got, nullptr) == 0;
        if (failed || got == 0) {
            break;
        }
        filled += got;
    }
    CloseHandle(file);
    bytes.resize(filled);
    if (failed) {
        return {};
    }
    // FILETIME counts 100 ns from 1601-01-01; 11,644,473,600 s lie between that and 1970.
    const std::uint64_t ticks =
        (std::uint64_t{facts.ftLastWriteTime.dwHighDateTime} << 32) | facts.ftLastWriteTime.dwLowDateTime;
    constexpr std::int64_t ticksFrom1601To1970 = 116'444'736'000'000'000;
    return FileStart{true, Refusal::none, facts.dwVolumeSerialNumber,
                     (std::uint64_t{facts.nFileIndexHigh} << 32) | facts.nFileIndexLow,
                     (static_cast<std::int64_t>(ticks) - ticksFrom1601To1970) * 100};
}

DirectoryListing listDirectory(const NativePath& path, bool followLink)
{
    DirectoryListing listing;
    // Held open without delete sharing while it is listed, so the directory cannot be renamed
    // away and a link put in its place between the check and the listing.
    // Where another program holds it open for deletion, it is listed all the same rather than lost.
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE directory = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, flags, nullptr);
    if (directory == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
        directory =
            CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, flags, nullptr);
    }
    BY_HANDLE_FILE_INFORMATION facts{};
    if (directory == INVALID_HANDLE_VALUE || GetFileInformationByHandle(directory, &facts) == 0) {
        if (directory != INVALID_HANDLE_VALUE) {
            CloseHandle(directory);
        }
        return listing;
    }
    if (!followLink && isLink(directory, facts.dwFileAttributes)) {
        listing.refused = Refusal::link;
    } else if ((facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        listing.refused = Refusal::notRegular;
    } else {
        listing.volume = facts.dwVolumeSerialNumber;
        listing.index = (std::uint64_t{facts.nFileIndexHigh} << 32) | facts.nFileIndexLow;
        listing.listed = appendEntries(path, listing.entries);
    }
    CloseHandle(directory);
    return listing;
}

namespace {

// The system's words for an error code, in the user's language, without the line end.
std::string systemReason(DWORD error)
{
    std::array<wchar_t, 512> text{};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        text.data(), static_cast<DWORD>(text.size()), nullptr);
    std::wstring reason(text.data(), length);
    reason.erase(reason.find_last_not_of(L" \r\n.") + 1);
    return reason.empty() ? "Fehler " + std::to_string(error) : utf8FromWide(reason);
}

bool writeAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (WriteFile(file, bytes.data(), wanted, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// Writes bytes to an open file, flushes them to the medium and closes it; the error code of
// the first step that failed, 0 when all went well.
DWORD writeFlushAndClose(HANDLE file, std::string_view bytes)
{
    const bool written = writeAll(file, bytes) && FlushFileBuffers(file) != 0;
    const DWORD error = written ? 0 : GetLastError();
    const bool closed = CloseHandle(file) != 0;
    return error != 0 ? error : (closed ? 0 : GetLastError());
}

// A new file beside path whose name does not end in ".txt", so a collection that copies the
// folder meanwhile takes no half report. CREATE_NEW never opens what is there, link or not; a
// name left by an earlier run that was killed is passed over.
HANDLE createBeside(const std::wstring& path, std::wstring& temporary)
{
    constexpr int attempts = 16;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".tmp";
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    return file;
}

// Today's way, for a file another program holds open without delete sharing: emptied and
// written anew, shared as before. Only a plain file: a link or junction is opened as itself
// and refused, as are directories and devices.
FileSaveAnswer writeInPlace(const std::wstring& path, std::string_view bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return FileSaveAnswer{false, false, systemReason(GetLastError())};
    }
    BY_HANDLE_FILE_INFORMATION facts{};
    const bool plain = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &facts) != 0 &&
                       (facts.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
    if (!plain || SetEndOfFile(file) == 0) {
        const DWORD error = plain ? GetLastError() : ERROR_INVALID_FUNCTION;
        CloseHandle(file);
        return FileSaveAnswer{false, false, systemReason(error)};
    }
    const DWORD error = writeFlushAndClose(file, bytes);
    return error == 0 ? FileSaveAnswer{true} : FileSaveAnswer{false, false, systemReason(error)};
}

} // namespace

FileSaveAnswer replaceFile(const NativePath& path, std::string_view bytes)
{
    std::wstring temporary;
    const HANDLE file = createBeside(path, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        return FileSaveAnswer{false, true, systemReason(GetLastError())};
    }
    if (const DWORD error = writeFlushAndClose(file, bytes); error != 0) {
        DeleteFileW(temporary.c_str());
        return FileSaveAnswer{false, false, systemReason(error)};
    }
    // Write-through: the call returns once the new name is on the medium.
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
        return FileSaveAnswer{true};
    }
    DeleteFileW(temporary.c_str());
    return writeInPlace(path, bytes);
}

NativePath currentDirectory()
{
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    const DWORD length = needed == 0 ? 0 : GetCurrentDirectoryW(needed, folder.data());
    folder.resize(length < needed ? length : 0);
    return folder;
}

NativePath homeDirectory()
{
    const DWORD needed = GetEnvironmentVariableW(L"USERPROFILE", nullptr, 0);
    std::wstring folder(needed, L'\0');
    const DWORD length = needed == 0 ? 0 : GetEnvironmentVariableW(L"USERPROFILE", folder.data(), needed);
    folder.resize(length < needed ? length : 0);
    return folder;
}

} // namespace quill::platform
