#pragma once

#include "core/check_item.h"
#include "core/console_output.h"
#include "core/finding_table.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace quill::testing {

inline constexpr const char* fullHint =
    "Hinweis: Dieses System erfuellt die technischen Kernanforderungen und die offiziellen Microsoft-Anforderungen.\n";
inline constexpr const char* officialHint = "Hinweis: Die technischen Kernanforderungen sind erfuellt, aber mindestens "
                                            "eine offizielle Microsoft-Anforderung fehlt.\n";
inline constexpr const char* technicalHint = "Hinweis: Es fehlen echte technische Voraussetzungen. Eine Installation "
                                             "ist in diesem Zustand technisch nicht sinnvoll.\n";

// An item as a report's line gives it: its detail read into a finding as the reader reads it.
inline CheckItem reportedItem(const std::string& name, bool passed, std::string detail)
{
    const CheckDefinition* row = findDefinition(name);
    return row != nullptr ? checkItemFromText(row->check, passed, std::move(detail))
                          : CheckItem{name, passed, std::move(detail)};
}

inline CheckItem passedItem(const std::string& name, std::string detail = "vorhanden")
{
    return reportedItem(name, true, std::move(detail));
}

inline CheckItem failedItem(const std::string& name, std::string detail = "fehlt")
{
    return reportedItem(name, false, std::move(detail));
}

// The script as text with every colour change written as <N>, e.g. "<11>Quillbrook\n<7>".
inline std::string transcript(const ConsoleScript& script)
{
    std::string out;
    playScript(
        script, true,
        ConsoleSink{[&out](std::string_view text) { out += text; },
                    [&out](Attribute attribute) { out += "<" + std::to_string(static_cast<int>(attribute)) + ">"; }});
    return out;
}

// Compares two multi-line texts and names the first line where they part.
inline ::testing::AssertionResult sameLines(const std::string& expected, const std::string& actual)
{
    if (expected == actual) {
        return ::testing::AssertionSuccess();
    }
    std::istringstream e(expected);
    std::istringstream a(actual);
    std::string el;
    std::string al;
    for (int line = 1;; ++line) {
        const bool moreE = static_cast<bool>(std::getline(e, el));
        const bool moreA = static_cast<bool>(std::getline(a, al));
        if (!moreE && !moreA) {
            return ::testing::AssertionFailure() << "texts differ only in their final line end";
        }
        if (!moreE || !moreA || el != al) {
            return ::testing::AssertionFailure()
                   << "first difference in line " << line << "\n  expected: \"" << (moreE ? el : "<end>")
                   << "\"\n  actual:   \"" << (moreA ? al : "<end>") << "\"";
        }
    }
}

} // namespace quill::testing
