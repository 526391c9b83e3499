#pragma once

#include "core/check_item.h"
#include "probes/processor.h"

namespace quill {

// Everything one run found and derived; console report and report file both read it.
struct Assessment {
    ProcessorInfo processor;
    CheckList technicalChecks;
    CheckList officialChecks;
    BlockerList technicalBlockers;
    BlockerList officialBlockers;
    bool technicallyCompatible = false;
    bool officiallyCompatible = false;
};

// Derives verdicts and blocker lines from the finished lists.
Assessment deriveAssessment(ProcessorInfo processor, CheckList technicalChecks, CheckList officialChecks);

// The process exit status for the assessment's verdicts.
int exitCodeOf(const Assessment& assessment);

} // namespace quill
