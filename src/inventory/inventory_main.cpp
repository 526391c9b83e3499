// quillbrook-inventory OUTPUT [--bitlocker on|off|unknown]: writes the machine's inventory as
// one JSON object to OUTPUT, for the collection scripts to file beside the report. Exit code 0
// when written, 1 when not (the system's reason on standard error), 2 on a wrong call; the
// scripts file the report either way.
#include "core/inventory_format.h"
#include "inventory/inventory_record.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>

namespace {

// The word given, where it is one of bitlocker's; empty otherwise.
std::string_view bitlockerWord(std::wstring_view given)
{
    for (const std::string_view word : quill::bitlockerWords) {
        if (std::equal(given.begin(), given.end(), word.begin(), word.end(),
                       [](wchar_t a, char b) { return a == static_cast<wchar_t>(b); })) {
            return word;
        }
    }
    return {};
}

int run(int argc, wchar_t** argv)
{
    const bool withBitlocker = argc == 4 && std::wcscmp(argv[2], L"--bitlocker") == 0;
    const std::string_view bitlocker = withBitlocker ? bitlockerWord(argv[3]) : argc == 2 ? "unknown" : "";
    if (bitlocker.empty()) {
        std::fputs("Aufruf: quillbrook-inventory AUSGABE [--bitlocker on|off|unknown]\n", stderr);
        return 2;
    }
    const std::string json = quill::inventory::inventoryJson(quill::platform::inventoryAnswers(), bitlocker);
    // Replaced like the report: never written through a link, never left half written.
    const quill::platform::FileSaveAnswer saved = quill::platform::replaceFile(argv[1], json);
    if (!saved.saved) {
        const std::string message =
            "Inventar nicht gespeichert: " + quill::platform::utf8FromPath(argv[1]) + ": " + saved.reason + "\n";
        std::fputs(message.c_str(), stderr);
        return 1;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    return run(argc, argv);
}
