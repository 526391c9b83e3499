#pragma once

#include "core/check_item.h"

#include <string>

namespace quill {

// Everything one run found and derived; console report and report file both read it.
struct Assessment {
    std::string brand;  // the processor's brand text, as read
    std::string vendor; // the processor's vendor text, as read
    CheckList technicalChecks;
    CheckList officialChecks;
    BlockerList technicalBlockers;
    BlockerList officialBlockers;
    bool technicallyCompatible = false;
    bool officiallyCompatible = false;
};

// Derives verdicts and blocker lines from the finished lists.
Assessment deriveAssessment(std::string brand, std::string vendor, CheckList technicalChecks, CheckList officialChecks);

// The process exit status for the assessment's verdicts.
int exitCodeOf(const Assessment& assessment);

} // namespace quill
