#pragma once

// The few raw questions the program asks the machine. Answers are returned as they
// come, with failure kept distinct from a value; judging them is the probes' work.
// This header stays free of system headers.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform {

#ifdef _WIN32
using PathChar = wchar_t; // Windows paths are UTF-16
#else
using PathChar = char; // POSIX paths are bytes
#endif
using NativePath = std::basic_string<PathChar>;

struct CpuidRegisters {
    std::uint32_t eax = 0;
    std::uint32_t ebx = 0;
    std::uint32_t ecx = 0;
    std::uint32_t edx = 0;
};

// The CPUID answers a run needs, each leaf read once: every CPUID is a trap to the hypervisor
// in a virtual machine. Every leaf held is what the processor said; brandLeaves are read only
// where extendedReach is at least lastBrandLeaf.
struct CpuidAnswers {
    CpuidRegisters leaf0;
    CpuidRegisters leaf1;
    // 0x80000000, nullopt where it was not asked: the C library's copy of the other leaves
    // showed that the brand leaves exist.
    std::optional<CpuidRegisters> extendedLeaf0;
    CpuidRegisters extendedLeaf1;              // 0x80000001
    std::array<CpuidRegisters, 3> brandLeaves; // 0x80000002..0x80000004
    // The highest extended leaf known to exist, what the readers compare with: extendedLeaf0's
    // EAX, or 0x80000008 where the C library's copy of that leaf stood in for asking.
    std::uint32_t extendedReach = 0;
};

inline constexpr std::uint32_t lastBrandLeaf = 0x80000004;

// Executes CPUID (sub-leaf 0) for the leaves above.
CpuidAnswers readCpuid();

// The native processor architecture as a Windows PROCESSOR_ARCHITECTURE_* code
// (9 AMD64, 12 ARM64, 6 IA64, 0 x86, 0xFFFF unknown): that of the machine, also where this
// x86-64 program runs emulated. Linux tells it from the run's CPUID answers; Windows asks
// the system, which also knows the machine under an emulator.
std::uint16_t nativeArchitecture(const CpuidAnswers& cpuid);

// The PROCESSOR_ARCHITECTURE_* codes the program tells apart.
inline constexpr std::uint16_t architectureX86 = 0;
inline constexpr std::uint16_t architectureIa64 = 6;
inline constexpr std::uint16_t architectureAmd64 = 9;
inline constexpr std::uint16_t architectureArm64 = 12;
inline constexpr std::uint16_t architectureUnknown = 0xFFFF;

// Whether the firmware, the TPM and the disks the process sees are the machine's own. Inside
// a container or under WSL they describe a host or a virtual layer, and answers about them
// would judge a machine nobody asked about.
enum class FirmwareVisibility : std::uint8_t {
    visible,
    container, // the firmware is hidden: sysfs not mounted, or its firmware folder masked
    wsl,       // Windows Subsystem for Linux: a Microsoft kernel in a utility VM
};
FirmwareVisibility firmwareVisibility();

// FIRMWARE_TYPE's values as the firmware query reports them.
inline constexpr std::uint32_t firmwareTypeBios = 1;
inline constexpr std::uint32_t firmwareTypeUefi = 2;

// The firmware type (firmwareTypeUefi means UEFI); nullopt when the query failed.
std::optional<std::uint32_t> firmwareType();

// The UEFI firmware's word size in bits (64, or 32 on some tablets, which boot no 64-bit
// Windows); nullopt where it is not known.
std::optional<std::uint32_t> uefiWordSize();

// The Secure Boot state as a 32-bit number (1 means enabled); nullopt when unreadable.
std::optional<std::uint32_t> secureBootValue();

// The TPM Base Services device query: result 0 is success, and only then is tpmVersion
// meaningful. Where the service cannot be asked at all, the result is TBS_E_INTERNAL_ERROR.
struct TpmDeviceAnswer {
    std::uint32_t result = 0;
    std::uint32_t tpmVersion = 0;
    // With a failed result: the firmware describes a TPM 2.0 that no driver serves, so the
    // chip is there and only the running system cannot use it.
    bool isDescribedWithoutDriver = false;
    // With a failed result: Windows PE without its optional TPM Base Services, so the TPM
    // could not be asked at all, whatever the machine has.
    bool isPreinstallationWithoutTbs = false;
};
TpmDeviceAnswer tpmDeviceInfo();

