#include "fleet/fleet_run.h"

#include <vector>

// Windows hands over the command line in UTF-16 only through wmain; main would see it in
// the ANSI code page, and report paths with other characters would not open.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
#else
int main(int argc, char** argv)
#endif
{
    const std::vector<quill::platform::NativePath> args(argv + 1, argv + argc);
    return quill::fleet::runFleet(args);
}
