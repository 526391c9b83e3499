// How every one of our exes starts: where the loader may take DLLs from, and the stack
// protector's guard. Linked into each exe as an object of its own (not through the core
// library, whose members come along only when something else in them is used), so no exe
// can lose its start-up to a change in what it happens to call.

#include "platform/support_windows.h"

#include <windows.h>

#include <cstdint>

namespace quill::platform {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

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

// Random bytes for the stack protector's guard from the system's generator, or 0 where it
// cannot be had.
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

// The load configuration's DependentLoadFlags (mingw-w64 still calls the field Reserved1): the
// flags the loader resolves this exe's own static imports with, from Windows 10 1607 on; here the
// system directory only. It covers neither what those DLLs import (known DLLs and their own
// dependencies here, which the system maps from its copies) nor later loads, which the TLS
// callback below restricts.
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

} // namespace
} // namespace quill::platform
