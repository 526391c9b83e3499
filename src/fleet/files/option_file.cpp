#include "fleet/files/option_file.h"

#include "fleet/files/report_search.h"
#include "platform/platform.h"

#include <new>

namespace quill::fleet {

Expected<std::string, std::string> readOptionFile(const std::filesystem::path& file)
{
    const std::string name = displayPath(file);
    std::string text;
    try {
        const platform::FileStart start = platform::readFileStart(file.native(), maxOptionFileBytes + 1, text, true);
        if (start.refused == platform::Refusal::notRegular) {
            return unexpected(name + " ist keine normale Datei");
        }
        if (!start.read) {
            return unexpected(name + " konnte nicht gelesen werden");
        }
        if (text.size() > maxOptionFileBytes) {
            return unexpected(name + " ist größer als 64 MiB");
        }
    } catch (const std::bad_alloc&) {
        return unexpected(name + ": nicht genug Speicher zum Lesen");
    }
    return text;
}

} // namespace quill::fleet
