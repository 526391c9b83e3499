#include "fleet/files/inventory.h"

#include "core/inventory_format.h"
#include "platform/platform.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <bitset>
#include <chrono>
#include <limits>
#include <system_error>
#include <vector>

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

std::string* textField(Inventory& inventory, InventoryKey key)
{
    switch (key) {
    case InventoryKey::computerName:
        return &inventory.computerName;
    case InventoryKey::collected:
        return &inventory.collected;
    case InventoryKey::manufacturer:
        return &inventory.manufacturer;
    case InventoryKey::model:
        return &inventory.model;
    case InventoryKey::modelNumber:
        return &inventory.modelNumber;
    case InventoryKey::serial:
        return &inventory.serial;
    case InventoryKey::os:
        return &inventory.os;
    case InventoryKey::bitlocker:
        return &inventory.bitlocker;
    case InventoryKey::partitionStyle:
        return &inventory.partitionStyle;
    case InventoryKey::cpuVendor:
        return &inventory.cpuVendor;
    default:
        return nullptr;
    }
}

std::optional<std::uint32_t>* numberField(Inventory& inventory, InventoryKey key)
{
    switch (key) {
    case InventoryKey::cpuFamily:
        return &inventory.cpuFamily;
    case InventoryKey::cpuModel:
        return &inventory.cpuModel;
    case InventoryKey::cpuStepping:
        return &inventory.cpuStepping;
    case InventoryKey::cpuCores:
        return &inventory.cpuCores;
    case InventoryKey::cpuLogical:
        return &inventory.cpuLogical;
    case InventoryKey::cpuMaxMhz:
        return &inventory.cpuMaxMhz;
    default:
        return nullptr;
    }
}

// The parser's events for one inventory, taken into the record by the format's rows in one pass
// and without a document tree. Anything a row does not allow ends the parse, and so does a key
// given twice: JSON leaves that to the reader, and the value shown must be the only one there.
// Keys the format does not know are passed over, whatever they hold.
struct InventoryEvents {
    Inventory& inventory;
    int depth = 0;                         // 1 inside the inventory's object
    std::optional<InventoryKey> current{}; // the member whose value comes next, where it is one of ours
    std::bitset<inventoryFields.size()> seen{};
    std::vector<std::string> otherKeys{};

    // Where the value now read stands: before the object (no inventory), as one of our members,
    // or in a member the format does not know.
    enum class Place : std::uint8_t { outside, ours, other };
    [[nodiscard]] Place place() const
    {
        if (depth == 0) {
            return Place::outside;
        }
        return depth == 1 && current ? Place::ours : Place::other;
    }
    [[nodiscard]] InventoryKind kind() const { return inventoryField(*current).kind; }

    [[nodiscard]] bool null() const
    {
        if (place() != Place::ours) {
            return place() == Place::other;
        }
        return kind() == InventoryKind::number || kind() == InventoryKind::flag; // unknown: left empty
    }
    bool boolean(bool value)
    {
        if (place() != Place::ours) {
            return place() == Place::other;
        }
        if (kind() != InventoryKind::flag) {
            return false;
        }
        inventory.virtualMachine = value;
        return true;
    }
    bool number_unsigned(std::uint64_t value)
    {
        if (place() != Place::ours) {
            return place() == Place::other;
        }
        std::optional<std::uint32_t>* const field = numberField(inventory, *current);
        if (field == nullptr || value > std::numeric_limits<std::uint32_t>::max()) {
            return false;
        }
        *field = static_cast<std::uint32_t>(value);
        return true;
    }
    // Negative and fractional numbers are no count of ours.
    [[nodiscard]] bool number_integer(std::int64_t /*value*/) const { return place() == Place::other; }
    [[nodiscard]] bool number_float(double /*value*/, const std::string& /*text*/) const
    {
        return place() == Place::other;
    }
    bool string(std::string& value)
    {
        if (place() != Place::ours) {
            return place() == Place::other;
        }
        std::string* const field = textField(inventory, *current);
        const InventoryField& row = inventoryField(*current);
        if (field == nullptr || (row.kind == InventoryKind::word &&
                                 std::find(row.words.begin(), row.words.end(), value) == row.words.end())) {
            return false;
        }
        *field = row.kind == InventoryKind::hardware ? knownHardwareText(value) : std::move(value);
        return true;
    }
    static bool binary(nlohmann::json::binary_t& /*value*/) { return false; }
    // The inventory's own object, or one inside a member that is not ours; no member of ours
    // holds an object or an array.
    bool start_object(std::size_t /*size*/)
    {
        const Place at = place();
        ++depth;
        return at != Place::ours;
    }
    bool start_array(std::size_t /*size*/)
    {
        const Place at = place();
        ++depth;
        return at == Place::other;
    }
    bool end_object() { return --depth >= 0; }
    bool end_array() { return --depth >= 0; }
    bool key(std::string& name)
    {
        if (depth != 1) {
            return true;
        }
        current = inventoryKeyNamed(name);
        if (!current) {
            const bool again = std::find(otherKeys.begin(), otherKeys.end(), name) != otherKeys.end();
            otherKeys.push_back(std::move(name));
            return !again;
        }
        const auto index = static_cast<std::size_t>(*current);
        const bool again = seen.test(index);
        seen.set(index);
        return !again;
    }
    static bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                            const nlohmann::json::exception& /*error*/)
    {
        return false;
    }
};

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
    Inventory inventory;
    InventoryEvents events{inventory};
    if (!nlohmann::json::sax_parse(bytes, &events)) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> collected = parseIsoTime(inventory.collected);
    if (inventory.computerName.empty() || !collected) {
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
