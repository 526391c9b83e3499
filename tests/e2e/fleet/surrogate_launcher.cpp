// Starts the program named first with the arguments after it, each "?" in them made U+DC00, an
// unpaired surrogate, and ends with the program's exit code. A Unix command line cannot carry one
// into Wine (Wine makes it U+FFFD), so only a Windows parent can hand it over.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        return 99;
    }
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    for (int i = 2; i < argc; ++i) {
        std::wstring arg = argv[i];
        for (wchar_t& c : arg) {
            c = c == L'?' ? static_cast<wchar_t>(0xDC00) : c;
        }
        line += L" \"" + arg + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) == 0) {
        return 98;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 97;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
