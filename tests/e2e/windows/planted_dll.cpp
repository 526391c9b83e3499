// A DLL as an attacker would plant it beside a downloaded exe, under the name of one the exe
// or a system DLL might look for (tbs, bcrypt, cryptsp, version, ...): loading it is the harm,
// so DllMain adds its own file name to a file named "planted-dll-ran" beside it before anything
// else. Should the program ever call it as tbs.dll, it answers a TPM 2.0, which the system's
// stand-in never does in the tests that plant it.

#include <windows.h>

namespace {

void leaveMarkerBeside(HMODULE self)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    wchar_t* name = path + length;
    while (name > path && name[-1] != L'\\' && name[-1] != L'/') {
        --name;
    }
    // The name goes into the marker as ASCII, one line each: DLL names are, and the reader is a script.
    char line[MAX_PATH + 2] = {};
    DWORD lineLength = 0;
    for (const wchar_t* c = name; *c != L'\0'; ++c) {
        line[lineLength++] = *c < 0x80 ? static_cast<char>(*c) : '?';
    }
    line[lineLength++] = '\r';
    line[lineLength++] = '\n';
    const wchar_t marker[] = L"planted-dll-ran";
    if (static_cast<size_t>(name - path) + sizeof marker / sizeof marker[0] > MAX_PATH) {
        return;
    }
    for (size_t i = 0; i < sizeof marker / sizeof marker[0]; ++i) {
        name[i] = marker[i];
    }
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line, lineLength, &written, nullptr);
        CloseHandle(file);
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        leaveMarkerBeside(instance);
    }
    return TRUE;
}

extern "C" __attribute__((dllexport)) UINT32 WINAPI Tbsi_GetDeviceInfo(UINT32 /*size*/, PVOID info)
{
    static_cast<UINT32*>(info)[1] = 2; // tpmVersion
    return 0;
}
