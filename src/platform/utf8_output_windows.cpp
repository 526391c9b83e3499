#include "platform/platform.h"

#include <windows.h>

namespace quill::platform {

// Kept apart from platform_windows.cpp so that a program using only this does not bind
// the TPM and registry libraries that the assessment needs.
void useUtf8Output()
{
    SetConsoleOutputCP(CP_UTF8);
}

} // namespace quill::platform
