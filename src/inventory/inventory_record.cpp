#include "inventory/inventory_record.h"

#include "core/utf8_text.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

namespace quill::inventory {
namespace {

constexpr std::size_t rawHeaderBytes = 8; // calling method, major, minor, DMI revision, length

std::uint8_t byteAt(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint8_t>(bytes[at]);
}

// The strings after a structure's formatted part, and the offset of the next structure.
std::vector<std::string_view> structureStrings(std::string_view table, std::size_t at, std::size_t& next)
{
    std::vector<std::string_view> strings;
    std::size_t position = at;
    while (position < table.size() && table[position] != '\0') {
        const std::size_t end = std::min(table.find('\0', position), table.size());
        strings.push_back(table.substr(position, end - position));
        position = end + 1;
    }
    // An empty set of strings still ends in two zero bytes.
    next = position + (strings.empty() ? 2 : 1);
    return strings;
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string()
                                           : std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string stringAt(const std::vector<std::string_view>& strings, std::uint8_t index)
{
    return index == 0 || index > strings.size() ? std::string() : trimmed(strings[index - 1u]);
}

bool contains(std::string_view text, std::string_view part)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

void appendJsonString(std::string& out, std::string_view bytes)
{
    out += '"';
    for (const char c : validUtf8(bytes)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
}

std::string localIsoTime(std::int64_t now, int offsetMinutes)
{
    using namespace std::chrono;
    const sys_seconds local = floor<seconds>(sys_time<nanoseconds>(nanoseconds(now))) + minutes(offsetMinutes);
    const sys_days day = floor<days>(local);
    const year_month_day date(day);
    const hh_mm_ss<seconds> clock(local - day);
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld%c%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long>(clock.hours().count()), static_cast<long>(clock.minutes().count()),
                  static_cast<long>(clock.seconds().count()), offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::string_view partitionStyleId(const std::optional<std::uint32_t>& style)
{
    if (!style || *style > 1) {
        return "unknown";
    }
    return *style == 0 ? "mbr" : "gpt";
}

} // namespace

std::optional<SmbiosSystem> smbiosSystem(std::string_view raw)
{
    if (raw.size() < rawHeaderBytes) {
        return std::nullopt;
    }
    std::string_view table = raw.substr(rawHeaderBytes);
    std::size_t length = 0; // the table's, little-endian in the header's second DWORD
    for (std::size_t i = 0; i < 4; ++i) {
        length |= std::size_t{byteAt(raw, 4 + i)} << (8 * i);
    }
    table = table.substr(0, std::min(length, table.size()));
    for (std::size_t at = 0; at + 4 <= table.size();) {
        const std::uint8_t type = byteAt(table, at);
        const std::uint8_t formatted = byteAt(table, at + 1);
        if (formatted < 4 || at + formatted > table.size() || type == 127) {
            return std::nullopt;
        }
        std::size_t next = 0;
        const std::vector<std::string_view> strings = structureStrings(table, at + formatted, next);
        if (type == 1 && formatted >= 8) {
            return SmbiosSystem{stringAt(strings, byteAt(table, at + 4)), stringAt(strings, byteAt(table, at + 5)),
                                stringAt(strings, byteAt(table, at + 7))};
        }
        at = next;
    }
    return std::nullopt;
}

std::optional<bool> virtualMachine(const std::optional<SmbiosSystem>& system)
{
    if (!system) {
        return std::nullopt;
    }
    constexpr std::array<std::string_view, 10> hypervisors = {
        "vmware", "virtualbox", "innotek", "qemu", "kvm", "xen", "parallels", "bochs", "bhyve", "virtual machine"};
    return std::any_of(hypervisors.begin(), hypervisors.end(), [&](std::string_view name) {
        return contains(system->manufacturer, name) || contains(system->product, name);
    });
}

std::string osText(const platform::InventoryAnswers& answers)
{
    std::string product = answers.productName;
    const bool eleven = answers.buildNumber.size() >= 5 && answers.buildNumber >= "22000";
    if (eleven && product.starts_with("Windows 10")) {
        product.replace(0, 10, "Windows 11");
    }
    std::string text = product;
    if (!answers.displayVersion.empty()) {
        text += (text.empty() ? "" : " ") + answers.displayVersion;
    }
    if (!answers.buildNumber.empty()) {
        text += (text.empty() ? "Build " : " (Build ") + answers.buildNumber;
        text += answers.ubr ? "." + std::to_string(*answers.ubr) : "";
        text += product.empty() && answers.displayVersion.empty() ? "" : ")";
    }
    return text;
}

std::string inventoryJson(const platform::InventoryAnswers& answers, std::string_view bitlocker)
{
    const std::optional<SmbiosSystem> system =
        answers.smbios ? smbiosSystem(*answers.smbios) : std::optional<SmbiosSystem>();
    const std::optional<bool> vm = virtualMachine(system);
    const std::pair<const char*, std::string> strings[] = {
        {"computer_name", answers.computerName},
        {"collected", localIsoTime(answers.now, answers.utcOffsetMinutes)},
        {"manufacturer", system ? system->manufacturer : ""},
        {"model", system ? system->product : ""},
        {"serial", system ? system->serial : ""},
        {"os", osText(answers)},
        {"bitlocker", std::string(bitlocker)},
        {"partition_style", std::string(partitionStyleId(answers.partitionStyle))}};
    std::string out = "{";
    for (const auto& [key, value] : strings) {
        out += out.size() == 1 ? "\"" : ", \"";
        out += key;
        out += "\": ";
        appendJsonString(out, value);
    }
    out += ", \"virtual_machine\": ";
    out += vm ? (*vm ? "true" : "false") : "null";
    out += "}\n";
    return out;
}

} // namespace quill::inventory
