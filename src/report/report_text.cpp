#include "report/report_text.h"

#include "core/printable_text.h"
#include "core/report_layout.h"
#include "core/verdicts.h"

namespace quill {
namespace {

void appendLine(std::string& out, std::string_view line)
{
    out += line;
    out += "\n";
}

void appendItemLines(std::string& out, const CheckList& checks)
{
    for (const CheckItem& item : checks) {
        out += itemTag(item.passed);
        out += " ";
        out += itemNameField(item.name);
        if (!item.detail.empty()) {
            out += detailSeparator;
            out += item.detail;
        }
        out += "\n";
    }
}

void appendBlockers(std::string& out, std::string_view title, const BlockerList& blockers)
{
    if (blockers.empty()) {
        return;
    }
    out += "\n";
    appendLine(out, title);
    for (const std::string& line : blockers) {
        out += blockerPrefix;
        appendLine(out, line);
    }
}

} // namespace

std::string buildReportText(const std::string& brand, const std::string& vendor, const CheckList& technicalChecks,
                            const CheckList& officialChecks, const BlockerList& technicalBlockers,
                            const BlockerList& officialBlockers, bool technicallyCompatible, bool officiallyCompatible,
                            bool technicallySuitable)
{
    std::string out;
    out.reserve(2048); // a report is some 1.3 KiB: grown by doubling it would be copied eight times
    appendLine(out, productLine);
    appendLine(out, separatorLine(reportRuleFill));
    out += "\n";
    // A hypervisor sets these freely; a line feed in them would split the line and leave a
    // report its own reader rejects.
    appendLine(out, std::string(cpuLabel) + printableText(brand));
    appendLine(out, std::string(vendorLabel) + printableText(vendor));
    out += "\n";

    appendLine(out, sectionTitle(CheckGroup::technical));
    appendItemLines(out, technicalChecks);
    out += "\n";
    appendLine(out, sectionTitle(CheckGroup::official));
    appendItemLines(out, officialChecks);

    out += "\n";
    appendLine(out, resultTitle);
    appendLine(out, verdictLine(technicalVerdictLabel, technicallyCompatible));
    appendLine(out, verdictLine(officialVerdictLabel, officiallyCompatible));
    appendLine(out, verdictLine(suitableVerdictLabel, technicallySuitable));

    appendBlockers(out, technicalBlockerTitle, technicalBlockers);
    appendBlockers(out, officialBlockerTitle, officialBlockers);

    out += "\n";
    out += closingHint(technicallySuitable, officiallyCompatible);
    return out;
}

std::string buildReportText(const Assessment& a)
{
    return buildReportText(a.brand, a.vendor, a.technicalChecks, a.officialChecks, a.technicalBlockers,
                           a.officialBlockers, a.technicallyCompatible, a.officiallyCompatible,
                           a.technicallyCompatible);
}

} // namespace quill
