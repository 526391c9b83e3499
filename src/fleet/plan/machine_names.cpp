#include "fleet/plan/machine_names.h"

#include "core/utf8_text.h"

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

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The digit run at the text's start, without leading zeros.
std::string_view digitRun(std::string_view text, std::size_t& length)
{
    length = 0;
    while (length < text.size() && isDigit(text[length])) {
        ++length;
    }
    std::string_view run = text.substr(0, length);
    run.remove_prefix(std::min(run.find_first_not_of('0'), run.size()));
    return run;
}

} // namespace

std::string machineKey(std::string_view name)
{
    // An IPv4 address (an inventory may name hosts so) is one name, not a first label and a domain.
    const bool address = name.find_first_not_of("0123456789.") == std::string_view::npos;
    std::string key(address ? name : name.substr(0, name.find('.')));
    std::transform(key.begin(), key.end(), key.begin(), lowerAscii);
    return key;
}

bool naturalLess(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t lengthA = 0;
            std::size_t lengthB = 0;
            const std::string_view runA = digitRun(a.substr(i), lengthA);
            const std::string_view runB = digitRun(b.substr(j), lengthB);
            if (runA.size() != runB.size()) {
                return runA.size() < runB.size();
            }
            if (runA != runB) {
                return runA < runB;
            }
            i += lengthA;
            j += lengthB;
        } else if (lowerAscii(a[i]) != lowerAscii(b[j])) {
            return static_cast<unsigned char>(lowerAscii(a[i])) < static_cast<unsigned char>(lowerAscii(b[j]));
        } else {
            ++i;
            ++j;
        }
    }
    if (i < a.size() || j < b.size()) {
        return j < b.size();
    }
    return a < b; // equal but for case or leading zeros: still one order
}

std::vector<ExpectedMachine> parseExpectedList(std::string_view file)
{
    // A list made with PowerShell 5.1's '>' is UTF-16; Notepad marks UTF-8 at its start.
    const std::string decoded = file.starts_with("\xFF\xFE") ? utf8FromUtf16Le(file.substr(2)) : std::string();
    std::string_view text = decoded.empty() ? file : decoded;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<ExpectedMachine> machines;
    std::unordered_set<std::string> seen;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
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

std::vector<std::string> parseExpectedMachines(std::string_view file)
{
    std::vector<std::string> names;
    for (ExpectedMachine& machine : parseExpectedList(file)) {
        names.push_back(std::move(machine.name));
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
