#include "platform/answer_rules.h"
#include "platform/platform.h"
#include "platform/support_windows.h"

#include <windows.h>

#include <conio.h>
// The C headers on purpose: wcsnlen is an extension they declare, not a std member.
#include <stdio.h> // NOLINT(modernize-deprecated-headers)
#include <wchar.h> // NOLINT(modernize-deprecated-headers)

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// tbs.h of mingw-w64 lacks the device query, so its record is declared here as TPM Base
// Services defines it.
struct TPM_DEVICE_INFO {
    UINT32 structVersion;
    UINT32 tpmVersion;
    UINT32 tpmInterfaceType;
    UINT32 tpmImpRevision;
};

namespace quill::platform {
namespace {

using GetFirmwareTypeFunction = BOOL(WINAPI*)(FIRMWARE_TYPE*);
using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using TbsiGetDeviceInfoFunction = UINT32(WINAPI*)(UINT32, PVOID);

// The console outlives the program: the cmd or PowerShell window it was started from goes on
// in its own colours.
void putBack(const ConsoleHandle& console)
{
    if (console.isConsole) {
        SetConsoleTextAttribute(static_cast<HANDLE>(console.native), console.windowAttribute);
    }
}

// A console control handler gets no context of its own, so what it puts back has to wait
// in the one piece of static state the program has. Written once, before the handler is
// registered, and only read afterwards.
ConsoleHandle toRestoreOnCtrlEvent;

BOOL WINAPI restoreOnCtrlEvent(DWORD /*event*/)
{
    putBack(toRestoreOnCtrlEvent);
    return FALSE; // the system's own handling still ends the process, with its usual exit code
}

// Sets the process's default DLL search to the system directory. Not on Windows 7 without
// its search-path update: there every load names its path anyway.
void restrictLibrarySearch()
{
    const auto setDefaultDllDirectories =
        findFunction<SetDefaultDllDirectoriesFunction>(kernel32(), "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

// Random bytes for the stack protector's guard, or 0 where they cannot be had.
std::uintptr_t systemRandomWord()
{
    std::uintptr_t word = 0;
    return systemRandom(&word, sizeof word) ? word : 0;
}

} // namespace
} // namespace quill::platform

// The stack protector's guard and its failure path, defined here so that libssp is never
// linked: its start-up asks the CryptoAPI (CryptAcquireContextA and CryptGenRandom, which
// ADVAPI32 forwards to CRYPTSP.dll, no known DLL) for the guard, and forwarders are bound
// with the imports, before any code of the program could restrict where DLLs come from.
extern "C" {
std::uintptr_t __stack_chk_guard = 0x2f8a'5c61'd39e'0b47; // NOLINT(bugprone-reserved-identifier)

[[noreturn]] void __stack_chk_fail() // NOLINT(bugprone-reserved-identifier)
{
    // The stack is not to be trusted: say why on stderr with one system call, as the compiler's
    // runtime would, then end at once, through no handler and no runtime code.
    static constexpr char message[] = "*** stack smashing detected ***: terminated\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, sizeof message - 1, &written, nullptr);
    constexpr DWORD fastFailAvailable = 23;    // PF_FASTFAIL_AVAILABLE
    constexpr unsigned stackCookieFailure = 2; // FAST_FAIL_STACK_COOKIE_CHECK_FAILURE
    if (IsProcessorFeaturePresent(fastFailAvailable) != 0) {
        __asm__ volatile("int $0x29" : : "c"(stackCookieFailure)); // __fastfail
    }
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
    __builtin_unreachable();
}
}

namespace {

// The load configuration's DependentLoadFlags (mingw-w64 still calls the field Reserved1): from
// Windows 10 1607 on, the loader looks for every DLL the exe imports, and the DLLs those import,
// in the system directory only.
constexpr IMAGE_LOAD_CONFIG_DIRECTORY64 loadConfiguration()
{
    IMAGE_LOAD_CONFIG_DIRECTORY64 configuration{};
    configuration.Size = sizeof configuration;
    configuration.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;
    return configuration;
}

} // namespace

// The linker points the exe's load configuration entry at the object of this name.
extern "C" __attribute__((used)) constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used = loadConfiguration();

namespace quill::platform {
namespace {

// The loader calls the exe's TLS callbacks once the imported DLLs are ready, before the
// runtime's start-up, so the search policy is set here, ahead of every DLL the program's own
// code could load. The guard is seeded here too, while no function that checks it is running:
// this one does not (it has no protector of its own), and those it calls have returned.
__attribute__((no_stack_protector)) void NTAPI restrictLibrarySearchAtStart(PVOID /*module*/, DWORD reason,
                                                                            PVOID /*reserved*/)
{
    if (reason != DLL_PROCESS_ATTACH) {
        return;
    }
    restrictLibrarySearch();
    std::uintptr_t seed = systemRandomWord();
    if (seed == 0) {
        // As other runtimes seed their cookie where nothing better is at hand: what differs
        // between runs, with ASLR's address of this process.
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        seed = static_cast<std::uintptr_t>(counter.QuadPart) ^ GetTickCount64() ^
               (std::uintptr_t{GetCurrentProcessId()} << 32) ^ GetCurrentThreadId() ^
               reinterpret_cast<std::uintptr_t>(&seed);
    }
    __stack_chk_guard = seed;
}

// The runtime's TLS directory calls every pointer placed between its .CRT$XLA and .CRT$XLZ
// markers; XLB comes before its own callbacks. "used" keeps the otherwise unreferenced pointer.
__attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK libraryPolicyCallback =
    restrictLibrarySearchAtStart;

// Windows 7 and 8.0 answer a firmware variable read only with SeSystemEnvironmentPrivilege
// enabled; administrators hold it, disabled, and standard users lack it. The token's state
// is put back afterwards.
std::optional<std::uint32_t> firmwareTypeFromVariableRead()
{
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES enable{};
    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = sizeof previous;
    bool enabled = false;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token) != 0 &&
        LookupPrivilegeValueW(nullptr, L"SeSystemEnvironmentPrivilege", &enable.Privileges[0].Luid) != 0) {
        enable.PrivilegeCount = 1;
        enable.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        // Succeeds also when the token lacks the privilege; only ERROR_SUCCESS says it was given.
        enabled = AdjustTokenPrivileges(token, FALSE, &enable, sizeof previous, &previous, &previousSize) != 0 &&
                  GetLastError() == ERROR_SUCCESS;
    }
    // A variable no firmware has, in a namespace of zeros: nothing is read, only the error counts.
    const DWORD read = GetFirmwareEnvironmentVariableW(L"", L"{00000000-0000-0000-0000-000000000000}", nullptr, 0);
    const DWORD error = read != 0 ? ERROR_SUCCESS : GetLastError();
    if (enabled) {
        AdjustTokenPrivileges(token, FALSE, &previous, 0, nullptr, nullptr);
    }
    if (token != nullptr) {
        CloseHandle(token);
    }
    return firmwareTypeFromVariableError(error);
}

} // namespace

// CPUID would describe the x64 emulator on ARM64; the system knows the machine.
std::uint16_t nativeArchitecture(const CpuidAnswers& /*cpuid*/)
{
    SYSTEM_INFO info;
    ZeroMemory(&info, sizeof info);
    GetNativeSystemInfo(&info);
    // From Windows 10 1709 on; only it tells an x64 program on ARM64 what runs it.
    const auto isWow64Process2 = findFunction<IsWow64Process2Function>(kernel32(), "IsWow64Process2");
    USHORT processMachine = 0;
    USHORT nativeMachine = 0;
    std::optional<std::uint16_t> machine;
    if (isWow64Process2 != nullptr && isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine) != 0) {
        machine = nativeMachine;
    }
    return nativeArchitectureFrom(machine, info.wProcessorArchitecture);
}

