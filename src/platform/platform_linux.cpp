#include "platform/linux_answers.h"
#include "platform/platform.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

namespace quill::platform {
namespace {

constexpr const char* sysfsRoot = "/sys";

// ANSI colours standing in for the Windows console attributes.
std::string_view sgrFor(std::uint16_t attribute)
{
    switch (attribute) {
    case 8:
        return "\x1b[90m";
    case 10:
        return "\x1b[92m";
    case 11:
        return "\x1b[96m";
    case 12:
        return "\x1b[91m";
    case 14:
        return "\x1b[93m";
    default:
        return "\x1b[0m";
    }
}

// Waits for one byte or the end of input. Neither the byte nor a failure changes anything,
// but the fortified read() insists that its result be taken.
void readOneByte()
{
    char key = 0;
    const ssize_t got = ::read(STDIN_FILENO, &key, 1);
    static_cast<void>(got);
}

} // namespace

void restrictLibrarySearch()
{
    // Nothing to do: the release binary is static, and no library is loaded by name later.
}

std::uint16_t nativeArchitecture()
{
    struct utsname names {};
    if (::uname(&names) != 0) {
        return 0xFFFF;
    }
    return linux_answers::architectureFromMachine(names.machine);
}

std::optional<std::uint32_t> firmwareType()
{
    return linux_answers::firmwareType(sysfsRoot);
}

std::optional<std::uint32_t> secureBootValue()
{
    return linux_answers::secureBootValue(sysfsRoot);
}

TpmDeviceAnswer tpmDeviceInfo()
{
    return linux_answers::tpmDeviceInfo(sysfsRoot);
}

std::optional<std::uint64_t> totalPhysicalMemory()
{
    struct sysinfo info {};
    if (::sysinfo(&info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
}

SystemVolumeAnswer systemVolume()
{
    // The root file system stands in for the Windows directory's volume; there is no
    // directory lookup that could fail first.
    struct statvfs info {};
    if (::statvfs("/", &info) != 0) {
        return SystemVolumeAnswer{true, std::nullopt};
    }
    return SystemVolumeAnswer{true, static_cast<std::uint64_t>(info.f_blocks) * info.f_frsize};
}

ExecutablePathAnswer executablePath()
{
    char buffer[260] = {};
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    ExecutablePathAnswer answer;
    answer.length = static_cast<long>(length);
    if (length > 0 && length < static_cast<ssize_t>(sizeof buffer)) {
        answer.path.assign(buffer, ::strnlen(buffer, sizeof buffer));
    }
    return answer;
}

std::string utf8FromPath(const NativePath& path)
{
    return path; // already bytes; printed as they are
}

std::FILE* openForWriting(const NativePath& path)
{
    return std::fopen(path.c_str(), "wb");
}

ConsoleHandle setUpConsole()
{
    // A terminal is UTF-8 already; colours only when stdout is one, so redirected
    // output is exactly the report text.
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    return ConsoleHandle{nullptr, terminal, terminal, {}};
}

void restoreConsole(const ConsoleHandle& /*console*/)
{
    // Nothing was changed: the key wait puts the terminal back itself.
}

void writeOutput(const ConsoleHandle& /*console*/, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void setTextAttribute(const ConsoleHandle& /*console*/, std::uint16_t attribute)
{
    const std::string_view sgr = sgrFor(attribute);
    std::fwrite(sgr.data(), 1, sgr.size(), stdout);
}

void waitForKey()
{
    if (::isatty(STDIN_FILENO) != 1) {
        // No terminal: one byte or end of input, whichever comes first.
        readOneByte();
        return;
    }
    struct termios saved {};
    if (::tcgetattr(STDIN_FILENO, &saved) != 0) {
        readOneByte();
        return;
    }
    struct termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    readOneByte();
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

} // namespace quill::platform