// The TBS_E_* results that say something about the TPM itself; every other result only says
// that it could not be asked.
inline constexpr std::uint32_t tbsInternalError = 0x80284001;       // the TPM could not be asked at all
inline constexpr std::uint32_t tbsServiceNotRunning = 0x80284008;   // the TPM Base Services are stopped
inline constexpr std::uint32_t tbsServiceStartPending = 0x8028400B; // they are still starting
inline constexpr std::uint32_t tbsTpmNotFound = 0x8028400F;         // no TPM: the only result that says so
inline constexpr std::uint32_t tbsServiceDisabled = 0x80284010;     // they are switched off

// Total physical memory in bytes; nullopt when the query failed.
std::optional<std::uint64_t> totalPhysicalMemory();

// The capacity of the volume holding the system; the directory lookup can fail before it.
struct SystemVolumeAnswer {
    bool directoryFound = false;
    std::optional<std::uint64_t> totalBytes; // nullopt when the capacity query failed
};
SystemVolumeAnswer systemVolume();

// The running executable's path, read into ever larger buffers until it fits: length is
// the reported count (0 on failure); cutShort when even the largest buffer was too small.
struct ExecutablePathAnswer {
    long length = 0;
    bool cutShort = false;
    NativePath path; // the buffer's text up to its first zero
};
ExecutablePathAnswer executablePath();

// Why a file or directory was left alone although it is there. A link is never followed where
// the caller did not ask for it: in a folder that others write into, it can lead anywhere.
enum class Refusal : std::uint8_t {
    none,
    link,       // a symbolic link, junction or mount point (on Windows any name-surrogate reparse point)
    notRegular, // a FIFO, a device, a socket or a directory where a file was wanted
};

// What reading the start of a file found. volume and index are the same for every path that
// leads to one file, where the file system tells them (both 0 where it does not).
struct FileStart {
    bool read = false; // false: the file could not be opened or read, or was refused
    Refusal refused = Refusal::none;
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::int64_t modified = 0; // the last write, in nanoseconds since 1970-01-01 00:00 UTC (see fileTime)
};

// A file time as the file system tells it, seconds since 1970 and the nanoseconds within that
// second, in nanoseconds since 1970. A file system may hold times that 64-bit nanoseconds do not
// reach (a file set to 2286): such a time is held at the end of 1678 to 2261 it lies beyond, so
// it converts without overflow, is shown at that end and still counts as after any run.
inline std::int64_t fileTime(std::int64_t seconds, std::int64_t nanoseconds)
{
    constexpr std::int64_t earliest = -9'214'560'000; // 1678-01-01 00:00:00 UTC
    constexpr std::int64_t latest = 9'214'646'399;    // 2261-12-31 23:59:59 UTC
    if (seconds < earliest) {
        return earliest * 1'000'000'000;
    }
    if (seconds > latest) {
        return latest * 1'000'000'000;
    }
    return seconds * 1'000'000'000 + nanoseconds;
}

// Reads at most maxBytes from the file's start into bytes (resized to what was read); one
// open, one query, the reads and a close, since a fleet means thousands of files. The open
// never blocks (a FIFO swapped in waits for no writer) and, unless followLink, refuses a link
// as the last part of path; only a regular file is read. The buffer grows with the file, not
// to maxBytes at once.
FileStart readFileStart(const NativePath& path, std::size_t maxBytes, std::string& bytes, bool followLink);

// One entry of a directory as its listing tells it, without following it anywhere.
enum class EntryKind : std::uint8_t { regular, directory, link, other };
struct DirectoryEntry {
    NativePath name;
    EntryKind kind = EntryKind::other;
};

// A directory's entries (without "." and ".."), in the order the file system gives them, and
// the directory's identity as for FileStart. Unless followLink, a directory that is a link by
// now is refused rather than listed.
struct DirectoryListing {
    bool listed = false;
    Refusal refused = Refusal::none;
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::vector<DirectoryEntry> entries;
};
DirectoryListing listDirectory(const NativePath& path, bool followLink);

