#include "fleet/plan/expected_list.h"

#include "core/utf8_text.h"
#include "fleet/plan/machine_names.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quill::fleet {
namespace {

constexpr std::string_view blanks = " \t\r\f\v";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// Windows-1252 from 0x80 to 0x9F, where it departs from Latin-1; U+FFFD where it assigns nothing.
constexpr char16_t windows1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                          0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The line at the text's start, which it consumes with its line end.
std::string_view nextLine(std::string_view& text)
{
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    return line;
}

bool isUtf8(std::string_view bytes)
{
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = utf8CharacterLength(bytes, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string utf8FromWindows1252(std::string_view bytes)
{
    std::u16string units(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), units.begin(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x80 && byte < 0xA0 ? windows1252High[byte - 0x80] : static_cast<char16_t>(byte);
    });
    return utf8FromUtf16(units);
}

// Line by line, so that two lists joined into one, one from Notepad and one from Excel, both read
// right. German in Windows-1252 is not also well-formed UTF-8 unless an umlaut follows an 'Ã' or 'Â'.
std::string linesAsUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    while (!text.empty()) {
        const bool lineEnds = text.find('\n') != std::string_view::npos;
        const std::string_view line = nextLine(text);
        out += isUtf8(line) ? std::string(line) : utf8FromWindows1252(line);
        out += lineEnds ? "\n" : "";
    }
    return out;
}

// A letter's lower case in the scripts a site is named in (Latin with Europe's accents, Greek,
// Cyrillic), all of one or two UTF-8 bytes; anything else as it is.
char32_t lowerLetter(char32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 0x50;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    // Latin Extended-A pairs each upper case letter with the lower case after it, the upper on the even
    // code point but in two runs, where it is on the odd.
    const bool upperOdd = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    const bool unpaired = c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F;
    return c >= 0x100 && c <= 0x17F && !unpaired && (c % 2 == 1) == upperOdd ? c + 1 : c;
}

// What two spellings of a group or a column's name share when they differ only in letter case.
std::string caseKey(std::string_view text)
{
    std::string key;
    key.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = std::max<std::size_t>(utf8CharacterLength(text, at), 1);
        const auto lead = static_cast<unsigned char>(text[at]);
        if (length == 1) {
            key += static_cast<char>(lead < 0x80 ? lowerLetter(lead) : lead);
        } else if (length == 2) {
            const char32_t c = lowerLetter((lead & 0x1Fu) << 6 | (static_cast<unsigned char>(text[at + 1]) & 0x3Fu));
            key += static_cast<char>(0xC0 | c >> 6);
            key += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            key.append(text.substr(at, length));
        }
        at += length;
    }
    return key;
}

bool isNameColumn(std::string_view cell)
{
    const std::string key = caseKey(trimmed(cell));
    return key == "computername" || key == "name" || key == "hostname" || key == "dnshostname";
}

// One record of a delimited file, and whether the file ended inside a quote.
struct CsvRecord {
    std::vector<std::string> cells;
    bool isOpen = false;
};

// The record at the text's start, which it consumes with its line end: cells split at any of the
// delimiters, a cell that starts with '"' quoted up to the next lone '"', with the delimiters,
// line ends and doubled quotes in it as text, as Excel and Export-Csv write them.
CsvRecord csvRecord(std::string_view& text, std::string_view delimiters)
{
    CsvRecord record{{std::string()}};
    bool quoted = false;
    std::size_t at = 0;
    for (; at < text.size() && (quoted || text[at] != '\n'); ++at) {
        const char c = text[at];
        std::string& cell = record.cells.back();
        if (quoted && c == '"') {
            quoted = text.substr(at + 1, 1) == "\"";
            at += quoted ? 1 : 0;
            cell += quoted ? "\"" : "";
        } else if (!quoted && c == '"' && cell.empty()) {
            quoted = true;
        } else if (quoted || c == '"' || delimiters.find(c) == std::string_view::npos) {
            cell += c;
        } else {
            record.cells.emplace_back();
        }
    }
    record.isOpen = quoted;
    text.remove_prefix(std::min(at + 1, text.size()));
    return record;
}

std::string_view cellOf(const CsvRecord& record, std::size_t column)
{
    return column < record.cells.size() ? trimmed(record.cells[column]) : std::string_view();
}

// Where a header names the columns of an Active Directory export (Get-ADComputer | Export-Csv).
struct DirectoryColumns {
    std::string_view delimiter;
    std::size_t name = 0;
    std::size_t distinguishedName = 0;
};

// The export's columns, by its header, in whatever order and among whatever others; ';' is
// what Export-Csv -UseCulture writes on a German system.
std::optional<DirectoryColumns> directoryColumns(std::string_view header)
{
    for (const std::string_view delimiter : {",", ";", "\t"}) {
        std::string_view line = header;
        const CsvRecord record = csvRecord(line, delimiter);
        std::optional<std::size_t> name;
        std::optional<std::size_t> distinguishedName;
        for (std::size_t column = 0; column < record.cells.size(); ++column) {
            const std::string key = caseKey(cellOf(record, column));
            name = key == "name" && !name ? column : name;
            distinguishedName = key == "distinguishedname" && !distinguishedName ? column : distinguishedName;
        }
        if (name && distinguishedName) {
            return DirectoryColumns{delimiter, *name, *distinguishedName};
        }
    }
    return std::nullopt;
}

