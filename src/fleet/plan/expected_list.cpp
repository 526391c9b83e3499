#include "fleet/plan/expected_list.h"

#include "core/utf8_text.h"
#include "fleet/plan/machine_names.h"

#include <algorithm>
#include <unordered_set>

namespace quill::fleet {
namespace {

constexpr std::string_view blanks = " \t\r\f\v";

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

Expected<std::vector<ExpectedMachine>, ExpectedListFault> parseExpectedList(std::string_view file)
{
    // A list made with PowerShell 5.1's '>' is UTF-16; Notepad marks UTF-8 at its start.
    const std::string decoded = file.starts_with("\xFF\xFE") ? utf8FromUtf16Le(file.substr(2)) : std::string();
    std::string_view text = decoded.empty() ? file : decoded;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<ExpectedMachine> machines;
    std::unordered_set<std::string> seen;
    for (std::size_t number = 1; !text.empty(); ++number) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.find("\xEF\xBB\xBF") != std::string_view::npos) {
            return unexpected(ExpectedListFault{number});
        }
        const std::string_view content = line.substr(0, line.find('#'));
        // A second column, after ';' (a spreadsheet's export) or a tab, is the machine's group.
        const std::size_t split = std::min(content.find_first_of(";\t"), content.size());
        const std::string_view name = trimmed(content.substr(0, split));
        if (!name.empty() && seen.insert(machineKey(name)).second) {
            const std::string_view rest = content.substr(std::min(split + 1, content.size()));
            const std::string_view group = trimmed(rest.substr(0, std::min(rest.find_first_of(";\t"), rest.size())));
            machines.push_back(ExpectedMachine{std::string(name), validUtf8(group)});
        }
    }
    return machines;
}

std::vector<std::string> missingMachines(const std::vector<std::string>& expected,
                                         const std::vector<std::string>& names)
{
    std::unordered_set<std::string> present;
    for (const std::string& name : names) {
        present.insert(machineKey(name));
    }
    std::vector<std::string> missing;
    for (const std::string& name : expected) {
        if (!present.contains(machineKey(name))) {
            missing.push_back(name);
        }
    }
    return missing;
}

} // namespace quill::fleet
