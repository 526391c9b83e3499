#include "fleet/machine_names.h"

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

std::string machineKey(std::string_view name)
{
    std::string key(name.substr(0, name.find('.')));
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

std::vector<std::string> parseExpectedMachines(std::string_view text)
{
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    if (text.starts_with("\xEF\xBB\xBF")) { // Notepad's UTF-8 marks its start
        text.remove_prefix(3);
    }
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::string_view name = trimmed(line.substr(0, line.find('#')));
        if (!name.empty() && seen.insert(machineKey(name)).second) {
            names.emplace_back(name);
        }
    }
    return names;
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