// The containers above a computer from the top, without the domain: "CN=PC-1,OU=Vertrieb,OU=Hamburg,
// DC=corp,DC=lan" is "Hamburg/Vertrieb". One in no OU gets the container it is in ("Computers",
// where Windows puts new ones, so that the unsorted stand out), one right under the domain "". A
// distinguished name escapes ',' and the like with '\', any byte as '\' and two hex digits.
std::string directoryPath(std::string_view distinguishedName)
{
    std::vector<std::string> parts(1);
    for (std::size_t at = 0; at < distinguishedName.size(); ++at) {
        unsigned byte = 0;
        const char* const hex = distinguishedName.data() + at + 1;
        const bool hasHex = distinguishedName[at] == '\\' && at + 3 <= distinguishedName.size() &&
                            std::from_chars(hex, hex + 2, byte, 16).ptr == hex + 2;
        if (hasHex) {
            parts.back() += static_cast<char>(byte);
            at += 2;
        } else if (distinguishedName[at] == '\\' && at + 1 < distinguishedName.size()) {
            parts.back() += distinguishedName[++at];
        } else if (distinguishedName[at] == ',') {
            parts.emplace_back();
        } else {
            parts.back() += distinguishedName[at];
        }
    }
    std::string path;
    for (auto part = parts.rbegin(); part + 1 < parts.rend(); ++part) {
        const std::size_t equals = std::min(part->find('='), part->size());
        if (caseKey(trimmed(std::string_view(*part).substr(0, equals))) != "dc") {
            path += path.empty() ? "" : "/";
            path += trimmed(std::string_view(*part).substr(std::min(equals + 1, part->size())));
        }
    }
    return validUtf8(path);
}

// The machines so far, each once, and the first spelling of each group.
struct KeptMachines {
    std::vector<ExpectedMachine> machines;
    std::unordered_set<std::string> names;               // by machineKey
    std::unordered_map<std::string, std::size_t> groups; // by caseKey, the machine that spells it first
};

// Keeps a machine unless one of the same name (by machineKey) came before, with its group as the file
// first spells it: PowerShell refuses JSON whose keys differ only in case.
void keep(KeptMachines& kept, std::string_view name, std::string group)
{
    if (name.empty() || !kept.names.insert(machineKey(name)).second) {
        return;
    }
    if (!group.empty()) {
        const std::size_t first = kept.groups.try_emplace(caseKey(group), kept.machines.size()).first->second;
        if (first != kept.machines.size()) {
            group = kept.machines[first].group;
        }
    }
    kept.machines.push_back(ExpectedMachine{std::string(name), std::move(group)});
}

// The computers of an export whose header starts the text, at line number.
Expected<void, ExpectedListFault> keepExport(KeptMachines& kept, std::string_view text, std::size_t number,
                                             const DirectoryColumns& columns)
{
    nextLine(text);
    ++number;
    while (!text.empty()) {
        const std::string_view start = text;
        const CsvRecord record = csvRecord(text, columns.delimiter);
        if (record.isOpen) {
            return unexpected(ExpectedListFault{number, "ein Anführungszeichen wird nicht geschlossen"});
        }
        number += static_cast<std::size_t>(std::count(start.data(), start.data() + start.size() - text.size(), '\n'));
        keep(kept, cellOf(record, columns.name), directoryPath(cellOf(record, columns.distinguishedName)));
    }
    return {};
}

// The machines of a list, one a line with its group in the second column.
void keepList(KeptMachines& kept, std::string_view text)
{
    bool isFirst = true;
    while (!text.empty()) {
        const std::string_view line = nextLine(text);
        std::string_view content = line.substr(0, line.find('#'));
        const CsvRecord record = csvRecord(content, ";\t");
        const std::string_view name = cellOf(record, 0);
        // A first line that names the column is the header Excel's users give a list.
        if (!name.empty() && !(std::exchange(isFirst, false) && isNameColumn(name))) {
            keep(kept, name, std::string(cellOf(record, 1)));
        }
    }
}

// The text from its first line that holds more than blanks or a comment (PowerShell 5.1's export
// starts with "#TYPE"), and that line's number.
std::string_view fromFirstEntry(std::string_view text, std::size_t& number)
{
    for (std::string_view rest = text; !rest.empty(); ++number) {
        text = rest;
        const std::string_view line = nextLine(rest);
        if (!trimmed(line.substr(0, line.find('#'))).empty()) {
            return text;
        }
    }
    return {};
}

} // namespace

Expected<ExpectedList, ExpectedListFault> parseExpectedList(std::string_view file)
{
    // A list made with PowerShell 5.1's '>' is UTF-16; Notepad marks UTF-8 at its start.
    const bool isUtf16 = file.starts_with("\xFF\xFE");
    std::string decoded = isUtf16 ? utf8FromUtf16Le(file.substr(2)) : std::string();
    std::string_view text = isUtf16 ? std::string_view(decoded) : file;
    if (text.starts_with(byteOrderMark)) {
        text.remove_prefix(3);
    }
    if (const std::size_t mark = text.find(byteOrderMark); mark != std::string_view::npos) {
        const auto lines = static_cast<std::size_t>(std::count(text.data(), text.data() + mark, '\n'));
        return unexpected(
            ExpectedListFault{lines + 1, "ein Byte-Order-Mark mitten in der Datei (zwei Listen aneinandergehängt?)"});
    }
    ExpectedList list;
    list.isWindows1252 = !isUtf8(text);
    if (list.isWindows1252) {
        decoded = linesAsUtf8(text);
        text = decoded;
    }
    std::size_t number = 1;
    const std::string_view entries = fromFirstEntry(text, number);
    std::string_view header = entries;
    const std::optional<DirectoryColumns> columns = directoryColumns(nextLine(header));
    KeptMachines kept;
    if (columns) {
        if (auto read = keepExport(kept, entries, number, *columns); !read) {
            return unexpected(read.error());
        }
    } else {
        keepList(kept, entries);
    }
    list.machines = std::move(kept.machines);
    return list;
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
