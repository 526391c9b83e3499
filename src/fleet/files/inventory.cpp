#include "fleet/files/inventory.h"

#include "platform/platform.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <system_error>

namespace quill::fleet {
namespace {

namespace fs = std::filesystem;

// An inventory is a dozen short values; anything much larger is not one.
constexpr std::size_t maxInventoryBytes = std::size_t{16} * 1024;

// The digits at text[at, at + count) as a number, or -1.
int digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size()) {
        return -1;
    }
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool separatorsAt(std::string_view text)
{
    return text.size() >= 19 && text[4] == '-' && text[7] == '-' && (text[10] == 'T' || text[10] == 't') &&
           text[13] == ':' && text[16] == ':';
}

// "Z" or "+HH:MM"/"-HH:MM" in seconds east of UTC, or nullopt.
std::optional<long> offsetSeconds(std::string_view zone)
{
    if (zone == "Z" || zone == "z") {
        return 0;
    }
    const int hours = digits(zone, 1, 2);
    const int minutes = digits(zone, 4, 2);
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':' || hours < 0 || hours > 14 ||
        minutes < 0 || minutes > 59) {
        return std::nullopt;
    }
    const long east = (hours * 60L + minutes) * 60L;
    return zone[0] == '+' ? east : -east;
}

// A string member, "" when absent; false when present as anything but a string.
bool stringMember(const nlohmann::json& object, const char* key, std::string& value)
{
    const auto found = object.find(key);
    if (found == object.end()) {
        return true;
    }
    if (!found->is_string()) {
        return false;
    }
    value = found->get<std::string>();
    return true;
}

bool oneOf(const std::string& value, std::initializer_list<std::string_view> words)
{
    return std::any_of(words.begin(), words.end(), [&value](std::string_view word) { return value == word; });
}

bool virtualMachineMember(const nlohmann::json& object, std::optional<bool>& value)
{
    const auto found = object.find("virtual_machine");
    if (found == object.end() || found->is_null()) {
        return true;
    }
    if (!found->is_boolean()) {
        return false;
    }
    value = found->get<bool>();
    return true;
}

} // namespace

std::optional<std::int64_t> parseIsoTime(std::string_view text)
{
    if (!separatorsAt(text)) {
        return std::nullopt;
    }
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    std::size_t zone = 19;
    if (zone < text.size() && (text[zone] == '.' || text[zone] == ',')) {
        do {
            ++zone;
        } while (zone < text.size() && text[zone] >= '0' && text[zone] <= '9');
    }
    const std::optional<long> offset = offsetSeconds(text.substr(zone));
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    // Nanoseconds since 1970 in 64 bits reach from 1677 to 2262; a year outside is no collection time.
    if (year < 1678 || year > 2261 || !date.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 60 || !offset) {
        return std::nullopt;
    }
    const sys_seconds local = sys_days(date) + hours(hour) + minutes(minute) + seconds(second);
    return duration_cast<nanoseconds>((local - seconds(*offset)).time_since_epoch()).count();
}

std::optional<Inventory> parseInventory(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    const nlohmann::json object = nlohmann::json::parse(bytes, nullptr, false);
    Inventory inventory;
    if (!object.is_object()) {
        return std::nullopt;
    }
    const bool typesRight =
        stringMember(object, "computer_name", inventory.computerName) &&
        stringMember(object, "collected", inventory.collected) &&
        stringMember(object, "manufacturer", inventory.manufacturer) &&
        stringMember(object, "model", inventory.model) && stringMember(object, "serial", inventory.serial) &&
        stringMember(object, "os", inventory.os) && stringMember(object, "bitlocker", inventory.bitlocker) &&
        stringMember(object, "partition_style", inventory.partitionStyle) &&
        virtualMachineMember(object, inventory.virtualMachine);
    const std::optional<std::int64_t> collected = parseIsoTime(inventory.collected);
    if (!typesRight || inventory.computerName.empty() || !collected ||
        !oneOf(inventory.bitlocker, {"on", "off", "unknown"}) ||
        !oneOf(inventory.partitionStyle, {"gpt", "mbr", "unknown"})) {
        return std::nullopt;
    }
    inventory.collectedTime = *collected;
    return inventory;
}

fs::path inventoryPath(const fs::path& report)
{
    fs::path path = report;
    path.replace_extension(".inventory.json");
    return path;
}

InventoryReading readInventory(const fs::path& report, std::string& buffer)
{
    InventoryReading reading;
    const fs::path path = inventoryPath(report);
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    // The report beside it was just read, so the only error left is a name that the ending makes
    // too long for the file system: no such file can be there.
    if (error || status.type() == fs::file_type::not_found) {
        return reading;
    }
    reading.present = true;
    // Like the reports: a link is not followed, a FIFO not waited for, only a regular file read.
    const platform::FileStart start =
        platform::readFileStart(path.native(), maxInventoryBytes + 1, buffer, /*followLink=*/false);
    if (start.read && buffer.size() <= maxInventoryBytes) {
        reading.inventory = parseInventory(buffer);
        reading.modified = start.modified;
    }
    return reading;
}

} // namespace quill::fleet
