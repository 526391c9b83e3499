// Starts the program named as a hidden job does (an Intune app in the user's context, a logon
// script), in a console without a window, and ends with its exit code.
#include <windows.h>

#include <string>

int wmain(int /*argc*/, wchar_t** argv)
{
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD code = 98;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &process) != 0) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
    }
    return static_cast<int>(code);
}
