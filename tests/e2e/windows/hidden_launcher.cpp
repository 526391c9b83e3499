// Starts the program named first as a hidden job does (an Intune app in the user's context, a
// logon script): CREATE_NO_WINDOW, a console without a window. Ends with the program's exit
// code, or 97 when it is still running after 20 s, since nobody can press a key there.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        return 99;
    }
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &process) == 0) {
        return 98;
    }
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 97);
        return 97;
    }
    DWORD code = 96;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
