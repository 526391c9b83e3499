#pragma once

#include "core/assessment.h"

#include <string>

namespace quill {

// The values the three verdict lines show: "Technisch kompatibel", "Offiziell kompatibel" and
// "Technisch geeignet". A run shows its assessment's (the first and third alike); the writer takes
// them as given.
struct ShownVerdicts {
    bool technicallyCompatible = false;
    bool officiallyCompatible = false;
    bool technicallySuitable = false;
};

// The plain-text report, LF line ends, no colour: the assessment's processor, items and blocker
// lines with the verdicts shown. Control characters in brand and vendor are written as '?', as
// the console shows them, so that every report keeps its lines; any other text is written byte
// for byte.
std::string buildReportText(const Assessment& assessment, const ShownVerdicts& shown);

// The report for a finished assessment, its own verdicts shown.
std::string buildReportText(const Assessment& assessment);

} // namespace quill
