#include "platform/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform {
namespace {

EntryKind kindOfMode(mode_t mode)
{
    if (S_ISREG(mode)) {
        return EntryKind::regular;
    }
    if (S_ISDIR(mode)) {
        return EntryKind::directory;
    }
    return S_ISLNK(mode) ? EntryKind::link : EntryKind::other;
}

// What a directory entry is, from the listing where the file system fills it in, else from
// the entry itself without following it.
EntryKind entryKind(DIR* directory, const dirent& entry)
{
    switch (entry.d_type) {
    case DT_REG:
        return EntryKind::regular;
    case DT_DIR:
        return EntryKind::directory;
    case DT_LNK:
        return EntryKind::link;
    case DT_UNKNOWN: {
        struct stat facts {};
        const bool examined = ::fstatat(::dirfd(directory), entry.d_name, &facts, AT_SYMLINK_NOFOLLOW) == 0;
        return examined ? kindOfMode(facts.st_mode) : EntryKind::other;
    }
    default:
        return EntryKind::other;
    }
}

// The system's words for an error number, in the C locale the program runs in.
std::string systemReason(int error)
{
    std::array<char, 256> text{};
    return ::strerror_r(error, text.data(), text.size()); // GNU: returns the text, maybe not in the buffer
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t got = ::write(fd, bytes.data(), bytes.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(got));
    }
    return true;
}

// Creates a new file beside path whose name does not end in ".txt", so a collection that
// copies the folder meanwhile takes no half report. A name left by an earlier run that was
// killed is passed over. The descriptor, or -1 with errno set.
int createBeside(const std::string& path, std::string& temporary)
{
    constexpr int attempts = 16;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        temporary = path + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Today's way, for a file that cannot be renamed over: emptied and written anew. Only a regular
// file: no link is followed, and a FIFO or device is refused before anything is written.
FileSaveAnswer writeInPlace(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return FileSaveAnswer{false, false, systemReason(errno)};
    }
    struct stat facts {};
    bool written = ::fstat(fd, &facts) == 0 && S_ISREG(facts.st_mode);
    int error = written ? 0 : EINVAL;
    written = written && ::ftruncate(fd, 0) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    error = error != 0 ? error : errno;
    written = ::close(fd) == 0 && written;
    return written ? FileSaveAnswer{true} : FileSaveAnswer{false, false, systemReason(error)};
}

} // namespace

std::string utf8FromPath(const NativePath& path)
{
    return path; // already bytes; printed as they are
}

FileStart readFileStart(const NativePath& path, std::size_t maxBytes, std::string& bytes, bool followLink)
{
    bytes.clear();
    // O_NONBLOCK: a FIFO put in a report's place would otherwise wait for a writer forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        return FileStart{false, errno == ELOOP ? Refusal::link : Refusal::none, 0, 0, 0};
    }
    struct stat facts {};
    const bool examined = ::fstat(fd, &facts) == 0;
    if (!examined || !S_ISREG(facts.st_mode)) {
        ::close(fd);
        return FileStart{false, examined ? Refusal::notRegular : Refusal::none, 0, 0, 0};
    }
    // One byte more than the size told, so a file that grew meanwhile still shows it.
    bytes.resize(std::min<std::uint64_t>(maxBytes, static_cast<std::uint64_t>(std::max<off_t>(facts.st_size, 0)) + 1));
    const auto told = static_cast<std::size_t>(std::max<off_t>(facts.st_size, 0));
    std::size_t filled = 0;
    bool failed = false;
    while (filled < maxBytes) {
        if (filled == bytes.size()) {
            bytes.resize(std::min(maxBytes, bytes.size() * 2));
        }
        const std::size_t asked = bytes.size() - filled;
        const ssize_t got = ::read(fd, bytes.data() + filled, asked);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        failed = got < 0;
        if (got <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
        // Less than asked and all fstat told: the end, without a read that only says so. A
        // file that grew would have filled the byte asked for beyond it.
        if (static_cast<std::size_t>(got) < asked && filled >= told) {
            break;
        }
    }
    ::close(fd);
    bytes.resize(filled);
    if (failed) {
        return {};
    }
    constexpr std::int64_t nanosecondsPerSecond = 1'000'000'000;
    return FileStart{true, Refusal::none, static_cast<std::uint64_t>(facts.st_dev),
                     static_cast<std::uint64_t>(facts.st_ino),
                     static_cast<std::int64_t>(facts.st_mtim.tv_sec) * nanosecondsPerSecond + facts.st_mtim.tv_nsec};
}

DirectoryListing listDirectory(const NativePath& path, bool followLink)
{
    DirectoryListing listing;
    const int fd =
        ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        listing.refused = errno == ELOOP ? Refusal::link : (errno == ENOTDIR ? Refusal::notRegular : Refusal::none);
        return listing;
    }
    struct stat facts {};
    DIR* directory = ::fstat(fd, &facts) == 0 ? ::fdopendir(fd) : nullptr;
    if (directory == nullptr) {
        ::close(fd);
        return listing;
    }
    listing.volume = static_cast<std::uint64_t>(facts.st_dev);
    listing.index = static_cast<std::uint64_t>(facts.st_ino);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory);
        if (entry == nullptr) {
            listing.listed = errno == 0;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            listing.entries.push_back(DirectoryEntry{std::string(name), entryKind(directory, *entry)});
        }
    }
    ::closedir(directory);
    return listing;
}

FileSaveAnswer replaceFile(const NativePath& path, std::string_view bytes)
{
    std::string temporary;
    const int fd = createBeside(path, temporary);
    if (fd < 0) {
        return FileSaveAnswer{false, true, systemReason(errno)};
    }
    // Flushed before the rename, so that after a power cut the name holds the old bytes or
    // the new ones, never an empty file.
    bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int error = errno;
    written = ::close(fd) == 0 && written;
    if (!written) {
        ::unlink(temporary.c_str());
        return FileSaveAnswer{false, false, systemReason(error)};
    }
    if (::rename(temporary.c_str(), path.c_str()) == 0) {
        return FileSaveAnswer{true};
    }
    ::unlink(temporary.c_str());
    return writeInPlace(path, bytes);
}

NativePath currentDirectory()
{
    char* folder = ::getcwd(nullptr, 0);
    if (folder == nullptr) {
        return {};
    }
    NativePath path = folder;
    std::free(folder); // NOLINT(cppcoreguidelines-no-malloc): getcwd's buffer comes from malloc
    return path;
}

NativePath homeDirectory()
{
    const char* home = std::getenv("HOME"); // NOLINT(concurrency-mt-unsafe): read before any thread exists
    return home != nullptr ? NativePath(home) : NativePath();
}

} // namespace quill::platform