std::optional<std::uint32_t> firmwareType()
{
    const auto getFirmwareType = findFunction<GetFirmwareTypeFunction>(kernel32(), "GetFirmwareType");
    if (getFirmwareType == nullptr) {
        return firmwareTypeFromVariableRead(); // Windows 7 and 8.0
    }
    FIRMWARE_TYPE type = FirmwareTypeUnknown;
    if (getFirmwareType(&type) == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(type);
}

// A Windows process sees its machine's firmware; a 64-bit Windows runs on 64-bit UEFI only.
FirmwareVisibility firmwareVisibility()
{
    return FirmwareVisibility::visible;
}
std::optional<std::uint32_t> uefiWordSize()
{
    return std::nullopt;
}

std::optional<std::uint32_t> secureBootValue()
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    // RRF_RT_REG_DWORD refuses values of any other type, an 8-byte number included.
    const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State",
                                        L"UEFISecureBootEnabled", RRF_RT_REG_DWORD, &type, &data, &size);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(data);
}

TpmDeviceAnswer tpmDeviceInfo()
{
    const HMODULE tbs = loadSystemLibrary(L"tbs.dll");
    const auto getDeviceInfo = findFunction<TbsiGetDeviceInfoFunction>(tbs, "Tbsi_GetDeviceInfo");
    if (getDeviceInfo == nullptr) {
        if (tbs != nullptr) {
            FreeLibrary(tbs);
        }
        return TpmDeviceAnswer{tbsInternalError, 0, false, isWindowsPe()};
    }
    TPM_DEVICE_INFO info{};
    info.structVersion = 2;
    const UINT32 result = getDeviceInfo(sizeof info, &info);
    FreeLibrary(tbs);
    return TpmDeviceAnswer{result, info.tpmVersion};
}

