#pragma once

// What the Windows platform files share: handles, functions looked up at run time, DLLs from
// the system directory, UTF-8 and UTF-16. Only the platform's Windows sources include this.

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace quill::platform {

bool isPresent(HANDLE handle);

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

HMODULE kernel32();

// Loads a DLL from the system directory and nowhere else. tbs.dll is no known DLL, so a
// bare name would be looked for beside the exe first: in a Downloads folder, any file of
// that name would run with the user's rights.
HMODULE loadSystemLibrary(const wchar_t* name);

// Fills buffer with random bytes from the system's generator (BCryptGenRandom, from bcrypt.dll
// in the system directory: no import, so the exe's import list stays among known DLLs); false
// where it cannot be had.
bool systemRandom(void* buffer, std::size_t size);

// Empty where the conversion fails.
std::string utf8FromWide(const std::wstring& wide);
std::wstring wideFromUtf8(std::string_view utf8);

// Windows PE, which setup and recovery media run, says so by a key of its own. Its Windows
// sits on a RAM disk, and TPM Base Services are an optional component there.
bool isWindowsPe();

} // namespace quill::platform
