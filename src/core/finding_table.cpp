#include "core/finding_table.h"

#include "core/enum_table.h"
#include "core/gib_format.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <utility>

namespace quill {
namespace {

static_assert(isInEnumOrder(findingTable, &FindingDefinition::finding),
              "findingTable lists the findings in enum order");

bool standsOn(const FindingDefinition& row, Check check)
{
    return check >= row.first && check <= row.last;
}

bool isOther(const FindingDefinition& row)
{
    return row.text.empty() && row.value == FindingValue::none;
}

// Every check has exactly one "other" row, so every text reads as some finding of its check.
constexpr bool everyCheckHasOneOther()
{
    for (const CheckDefinition& check : checkTable) {
        std::size_t others = 0;
        for (const FindingDefinition& row : findingTable) {
            if (check.check >= row.first && check.check <= row.last && row.text.empty() &&
                row.value == FindingValue::none) {
                ++others;
            }
        }
        if (others != 1) {
            return false;
        }
    }
    return true;
}
static_assert(everyCheckHasOneOther(), "each check has one row for texts no other row knows");

// "238.4 GiB" as written by formatGiB, in bytes: the tenths back to the nearest byte.
std::optional<std::uint64_t> gibBytes(std::string_view text)
{
    const std::size_t point = text.find('.');
    if (point == 0 || point == std::string_view::npos || point > 12 || text.size() != point + 6 ||
        text.substr(point + 2) != " GiB" || text[point + 1] < '0' || text[point + 1] > '9') {
        return std::nullopt;
    }
    std::uint64_t tenths = 0;
    for (const char c : text.substr(0, point)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        tenths = tenths * 10 + static_cast<std::uint64_t>(c - '0');
    }
    tenths = tenths * 10 + static_cast<std::uint64_t>(text[point + 1] - '0');
    constexpr std::uint64_t gib = std::uint64_t{1} << 30;
    // The largest count, 2^64 - 1 bytes, shows as 2^34 GiB: a figure that far up is the largest.
    constexpr std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    return tenths > (largest - 5) / gib ? largest : (tenths * gib + 5) / 10;
}

// Plain decimal as std::to_string writes an unsigned 32-bit number: no sign, no leading zero.
std::optional<std::uint64_t> decimal(std::string_view text)
{
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || (text.size() > 1 && text.front() == '0')) {
        return std::nullopt;
    }
    return number;
}

// The row's value in detail, nullopt where the detail is not the row's.
std::optional<std::uint64_t> valueIn(const FindingDefinition& row, std::string_view detail)
{
    if (row.value == FindingValue::none) {
        return detail == row.text ? std::optional<std::uint64_t>(0) : std::nullopt;
    }
    if (detail.size() < row.text.size() + row.after.size() || !detail.starts_with(row.text) ||
        !detail.ends_with(row.after)) {
        return std::nullopt;
    }
    const std::string_view shown = detail.substr(row.text.size(), detail.size() - row.text.size() - row.after.size());
    return row.value == FindingValue::gib ? gibBytes(shown) : decimal(shown);
}

} // namespace

std::string findingText(Finding finding, std::uint64_t value)
{
    const FindingDefinition& row = definitionOf(finding);
    std::string text(row.text);
    if (row.value == FindingValue::gib) {
        text += formatGiB(value);
    } else if (row.value == FindingValue::decimal) {
        text += std::to_string(static_cast<std::uint32_t>(value));
    }
    text += row.after;
    return text;
}

FindingReading readFinding(Check check, std::string_view detail)
{
    for (const FindingDefinition& row : findingTable) {
        if (!standsOn(row, check) || isOther(row)) {
            continue;
        }
        const std::optional<std::uint64_t> value = valueIn(row, detail);
        if (value && (row.onlyValue == 0 || *value == row.onlyValue)) {
            return FindingReading{row.finding, *value};
        }
    }
    // The table is checked to give every check exactly one "other" row, so this finds one.
    const auto* other =
        std::find_if(std::begin(findingTable), std::end(findingTable),
                     [check](const FindingDefinition& row) { return standsOn(row, check) && isOther(row); });
    return FindingReading{other->finding, 0};
}

CheckItem checkItem(Check check, bool passed, Finding finding, std::uint64_t value)
{
    return CheckItem{std::string(checkName(check)), passed, findingText(finding, value), finding, value};
}

CheckItem checkItemFromText(Check check, bool passed, std::string detail)
{
    const FindingReading reading = readFinding(check, detail);
    return CheckItem{std::string(checkName(check)), passed, std::move(detail), reading.finding, reading.value};
}

} // namespace quill
