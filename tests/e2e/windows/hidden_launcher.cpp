// Starts the program named, with the arguments after it, as a hidden job does (an Intune app in
// the user's context, a logon script): in a console without a window. With
// --console-input-as-output first, it runs in this console instead, with the console's input
// handle as its standard output: a console handle that takes no text. Ends with its exit code.
#include <windows.h>

#include <string>
#include <string_view>

int wmain(int argc, wchar_t** argv)
{
    const bool inputAsOutput = argc > 1 && std::wstring_view(argv[1]) == L"--console-input-as-output";
    std::wstring line;
    for (int index = inputAsOutput ? 2 : 1; index < argc; ++index) {
        line += (line.empty() ? L"\"" : L" \"") + std::wstring(argv[index]) + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    if (inputAsOutput) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inherited, OPEN_EXISTING, 0, nullptr);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION process{};
    DWORD code = 98;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, inputAsOutput ? TRUE : FALSE,
                       inputAsOutput ? 0 : CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process) != 0) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
    }
    return static_cast<int>(code);
}
