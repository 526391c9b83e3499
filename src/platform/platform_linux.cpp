#include "platform/answer_rules.h"
#include "platform/linux_answers.h"
#include "platform/linux_disks.h"
#include "platform/platform.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quill::platform {
namespace {

constexpr const char* sysfsRoot = "/sys";

// mountinfo has a line of a few hundred bytes per mount.
constexpr std::size_t mountinfoLimit = std::size_t{1} << 20;

// The file system at path and the block device it is mounted from. A live system's RAM disk
// or overlay has no device, and nothing more is asked of it; btrfs gives every subvolume an
// anonymous number of its own, and only the device mountinfo names as the source (under /dev,
// where nothing can hang) leads to the disk.
linux_answers::RootFileSystem fileSystemAt(const char* path)
{
    linux_answers::RootFileSystem fileSystem;
    struct statfs type {};
    if (::statfs(path, &type) == 0) {
        fileSystem.type = static_cast<std::uint64_t>(type.f_type);
    }
    struct stat mounted {};
    if (::stat(path, &mounted) != 0) {
        return fileSystem;
    }
    if (major(mounted.st_dev) != 0) {
        fileSystem.number = linux_answers::deviceNumber(mounted.st_dev);
        return fileSystem;
    }
    if (linux_answers::isLiveFileSystemType(fileSystem.type)) {
        return fileSystem;
    }
    const std::optional<std::string> mountinfo = linux_answers::readSmallFile("/proc/self/mountinfo", mountinfoLimit);
    const std::optional<std::string> source = mountinfo ? linux_answers::mountSource(*mountinfo, path) : std::nullopt;
    struct stat device {};
    if (source && source->starts_with("/dev/") && ::stat(source->c_str(), &device) == 0 && S_ISBLK(device.st_mode)) {
        fileSystem.number = linux_answers::deviceNumber(device.st_rdev);
    }
    return fileSystem;
}

// The file system the system is installed on. Where "/" is the overlay of a composefs image,
// as on Fedora CoreOS and the Atomic desktops, the ostree deployment it shows lies on the file
// system mounted at /sysroot, and that is an installed system, not a live one.
linux_answers::RootFileSystem installedFileSystem()
{
    linux_answers::RootFileSystem root = fileSystemAt("/");
    if (root.type == linux_answers::overlayFileSystem && linux_answers::exists("/run/ostree-booted")) {
        return fileSystemAt("/sysroot");
    }
    return root;
}

// ANSI colours standing in for the Windows console attributes.
std::string_view sgrFor(TextAttribute attribute)
{
    switch (attribute) {
    case TextAttribute::darkGrey:
        return "\x1b[90m";
    case TextAttribute::green:
        return "\x1b[92m";
    case TextAttribute::cyan:
        return "\x1b[96m";
    case TextAttribute::red:
        return "\x1b[91m";
    case TextAttribute::yellow:
        return "\x1b[93m";
    case TextAttribute::normal:
        break;
    }
    return "\x1b[0m";
}

// Waits for one byte or the end of input. Neither the byte nor a failure changes anything,
// but the fortified read() insists that its result be taken.
void readOneByte()
{
    char key = 0;
    const ssize_t got = ::read(STDIN_FILENO, &key, 1);
    static_cast<void>(got);
}

// The ending signals the key wait takes over, blocked and read through a signalfd, so
// the terminal can be restored before they end the process without any handler or
// static state.
struct SignalWatch {
    int fd = -1; // -1: nothing taken over
    sigset_t previousMask{};
};

// Takes over SIGINT, SIGQUIT, SIGTERM and SIGHUP where they would end the process now, and
// SIGTSTP where it would stop it: left at their default action and not blocked. Ignored or
// blocked ones stay as found (nohup, a parent's mask), so they act no more than before.
SignalWatch watchSignals()
{
    SignalWatch watch;
    sigset_t taken{};
    sigemptyset(&taken);
    if (::sigprocmask(SIG_BLOCK, nullptr, &watch.previousMask) != 0) {
        return watch;
    }
    for (const int signal : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP}) {
        struct sigaction action {};
        if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_DFL &&
            sigismember(&watch.previousMask, signal) == 0) {
            sigaddset(&taken, signal);
        }
    }
    if (::sigprocmask(SIG_BLOCK, &taken, nullptr) != 0) {
        return watch;
    }
    watch.fd = ::signalfd(-1, &taken, SFD_CLOEXEC);
    if (watch.fd < 0) {
        ::sigprocmask(SIG_SETMASK, &watch.previousMask, nullptr);
    }
    return watch;
}

// Waits for a key or a taken-over signal: reads one byte and returns 0, or returns the
// signal. A failed wait returns 0 at once rather than wait without the signals.
int readKeyOrSignal(int signalFd)
{
    std::array<pollfd, 2> watched = {{{STDIN_FILENO, POLLIN, 0}, {signalFd, POLLIN, 0}}}; // poll skips fd -1
    int ready = 0;
    do {
        ready = ::poll(watched.data(), watched.size(), -1);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) {
        return 0;
    }
    if ((watched[1].revents & POLLIN) != 0) {
        signalfd_siginfo info{};
        if (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            return static_cast<int>(info.ssi_signo);
        }
    }
    readOneByte();
    return 0;
}

// Gives the signals back. A signal that came during the wait is raised again while still
// blocked, so unblocking it ends the process by its default action, as it would have.
void endWatch(const SignalWatch& watch, int signal)
{
    if (watch.fd < 0) {
        return;
    }
    ::close(watch.fd);
    if (signal != 0) {
        ::raise(signal);
    }
    ::sigprocmask(SIG_SETMASK, &watch.previousMask, nullptr);
}

