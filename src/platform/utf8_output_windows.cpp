#include "platform/platform.h"

#include <windows.h>

namespace quill::platform {

// Kept apart from platform_windows.cpp so that a program using only this does not bind
// the TPM and registry libraries that the assessment needs.

std::uint32_t useUtf8Output()
{
    // 0 when there is no console: nothing to switch, nothing to put back.
    const UINT previous = GetConsoleOutputCP();
    if (previous != 0 && previous != CP_UTF8) {
        SetConsoleOutputCP(CP_UTF8);
    }
    return previous;
}

void restoreOutput(std::uint32_t previous)
{
    if (previous != 0 && previous != CP_UTF8) {
        SetConsoleOutputCP(previous);
    }
}

} // namespace quill::platform
