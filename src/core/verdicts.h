#pragma once

#include "core/check_item.h"

#include <string>
#include <string_view>

namespace quill {

// One line per failed item, in list order: the name alone, or name " - " detail.
BlockerList collectBlockers(const CheckList& checks);
std::string blockerLine(const CheckItem& item);

// True when no item failed; an empty list counts as passed.
bool allPassed(const CheckList& checks);

// Officially compatible needs the technical verdict as well as every official item.
bool isOfficiallyCompatible(bool technicallyCompatible, const CheckList& officialChecks);

// "JA" or "NEIN".
std::string_view verdictWord(bool value);

// The closing hint for the three verdict values shown (technical, official, suitable).
std::string_view closingHint(bool technicallySuitable, bool officiallyCompatible);

// 0 officially compatible, 1 only technically compatible, 2 otherwise.
int exitCodeFor(bool technicallyCompatible, bool officiallyCompatible);

} // namespace quill
