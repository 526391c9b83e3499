#include "core/verdicts.h"

#include <algorithm>

namespace quill {

std::string blockerLine(const CheckItem& item)
{
    return item.detail.empty() ? item.name : item.name + " - " + item.detail;
}

BlockerList collectBlockers(const CheckList& checks)
{
    BlockerList lines;
    for (const CheckItem& item : checks) {
        if (!item.passed) {
            lines.push_back(blockerLine(item));
        }
    }
    return lines;
}

bool allPassed(const CheckList& checks)
{
    return std::all_of(checks.begin(), checks.end(), [](const CheckItem& item) { return item.passed; });
}

bool isOfficiallyCompatible(bool technicallyCompatible, const CheckList& officialChecks)
{
    return technicallyCompatible && allPassed(officialChecks);
}

std::string_view verdictWord(bool value)
{
    return value ? "JA" : "NEIN";
}

std::string_view closingHint(bool technicallySuitable, bool officiallyCompatible)
{
    if (!technicallySuitable) {
        return "Hinweis: Es fehlen echte technische Voraussetzungen. Eine Installation ist in diesem Zustand "
               "technisch nicht sinnvoll.\n";
    }
    if (officiallyCompatible) {
        return "Hinweis: Dieses System erfuellt die technischen Kernanforderungen und die offiziellen "
               "Microsoft-Anforderungen.\n";
    }
    return "Hinweis: Die technischen Kernanforderungen sind erfuellt, aber mindestens eine offizielle "
           "Microsoft-Anforderung fehlt.\n";
}

int exitCodeFor(bool technicallyCompatible, bool officiallyCompatible)
{
    if (officiallyCompatible) {
        return 0;
    }
    return technicallyCompatible ? 1 : 2;
}

} // namespace quill
