#include "core/assessment.h"

#include "core/verdicts.h"

#include <utility>

namespace quill {

Assessment deriveAssessment(std::string brand, std::string vendor, CheckList technicalChecks, CheckList officialChecks)
{
    Assessment result;
    result.technicallyCompatible = allPassed(technicalChecks);
    result.officiallyCompatible = isOfficiallyCompatible(result.technicallyCompatible, officialChecks);
    result.technicalBlockers = collectBlockers(technicalChecks);
    result.officialBlockers = collectBlockers(officialChecks);
    result.brand = std::move(brand);
    result.vendor = std::move(vendor);
    result.technicalChecks = std::move(technicalChecks);
    result.officialChecks = std::move(officialChecks);
    return result;
}

int exitCodeOf(const Assessment& assessment)
{
    return exitCodeFor(assessment.technicallyCompatible, assessment.officiallyCompatible);
}

} // namespace quill
