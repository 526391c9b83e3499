#include "platform/platform.h"
#include "platform/support_windows.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
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
    // FILETIME counts 100 ns from 1601-01-01; 11,644,473,600 s lie between that and 1970. It
    // reaches to the year 60056, so it is taken apart into seconds before anything is multiplied.
    const std::uint64_t ticks =
        (std::uint64_t{facts.ftLastWriteTime.dwHighDateTime} << 32) | facts.ftLastWriteTime.dwLowDateTime;
    constexpr std::uint64_t ticksPerSecond = 10'000'000;
    constexpr std::int64_t secondsFrom1601To1970 = 11'644'473'600;
    return FileStart{true, Refusal::none, facts.dwVolumeSerialNumber,
                     (std::uint64_t{facts.nFileIndexHigh} << 32) | facts.nFileIndexLow,
                     fileTime(static_cast<std::int64_t>(ticks / ticksPerSecond) - secondsFrom1601To1970,
                              static_cast<std::int64_t>(ticks % ticksPerSecond) * 100)};
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

// Whether a failure to create a file says the folder takes none at all, so that another may.
bool isRefusal(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_NETWORK_ACCESS_DENIED;
}

// Eight random bytes from the system, as 16 hex digits.
bool randomName(std::wstring& name)
{
    std::array<unsigned char, 8> bytes{};
    const bool drawn = systemRandom(bytes.data(), bytes.size());
    constexpr std::wstring_view hex = L"0123456789abcdef";
    name.clear();
    for (const unsigned char byte : bytes) {
        name += hex[byte >> 4];
        name += hex[byte & 0x0F];
    }
    return drawn;
}

// A new file beside path whose name does not end in ".txt", so a collection that copies the
// folder meanwhile takes no half report. CREATE_NEW never opens what is there, link or not. The
// name is random, not the process's id, so nobody who may write into the folder can take it
// first; one taken all the same (by a run killed before it cleaned up) is passed over.
HANDLE createBeside(const std::wstring& path, std::wstring& temporary)
{
    constexpr int attempts = 8;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        std::wstring name;
        if (!randomName(name)) {
            SetLastError(ERROR_GEN_FAILURE);
            break;
        }
        temporary.assign(path).append(L".").append(name).append(L".tmp");
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    return file;
}

using Compose = std::function<void(const ByteSink&)>;

// Hands what compose makes to the file; the error code of the first write that failed, or 0.
DWORD writePieces(HANDLE file, const Compose& compose)
{
    DWORD error = 0;
    compose([file, &error](std::string_view piece) {
        if (error == 0 && !writeAll(file, piece)) {
            error = GetLastError();
        }
    });
    return error;
}

// Writes what compose hands on into a new file beside path, flushes it to the medium and closes
// it; its name is left in temporary. On failure the new file is gone again.
FileSaveAnswer writeBeside(const std::wstring& path, const Compose& compose, std::wstring& temporary)
{
    const HANDLE file = createBeside(path, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return FileSaveAnswer{false, isRefusal(error), systemReason(error)};
    }
    DWORD error = 0;
    try {
        error = writePieces(file, compose);
    } catch (...) {
        CloseHandle(file);
        DeleteFileW(temporary.c_str());
        throw;
    }
    if (error == 0 && FlushFileBuffers(file) == 0) {
        error = GetLastError();
    }
    if (CloseHandle(file) == 0 && error == 0) {
        error = GetLastError();
    }
    if (error != 0) {
        DeleteFileW(temporary.c_str());
        return FileSaveAnswer{false, false, systemReason(error)};
    }
    return FileSaveAnswer{true};
}

// Write-through: the call returns once the new name is on the medium. Over a link or junction
// the link itself is replaced.
bool renameOver(const std::wstring& temporary, const std::wstring& path)
{
    return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
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
    DWORD error = plain ? 0 : ERROR_INVALID_FUNCTION;
    error = error == 0 && SetEndOfFile(file) == 0 ? GetLastError() : error;
    error = error == 0 && !writeAll(file, bytes) ? GetLastError() : error;
    error = error == 0 && FlushFileBuffers(file) == 0 ? GetLastError() : error;
    if (CloseHandle(file) == 0 && error == 0) {
        error = GetLastError();
    }
    return error == 0 ? FileSaveAnswer{true} : FileSaveAnswer{false, false, systemReason(error)};
}

// An existing name that is no file on a disk (a console, NUL, a named pipe), opened to be written
// into as a stream; INVALID_HANDLE_VALUE where path is a file to be replaced or names none. A
// link is opened as itself, which is a file on a disk.
HANDLE openStream(const std::wstring& path)
{
    const HANDLE stream = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (stream != INVALID_HANDLE_VALUE && GetFileType(stream) == FILE_TYPE_DISK) {
        CloseHandle(stream);
        return INVALID_HANDLE_VALUE;
    }
    return stream;
}

} // namespace

FileSaveAnswer replaceFile(const NativePath& path, std::string_view bytes)
{
    std::wstring temporary;
    FileSaveAnswer answer = writeBeside(
        path, [bytes](const ByteSink& sink) { sink(bytes); }, temporary);
    if (!answer.saved || renameOver(temporary, path)) {
        return answer;
    }
    DeleteFileW(temporary.c_str());
    return writeInPlace(path, bytes);
}

FileSaveAnswer replaceFileInPieces(const NativePath& path, const std::function<void(const ByteSink&)>& compose)
{
    if (const HANDLE stream = openStream(path); stream != INVALID_HANDLE_VALUE) {
        DWORD error = writePieces(stream, compose);
        if (CloseHandle(stream) == 0 && error == 0) {
            error = GetLastError();
        }
        return error == 0 ? FileSaveAnswer{true} : FileSaveAnswer{false, false, systemReason(error)};
    }
    std::wstring temporary;
    FileSaveAnswer answer = writeBeside(path, compose, temporary);
    if (answer.saved && !renameOver(temporary, path)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        answer = FileSaveAnswer{false, false, systemReason(error)};
    }
    return answer;
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