std::optional<std::uint64_t> totalPhysicalMemory()
{
    MEMORYSTATUSEX status;
    ZeroMemory(&status, sizeof status);
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status) == 0) {
        return std::nullopt;
    }
    return status.ullTotalPhys;
}

ExecutablePathAnswer executablePath()
{
    // The manifest declares the program long-path aware, so its own path may be longer
    // than MAX_PATH; a path that did not fit comes back cut to the buffer's size.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        const std::size_t next = nextPathBufferSize(buffer.size(), length);
        if (next == 0) {
            const bool cutShort = length >= buffer.size();
            const std::size_t shown = std::min<std::size_t>(length, buffer.size());
            return ExecutablePathAnswer{static_cast<long>(length), cutShort,
                                        std::wstring(buffer.data(), wcsnlen(buffer.data(), shown))};
        }
        buffer.assign(next, L'\0');
    }
}

ConsoleHandle setUpConsole()
{
    // Text reaches a console as UTF-16, so neither its code pages nor its modes need to
    // change: a run ended by taskkill /f leaves the window exactly as it was.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    const bool isConsole = isPresent(output) && GetConsoleMode(output, &mode) != 0;
    ConsoleHandle console{output, isPresent(output), isConsole};
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    if (isConsole && GetConsoleScreenBufferInfo(output, &screen) != 0) {
        console.windowAttribute = screen.wAttributes;
    }
    toRestoreOnCtrlEvent = console;
    SetConsoleCtrlHandler(restoreOnCtrlEvent, TRUE);
    return console;
}

void restoreConsole(const ConsoleHandle& console)
{
    putBack(console);
    SetConsoleCtrlHandler(restoreOnCtrlEvent, FALSE);
}

void writeOutput(const ConsoleHandle& console, std::string_view text)
{
    // The runtime's byte output would hand the console each byte of a UTF-8 sequence as a
    // character of its own, whatever its code page; the console takes UTF-16 whole.
    // Files and pipes get the bytes, and so does a console should the conversion fail.
    const std::wstring wide = console.isConsole ? wideFromUtf8(text) : std::wstring();
    if (wide.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return;
    }
    const wchar_t* next = wide.data();
    std::size_t left = wide.size();
    while (left > 0) {
        // Older consoles refuse a single write of 64 KiB or more; a long path could come near.
        // Half a surrogate pair would be drawn as a replacement character on either side.
        const auto chunk = static_cast<DWORD>(wholeCharacterChunk(std::wstring_view(next, left), 0x4000));
        DWORD written = 0;
        if (WriteConsoleW(static_cast<HANDLE>(console.native), next, chunk, &written, nullptr) == 0 || written == 0) {
            return;
        }
        next += written;
        left -= written;
    }
}

void setTextAttribute(const ConsoleHandle& console, TextAttribute attribute)
{
    // Text still in the runtime's buffer must reach the console in the old colour.
    std::fflush(stdout);
    SetConsoleTextAttribute(static_cast<HANDLE>(console.native), attributeInWindow(attribute, console.windowAttribute));
}

void waitForKey()
{
    // Session 0 holds services: a scheduled task, a software-distribution or Intune job run
    // as SYSTEM. A console may exist there, but no user can reach it, and a wait would last
    // until the job's time limit.
    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session) != 0 && session == 0) {
        return;
    }
    // Both ends on the console (a process has only one): with the report in a file or pipe
    // the prompt is not on the screen, and with stdin redirected no key will come from there.
    DWORD mode = 0;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!isPresent(input) || GetConsoleMode(input, &mode) == 0 || !isPresent(output) ||
        GetConsoleMode(output, &mode) == 0) {
        return;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const bool startedHidden = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;
    DWORD processes[2] = {};
    if (!isConsoleSeen(GetConsoleWindow() != nullptr, startedHidden, GetConsoleProcessList(processes, 2))) {
        return;
    }
    // Keys typed while the run was reading the machine were not meant for a report not yet shown.
    static_cast<void>(FlushConsoleInputBuffer(input));
    (void)_getch();
}

} // namespace quill::platform
