#include "platform/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
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
            errno = got == 0 ? EIO : errno;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(got));
    }
    return true;
}

// Whether a failure to create a file says the folder takes none at all, so that another may.
bool isRefusal(int error)
{
    return error == EACCES || error == EPERM || error == EROFS || error == ENOENT || error == ENOTDIR;
}

// Eight random bytes from the kernel, as 16 hex digits. The kernel's pool may not be ready so
// early after a live system's start; /dev/urandom answers then, without waiting.
bool randomName(std::string& name)
{
    std::array<unsigned char, 8> bytes{};
    bool drawn = ::getrandom(bytes.data(), bytes.size(), GRND_NONBLOCK) == static_cast<ssize_t>(bytes.size());
    if (!drawn) {
        const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
        drawn = fd >= 0 && ::read(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        const int error = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        errno = error;
    }
    constexpr std::string_view hex = "0123456789abcdef";
    name.clear();
    for (const unsigned char byte : bytes) {
        name += hex[byte >> 4];
        name += hex[byte & 0x0F];
    }
    return drawn;
}

// Creates a new file beside path whose name does not end in ".txt", so a collection that
// copies the folder meanwhile takes no half report. The name is random, not the process's id,
// so nobody who may write into the folder can take it first; one taken all the same (by a run
// killed before it cleaned up) is passed over for another. The descriptor, or -1 with errno set.
int createBeside(const std::string& path, std::string& temporary)
{
    constexpr int attempts = 8;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        std::string name;
        if (!randomName(name)) {
            return -1;
        }
        temporary.assign(path).append(".").append(name).append(".tmp");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

using Compose = std::function<void(const ByteSink&)>;

// Writes what compose hands on into a new file beside path, flushes and closes it; its name is
// left in temporary. Flushed before any rename, so that after a power cut the name holds the
// old bytes or the new ones, never an empty file. On failure the new file is gone again.
FileSaveAnswer writeBeside(const std::string& path, const Compose& compose, std::string& temporary)
{
    const int fd = createBeside(path, temporary);
    if (fd < 0) {
        const int error = errno;
        return FileSaveAnswer{false, isRefusal(error), systemReason(error)};
    }
    int error = 0;
    try {
        compose([fd, &error](std::string_view piece) {
            if (error == 0 && !writeAll(fd, piece)) {
                error = errno;
            }
        });
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return FileSaveAnswer{false, false, systemReason(error)};
    }
    return FileSaveAnswer{true};
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

// The folders whose names stand for a process's streams: only root can put a name there, so
// a link in them (/dev/stdout) is the system's own and is followed.
bool isStreamFolder(const std::string& path)
{
    // The folder as written, with "." and ".." and doubled slashes resolved as the path's own text
    // says: std::filesystem would do it too, but would bring a locale's worth of code into a
    // program that only writes a report.
    if (!path.starts_with('/')) {
        return false;
    }
    std::vector<std::string_view> parts;
    for (std::size_t at = 1; at <= path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part = std::string_view(path).substr(at, end - at);
        if (part == "..") {
            parts.empty() ? void() : parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    if (parts.empty()) {
        return false;
    }
    parts.pop_back(); // the name itself
    std::string folder;
    for (const std::string_view part : parts) {
        folder += "/";
        folder += part;
    }
    return folder == "/dev" || folder == "/dev/fd" || folder == "/proc/self/fd";
}

// An output that is a stream and no file, opened to be written into: anything in the folders
// above, and an existing FIFO, device or socket that is no link. Appended to, so that a
// redirection to a file that standard output already wrote into is not written over.
struct OpenedStream {
    bool isStream = false; // false: path is a file to be replaced
    int fd = -1;           // -1 where the stream could not be opened, with error set
    int error = 0;
};

OpenedStream openStream(const std::string& path)
{
    struct stat facts {};
    const bool followed = isStreamFolder(path);
    if (!followed && (::lstat(path.c_str(), &facts) != 0 || S_ISREG(facts.st_mode) || S_ISDIR(facts.st_mode) ||
                      S_ISLNK(facts.st_mode))) {
        return {};
    }
    // A FIFO waits for its reader here, as the admin who named it expects.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC | (followed ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        return OpenedStream{true, -1, errno};
    }
    if (!followed && (::fstat(fd, &facts) != 0 || S_ISREG(facts.st_mode))) {
        ::close(fd); // a file put there since: replaced like any other
        return {};
    }
    return OpenedStream{true, fd, 0};
}

FileSaveAnswer writeStream(int fd, const Compose& compose)
{
    int error = 0;
    compose([fd, &error](std::string_view piece) {
        if (error == 0 && !writeAll(fd, piece)) {
            error = errno;
        }
    });
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error == 0 ? FileSaveAnswer{true} : FileSaveAnswer{false, false, systemReason(error)};
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
    return FileStart{true, Refusal::none, static_cast<std::uint64_t>(facts.st_dev),
                     static_cast<std::uint64_t>(facts.st_ino), fileTime(facts.st_mtim.tv_sec, facts.st_mtim.tv_nsec)};
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
    FileSaveAnswer answer = writeBeside(
        path, [bytes](const ByteSink& sink) { sink(bytes); }, temporary);
    if (!answer.saved || ::rename(temporary.c_str(), path.c_str()) == 0) {
        return answer;
    }
    ::unlink(temporary.c_str());
    return writeInPlace(path, bytes);
}

FileSaveAnswer replaceFileInPieces(const NativePath& path, const std::function<void(const ByteSink&)>& compose)
{
    if (const OpenedStream stream = openStream(path); stream.isStream) {
        return stream.fd >= 0 ? writeStream(stream.fd, compose)
                              : FileSaveAnswer{false, false, systemReason(stream.error)};
    }
    std::string temporary;
    FileSaveAnswer answer = writeBeside(path, compose, temporary);
    if (answer.saved && ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        answer = FileSaveAnswer{false, false, systemReason(error)};
    }
    return answer;
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
