#include "platform/answer_rules.h"
#include "platform/platform.h"

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

// GetDiskSpaceInformationW's record, missing from mingw-w64's headers, as the SDK's fileapi.h
// declares it.
struct DiskSpaceInformation {
    ULONGLONG ActualTotalAllocationUnits;
    ULONGLONG ActualAvailableAllocationUnits;
    ULONGLONG ActualPoolUnusedAllocationUnits;
    ULONGLONG CallerTotalAllocationUnits;
    ULONGLONG CallerAvailableAllocationUnits;
    ULONGLONG CallerPoolUnusedAllocationUnits;
    ULONGLONG UsedAllocationUnits;
    ULONGLONG TotalReservedAllocationUnits;
    ULONGLONG VolumeStorageReserveAllocationUnits;
    ULONGLONG AvailableCommittedAllocationUnits;
    ULONGLONG PoolAvailableAllocationUnits;
    DWORD SectorsPerAllocationUnit;
    DWORD BytesPerSector;
};

bool isPresent(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Functions that older Windows versions lack are looked up at run time: with a static
// import the program would not start at all there, where the query should simply fail.
template <typename Function>
Function findFunction(HMODULE module, const char* name)
{
    if (module == nullptr) {
        return nullptr;
    }
    const FARPROC address = GetProcAddress(module, name);
    // The detour through void(*)() tells the compiler this cast between function types is meant.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

using GetDiskSpaceInformationFunction = HRESULT(WINAPI*)(LPCWSTR, DiskSpaceInformation*);
using GetFirmwareTypeFunction = BOOL(WINAPI*)(FIRMWARE_TYPE*);
using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using BCryptGenRandomFunction = LONG(WINAPI*)(void*, PUCHAR, ULONG, ULONG);
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using TbsiGetDeviceInfoFunction = UINT32(WINAPI*)(UINT32, PVOID);

HMODULE kernel32()
{
    return GetModuleHandleW(L"kernel32.dll");
}

// Loads a DLL from the system directory and nowhere else. tbs.dll is no known DLL, so a
// bare name would be looked for beside the exe first: in a Downloads folder, any file of
// that name would run with the user's rights.
HMODULE loadSystemLibrary(const wchar_t* name)
{
    const HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    // Windows 7 without its search-path update rejects the flag: name the full path
    // instead, and let the DLL's own dependencies be looked for beside it, not beside the exe.
    wchar_t directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::wstring path = std::wstring(directory, length) + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::string utf8FromWide(const std::wstring& wide)
{
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::wstring wideFromUtf8(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    const int length = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
    return wide;
}

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

// Random bytes for the stack protector's guard from the system's generator, or 0 where it
// cannot be had. bcrypt.dll is no known DLL either, so it too comes from the system directory.
std::uintptr_t systemRandomWord()
{
    constexpr ULONG systemPreferredRng = 2; // BCRYPT_USE_SYSTEM_PREFERRED_RNG
    const HMODULE bcrypt = loadSystemLibrary(L"bcrypt.dll");
    const auto genRandom = findFunction<BCryptGenRandomFunction>(bcrypt, "BCryptGenRandom");
    std::uintptr_t word = 0;
    if (genRandom == nullptr ||
        genRandom(nullptr, reinterpret_cast<PUCHAR>(&word), sizeof word, systemPreferredRng) < 0) {
        word = 0;
    }
    if (bcrypt != nullptr) {
        FreeLibrary(bcrypt);
    }
    return word;
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

// The volume's actual size where the system can tell it: with per-user disk quotas,
// GetDiskFreeSpaceExW's total is the caller's quota. nullopt where the query is missing
// (before Windows 10 1703) or fails.
std::optional<std::uint64_t> actualVolumeTotal(const wchar_t* root)
{
    const auto getDiskSpaceInformation =
        findFunction<GetDiskSpaceInformationFunction>(kernel32(), "GetDiskSpaceInformationW");
    DiskSpaceInformation info{};
    if (getDiskSpaceInformation == nullptr || FAILED(getDiskSpaceInformation(root, &info))) {
        return std::nullopt;
    }
    const std::uint64_t unitBytes = std::uint64_t{info.SectorsPerAllocationUnit} * info.BytesPerSector;
    std::uint64_t total = 0;
    if (__builtin_mul_overflow(info.ActualTotalAllocationUnits, unitBytes, &total) || total == 0) {
        return std::nullopt;
    }
    return total;
}

// Windows PE, which setup and recovery media run, says so by this key. Its Windows sits on a
// RAM disk, and TPM Base Services are an optional component there.
bool isWindowsPe()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\MiniNT", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// How a physical disk is attached and how large it is; nullopt where it does not exist.
std::optional<WindowsDisk> physicalDisk(unsigned number)
{
    // Spelled out: std::to_wstring would bring the runtime's whole wide formatting into the exe.
    std::wstring path = L"\\\\.\\PhysicalDrive";
    if (number >= 10) {
        path += static_cast<wchar_t>(L'0' + number / 10);
    }
    path += static_cast<wchar_t>(L'0' + number % 10);
    const HANDLE disk =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    WindowsDisk answer;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    STORAGE_DEVICE_DESCRIPTOR descriptor{};
    DWORD returned = 0;
    if (DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &descriptor, sizeof descriptor,
                        &returned, nullptr) != 0 &&
        returned >= offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof descriptor.BusType) {
        answer.busType = static_cast<std::uint32_t>(descriptor.BusType);
        answer.removableMedia = descriptor.RemovableMedia != 0;
    } else {
        answer.removableMedia = true; // a disk that does not say how it is attached is not counted
    }
    GET_LENGTH_INFORMATION length{};
    if (DeviceIoControl(disk, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length, &returned, nullptr) !=
            0 &&
        length.Length.QuadPart > 0) {
        answer.lengthBytes = static_cast<std::uint64_t>(length.Length.QuadPart);
    }
    CloseHandle(disk);
    return answer;
}

// Disk numbers need not be contiguous (a stick pulled out leaves a gap), so a fixed range is
// asked; a PC has far fewer disks.
std::optional<std::uint64_t> largestBuiltInDiskOfPe()
{
    constexpr unsigned diskNumbers = 64;
    std::vector<WindowsDisk> disks;
    for (unsigned number = 0; number < diskNumbers; ++number) {
        if (std::optional<WindowsDisk> disk = physicalDisk(number)) {
            disks.push_back(*disk);
        }
    }
    return largestBuiltInDisk(disks);
}

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

SystemVolumeAnswer systemVolume()
{
    wchar_t directory[MAX_PATH] = {};
    if (GetWindowsDirectoryW(directory, MAX_PATH) == 0) {
        return SystemVolumeAnswer{false, std::nullopt};
    }
    // Windows PE's own volume is a RAM disk of at most 512 MB; Windows will go to a disk.
    if (isWindowsPe()) {
        return SystemVolumeAnswer{true, largestBuiltInDiskOfPe()};
    }
    // Only the drive letter matters: the capacity asked is that of its root.
    const wchar_t root[4] = {directory[0], L':', L'\\', L'\0'};
    if (const std::optional<std::uint64_t> actual = actualVolumeTotal(root)) {
        return SystemVolumeAnswer{true, actual};
    }
    ULARGE_INTEGER availableToCaller{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER totalFree{};
    if (GetDiskFreeSpaceExW(root, &availableToCaller, &total, &totalFree) == 0) {
        return SystemVolumeAnswer{true, std::nullopt};
    }
    return SystemVolumeAnswer{true, total.QuadPart};
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
