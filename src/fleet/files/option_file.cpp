#include "fleet/files/option_file.h"

#include "fleet/files/report_search.h"
#include "platform/platform.h"

#include <new>

namespace quill::fleet {

OptionFile readOptionFile(const std::filesystem::path& file)
{
    OptionFile read;
    const std::string name = displayPath(file);
    try {
        const platform::FileStart start =
            platform::readFileStart(file.native(), maxOptionFileBytes + 1, read.text, true);
        if (start.refused == platform::Refusal::notRegular) {
            read.error = name + " ist keine normale Datei";
        } else if (!start.read) {
            read.error = name + " konnte nicht gelesen werden";
        } else if (read.text.size() > maxOptionFileBytes) {
            read.error = name + " ist größer als 64 MiB";
        }
    } catch (const std::bad_alloc&) {
        read.error = name + ": nicht genug Speicher zum Lesen";
    }
    if (!read.error.empty()) {
        read.text = std::string();
    }
    return read;
}

} // namespace quill::fleet
