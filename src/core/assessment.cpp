#include "core/assessment.h"

#include "core/verdicts.h"

#include <utility>

namespace quill {

Assessment deriveAssessment(ProcessorInfo processor, CheckList technicalChecks, CheckList officialChecks)
{
    Assessment result;
    result.technicallyCompatible = allPassed(technicalChecks);
    result.officiallyCompatible = isOfficiallyCompatible(result.technicallyCompatible, officialChecks);
    result.technicalBlockers = collectBlockers(technicalChecks);
    result.officialBlockers = collectBlockers(officialChecks);
    result.processor = std::move(processor);
    result.technicalChecks = std::move(technicalChecks);
    result.officialChecks = std::move(officialChecks);
    return result;
}

int exitCodeOf(const Assessment& assessment)
{
    return exitCodeFor(assessment.technicallyCompatible, assessment.officiallyCompatible);
}

} // namespace quill
