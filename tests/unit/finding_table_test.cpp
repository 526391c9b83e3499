#include "core/finding_table.h"
#include "core/report_layout.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace quill {
namespace {

// Values each kind of finding is written with: the smallest, an ordinary one, the largest.
std::vector<std::uint64_t> valuesOf(const FindingDefinition& row)
{
    constexpr std::uint64_t gib = std::uint64_t{1} << 30;
    switch (row.value) {
    case FindingValue::gib:
        return {0, 8 * gib, std::numeric_limits<std::uint64_t>::max()};
    case FindingValue::decimal:
        return row.onlyValue != 0 ? std::vector<std::uint64_t>{row.onlyValue}
                                  : std::vector<std::uint64_t>{0, 5, std::numeric_limits<std::uint32_t>::max()};
    case FindingValue::none:
        break;
    }
    return {0};
}

// Every finding, worded as the report words it, reads back as itself with its value on every
// check it stands on, and fits the length the reader allows; any other words read as the check's
// "other" finding. The fleet plans from what this gives, so a row reworded stays the same finding.
TEST(FindingTable, EveryFindingReadsBackFromItsWords)
{
    for (const FindingDefinition& row : findingTable) {
        for (auto check = static_cast<std::size_t>(row.first); check <= static_cast<std::size_t>(row.last); ++check) {
            const Check on = checkTable[check].check;
            if (row.text.empty() && row.value == FindingValue::none) {
                EXPECT_EQ(readFinding(on, "Worte, die keine Version schrieb").finding, row.finding);
                continue;
            }
            for (const std::uint64_t value : valuesOf(row)) {
                const std::string text = findingText(row.finding, value);
                const FindingReading read = readFinding(on, text);
                EXPECT_EQ(read.finding, row.finding) << text;
                EXPECT_EQ(read.value, value) << text;
                EXPECT_LE(text.size(), maxDetailBytes) << text;
            }
        }
    }
}

} // namespace
} // namespace quill
