// Stands in for a program the deployment scripts start, by the name it is copied under. As
// powershell.exe it prints "nonce-N", N counted on in the file QUILLBROOK_NONCE_COUNTER names, so
// a test knows the random names a script will take, or the answer QUILLBROOK_POWERSHELL_SAYS; with
// neither it prints nothing, as Wine's own stub does. Under any other name it writes a report
// beside itself and then ends as a crashed program does, with 0xC0000005, which reg refuses as a
// DWORD.
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>

int wmain(int /*argc*/, wchar_t** argv)
{
    if (std::wcsstr(argv[0], L"powershell") != nullptr) {
        const char* counter = std::getenv("QUILLBROOK_NONCE_COUNTER");
        const char* says = std::getenv("QUILLBROOK_POWERSHELL_SAYS");
        if (says != nullptr) {
            std::printf("%s\n", says);
        } else if (counter != nullptr) {
            int count = 0;
            std::ifstream(counter) >> count;
            std::ofstream(counter) << count + 1;
            std::printf("nonce-%d\n", count + 1);
        }
        return 0;
    }
    std::ofstream("quillbrook-report.txt", std::ios::binary) << "Quillbrook\n";
    return static_cast<int>(0xC0000005u);
}
