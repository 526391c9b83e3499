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
    std::FILE* out = quill::platform::openForWriting(argv[1]);
    if (out == nullptr) {
        return 1;
    }
    const bool written = std::fwrite(json.data(), 1, json.size(), out) == json.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return run(argc, argv);
}