// Keys one at a time, without echo; signals from the keyboard (Ctrl+C, Ctrl+Z) stay on.
void takeRaw(const termios& saved)
{
    struct termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    // Keys typed while the run was reading the machine were not meant for a report not yet shown.
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw);
}

// Stops the process as SIGTSTP's default action would and returns once it is continued. The
// signal is sent while blocked, so unblocking delivers it here. An orphaned process group
// does not stop on it; then this returns at once.
void stopUntilContinued()
{
    sigset_t stop{};
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    ::kill(::getpid(), SIGTSTP);
    ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    ::sigprocmask(SIG_BLOCK, &stop, nullptr);
}

} // namespace

std::uint16_t nativeArchitecture(const CpuidAnswers& cpuid)
{
    return linux_answers::architectureFromCpuid(cpuid.extendedReach, cpuid.extendedLeaf1);
}

FirmwareVisibility firmwareVisibility()
{
    constexpr std::uint64_t sysfsMagic = 0x62656572;
    struct statfs fileSystem {};
    const bool rootIsSysfs =
        ::statfs(sysfsRoot, &fileSystem) == 0 && static_cast<std::uint64_t>(fileSystem.f_type) == sysfsMagic;
    // uname's release is /proc/sys/kernel/osrelease without a file to open.
    struct utsname names {};
    const std::optional<std::string> release =
        ::uname(&names) == 0 ? std::optional<std::string>(names.release) : std::nullopt;
    return linux_answers::firmwareVisibility(sysfsRoot, rootIsSysfs, release);
}

std::optional<std::uint32_t> firmwareType()
{
    return linux_answers::firmwareType(sysfsRoot);
}

std::optional<std::uint32_t> uefiWordSize()
{
    return linux_answers::uefiWordSize(sysfsRoot);
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
    // The disk under the installed system stands in for the Windows directory's volume; there
    // is no directory lookup that could fail first.
    return SystemVolumeAnswer{true, linux_answers::systemCapacity(sysfsRoot, installedFileSystem())};
}

ExecutablePathAnswer executablePath()
{
    // A full buffer may hold a cut path: readlink does not say, so it is read again larger.
    std::string buffer(260, '\0');
    for (;;) {
        const ssize_t got = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        const std::size_t length = got > 0 ? static_cast<std::size_t>(got) : 0;
        const std::size_t next = nextPathBufferSize(buffer.size(), length);
        if (next == 0) {
            ExecutablePathAnswer answer;
            answer.length = static_cast<long>(length);
            answer.cutShort = length >= buffer.size();
            if (length > 0 && !answer.cutShort) {
                answer.path.assign(buffer.data(), ::strnlen(buffer.data(), length));
            }
            return answer;
        }
        buffer.assign(next, '\0');
    }
}

ConsoleHandle setUpConsole()
{
    // A terminal is UTF-8 already; colours only when stdout is one, so redirected
    // output is exactly the report text.
    const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    return ConsoleHandle{nullptr, terminal, terminal};
}

void restoreConsole(const ConsoleHandle& /*console*/)
{
    // Nothing was changed: the key wait puts the terminal back itself.
}

bool writeOutput(const ConsoleHandle& /*console*/, std::string_view text)
{
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

void setTextAttribute(const ConsoleHandle& /*console*/, TextAttribute attribute)
{
    const std::string_view sgr = sgrFor(attribute);
    std::fwrite(sgr.data(), 1, sgr.size(), stdout);
}

namespace {

// Whether standard input and output are the same terminal: only then does the prompt stand
// where the key is typed. With the output in a file or a pipe (a pager, ssh without -t) the
// prompt is not on that terminal, and a pager reads it too. Output on the same character
// device as a terminal input is that terminal, so it needs no question of its own.
bool outputIsTheInputTerminal()
{
    struct stat input {};
    struct stat output {};
    return ::isatty(STDIN_FILENO) == 1 && ::fstat(STDIN_FILENO, &input) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 &&
           S_ISCHR(output.st_mode) && input.st_rdev == output.st_rdev;
}

} // namespace

void waitForKey()
{
    if (!outputIsTheInputTerminal()) {
        return;
    }
    const pid_t foreground = ::tcgetpgrp(STDIN_FILENO);
    if (foreground >= 0 && foreground != ::getpgrp()) {
        // A background job: reading the terminal, or changing it, would stop the run.
        return;
    }
    struct termios saved {};
    // A terminal that is not the controlling one (foreground < 0) is read as it is.
    if (foreground < 0 || ::tcgetattr(STDIN_FILENO, &saved) != 0) {
        readOneByte();
        return;
    }
    // Taken over before the terminal changes, so no signal can leave it changed.
    const SignalWatch watch = watchSignals();
    int signal = 0;
    while (true) {
        takeRaw(saved);
        signal = readKeyOrSignal(watch.fd);
        if (signal != SIGTSTP) {
            break;
        }
        // Ctrl+Z: the shell gets its terminal back while the run is stopped, and the run takes
        // the terminal again as the shell left it after fg. After bg it does not wait.
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        stopUntilContinued();
        if (::tcgetpgrp(STDIN_FILENO) != ::getpgrp() || ::tcgetattr(STDIN_FILENO, &saved) != 0) {
            endWatch(watch, 0);
            return;
        }
    }
    // Flushing drops the rest of a key that sends several bytes (an umlaut, an arrow or
    // function key), which would otherwise land at the shell's prompt.
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    endWatch(watch, signal);
}

} // namespace quill::platform
