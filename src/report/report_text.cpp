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
        appendPadded(out, item.name, itemNameWidth);
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

std::string buildReportText(const Assessment& a, const ShownVerdicts& shown)
{
    std::string out;
    out.reserve(2048); // a report is some 1.3 KiB: grown by doubling it would be copied eight times
    appendLine(out, productLine);
    appendLine(out, separatorLine(reportRuleFill));
    out += "\n";
    // A hypervisor sets these freely; a line feed in them would split the line and leave a
    // report its own reader rejects.
    out += cpuLabel;
    appendLine(out, printableText(a.brand));
    out += vendorLabel;
    appendLine(out, printableText(a.vendor));
    out += "\n";

    appendLine(out, sectionTitle(CheckGroup::technical));
    appendItemLines(out, a.technicalChecks);
    out += "\n";
    appendLine(out, sectionTitle(CheckGroup::official));
    appendItemLines(out, a.officialChecks);

    out += "\n";
    appendLine(out, resultTitle);
    appendVerdictLine(out, technicalVerdictLabel, shown.technicallyCompatible);
    out += "\n";
    appendVerdictLine(out, officialVerdictLabel, shown.officiallyCompatible);
    out += "\n";
    appendVerdictLine(out, suitableVerdictLabel, shown.technicallySuitable);
    out += "\n";

    appendBlockers(out, technicalBlockerTitle, a.technicalBlockers);
    appendBlockers(out, officialBlockerTitle, a.officialBlockers);

    out += "\n";
    out += closingHint(shown.technicallySuitable, shown.officiallyCompatible);
    return out;
}

std::string buildReportText(const Assessment& a)
{
    return buildReportText(a, ShownVerdicts{a.technicallyCompatible, a.officiallyCompatible, a.technicallyCompatible});
}

} // namespace quill
