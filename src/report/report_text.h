#pragma once

#include "core/assessment.h"

#include <string>

namespace quill {

// The plain-text report, LF line ends, no colour. The three flags are the values of the
// verdict lines "Technisch kompatibel", "Offiziell kompatibel" and "Technisch geeignet".
// Control characters in brand and vendor are written as '?', as the console shows them, so
// that every report keeps its lines; any other text is written byte for byte.
std::string buildReportText(const std::string& brand, const std::string& vendor, const CheckList& technicalChecks,
                            const CheckList& officialChecks, const BlockerList& technicalBlockers,
                            const BlockerList& officialBlockers, bool technicallyCompatible, bool officiallyCompatible,
                            bool technicallySuitable);

// The report for a finished assessment.
std::string buildReportText(const Assessment& assessment);

} // namespace quill
