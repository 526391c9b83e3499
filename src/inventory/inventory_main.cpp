// quillbrook-inventory OUTPUT [--bitlocker on|off|unknown]: writes the machine's inventory as
// one JSON object to OUTPUT, for the collection scripts to file beside the report. Exit code 0
// when written, 1 when not, 2 on a wrong call; the scripts file the report either way.
#include "inventory/inventory_record.h"
#include "platform/platform.h"

#include <cstdio>
#include <cwchar>
#include <string_view>

namespace {

int run(int argc, wchar_t** argv)
{
    std::string_view bitlocker = "unknown";
    if (argc == 4 && std::wcscmp(argv[2], L"--bitlocker") == 0) {
        const std::wstring_view given = argv[3];
        bitlocker = given == L"on" ? "on" : given == L"off" ? "off" : "unknown";
    } else if (argc != 2) {
        std::fputs("Aufruf: quillbrook-inventory AUSGABE [--bitlocker on|off|unknown]\n", stderr);
        return 2;
    }
    const std::string json = quill::inventory::inventoryJson(quill::platform::inventoryAnswers(), bitlocker);
    // Replaced like the report: never written through a link, never left half written.
    return quill::platform::replaceFile(argv[1], json).saved ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return run(argc, argv);
}
