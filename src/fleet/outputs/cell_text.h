#pragma once

#include "core/check_item.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill::fleet {

// Appends text for HTML, safe in an element and in an attribute whichever quotes it uses: & < > "
// and ' as entities, control characters as '?' (a second guard behind the reader), malformed
// UTF-8 as U+FFFD. Plain text, nearly every name, brand and detail, is not copied twice.
void appendHtmlEscaped(std::string& out, std::string_view text);
std::string htmlEscaped(std::string_view text);

// Appends one CSV cell (RFC 4180, ';' between cells): quoted where it holds ';', ',', a tab, a
// quote or a line end; with a leading apostrophe where it starts like a formula, since names,
// brands and details come from the machines; control characters as '?'.
void appendCsvCell(std::string& out, std::string_view cell);

// A size as German writes it, "3,9 GiB", or "" where there is none; gibFigure without the unit,
// "3,9", for a column whose header names it and which a spreadsheet takes as a number.
std::string gibText(const std::optional<std::uint64_t>& bytes);
std::string gibFigure(const std::optional<std::uint64_t>& bytes);

// The item's detail with its size as German writes it ("3,9 GiB installiert" where the report
// has "3.9 GiB installiert"), made from its finding and value; any other detail as the report has it.
std::string germanDetail(const CheckItem& item);

// "OK - detail" or "NO - detail" ("OK"/"NO" alone for an empty detail): one check's cell, its
// detail as germanDetail gives it.
std::string checkCell(const CheckItem& item);

} // namespace quill::fleet
