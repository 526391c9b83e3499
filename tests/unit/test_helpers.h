#pragma once

#include "core/check_item.h"
#include "core/console_output.h"

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

inline CheckItem passedItem(std::string name, std::string detail = "vorhanden")
{
    return CheckItem{std::move(name), true, std::move(detail)};
}

inline CheckItem failedItem(std::string name, std::string detail = "fehlt")
{
    return CheckItem{std::move(name), false, std::move(detail)};
}

// The script as text with every colour change written as <N>, e.g. "<11>Quillbrook\n<7>".
inline std::string transcript(const ConsoleScript& script)
{
    std::string out;
    for (const ConsolePiece& piece : script) {
        out += piece.isAttribute ? "<" + std::to_string(static_cast<int>(piece.attribute)) + ">" : piece.text;
    }
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