// The path as UTF-8 for the console; empty when the conversion fails.
std::string utf8FromPath(const NativePath& path);

// How replacing a file went.
struct FileSaveAnswer {
    bool saved = false;
    // The folder refused a new file (read-only, no permission, gone): nothing was written there,
    // so another folder may take it. A full medium or a name taken is no refusal.
    bool folderRefused = false;
    std::string reason{}; // the system's words for the failure, UTF-8; empty when saved
};

// Replaces the file at path with bytes. They go to a new file in the same folder, created
// exclusively (so no link is followed) under a name with random bytes from the system, which
// nobody can create first; a name that is taken all the same is passed over for another. The
// bytes are flushed to the medium and the new file is renamed over path, so a crash or a full
// medium never leaves a half file there. Where the rename is refused (on Windows a program holds
// the file open without delete sharing) the bytes are written into the existing file instead,
// but only into a regular file, never through a link or into a device. A failure leaves the old
// file whole and no new file behind.
FileSaveAnswer replaceFile(const NativePath& path, std::string_view bytes);

// Takes the pieces of a file's content as they are made.
using ByteSink = std::function<void(std::string_view)>;

// Replaces the file at path with what compose hands its sink, piece by piece, so a large output
// is never held whole. As with replaceFile the pieces go to a new file beside path, are flushed
// and renamed over it, and a link at path is replaced itself, its target never written; but
// nothing is ever written in place: on any failure the old file stays byte for byte and the new
// one is removed. A name that is a stream and no file is written into as a stream: an existing
// FIFO, device or socket (not a link to one), a console or a pipe, and on Linux every name in
// /dev, /dev/fd and /proc/self/fd (/dev/stdout is a link there, one only root could plant).
FileSaveAnswer replaceFileInPieces(const NativePath& path, const std::function<void(const ByteSink&)>& compose);

// The current directory and the user's home directory; empty where they cannot be had.
NativePath currentDirectory();
NativePath homeDirectory();

// The colours text is written in, as Windows console text attributes (foreground bits: blue 1,
// green 2, red 4, intensity 8). A Windows console shows normal text in the window's own
// colours and the others on the window's background; other platforms show them in their own
// terminal's colours.
enum class TextAttribute : std::uint16_t {
    normal = 7,
    darkGrey = 8,
    green = 10,
    cyan = 11,
    red = 12,
    yellow = 14,
};

// Standard output as the run writes to it.
struct ConsoleHandle {
    void* native = nullptr;
    // Colour changes are sent: on Windows whenever the handle is valid (to a file or pipe they
    // fail harmlessly), on Linux only to a terminal, where they are escape sequences in the text.
    bool takesColours = false;
    bool isConsole = false;            // output reaches a console screen, not a file or a pipe
    std::uint16_t windowAttribute = 7; // the console window's own attribute as the run found it
};

// Returns the handle for colours with the window's own attribute. Until restoreConsole, that
// attribute is also put back should the process be ended from outside (Ctrl+C, Ctrl+Break,
// the window closed). Code pages and console modes are left as they are.
ConsoleHandle setUpConsole();

// Puts the window's own attribute back. The last thing a run does.
void restoreConsole(const ConsoleHandle& console);

// Writes UTF-8 text to standard output: to a console as the characters it encodes, to a
// file or pipe as exactly these bytes. False when the console refused the text or the runtime
// took less than all of it; bytes still in the runtime's buffer fail only when it is flushed.
[[nodiscard]] bool writeOutput(const ConsoleHandle& console, std::string_view text);

// Switches the colour of text written to stdout from now on. Only where the handle takes colours.
void setTextAttribute(const ConsoleHandle& console, TextAttribute attribute);

// Waits for one key press without echo, keys typed before it discarded, where someone reads
// the report: standard output is the terminal or console the key is read from, the run is in
// the foreground, and on Windows the console's window is shown or drawn by a terminal, outside
// session 0. Returns at once everywhere else: output to a file or a pipe, input not from a
// terminal, a console without a window or with a hidden one.
void waitForKey();

} // namespace quill::platform
