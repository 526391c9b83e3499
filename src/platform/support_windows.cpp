#include "platform/support_windows.h"

#include <cstddef>

namespace quill::platform {

bool isPresent(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

HMODULE kernel32()
{
    return GetModuleHandleW(L"kernel32.dll");
}

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

bool systemRandom(void* buffer, std::size_t size)
{
    using BCryptGenRandomFunction = LONG(WINAPI*)(void*, PUCHAR, ULONG, ULONG);
    constexpr ULONG systemPreferredRng = 2; // BCRYPT_USE_SYSTEM_PREFERRED_RNG
    const HMODULE bcrypt = loadSystemLibrary(L"bcrypt.dll");
    const auto genRandom = findFunction<BCryptGenRandomFunction>(bcrypt, "BCryptGenRandom");
    const bool drawn = genRandom != nullptr && genRandom(nullptr, static_cast<PUCHAR>(buffer), static_cast<ULONG>(size),
                                                         systemPreferredRng) >= 0;
    if (bcrypt != nullptr) {
        FreeLibrary(bcrypt);
    }
    return drawn;
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

} // namespace quill::platform
