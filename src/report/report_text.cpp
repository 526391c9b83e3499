#include "report/report_text.h"

#include "core/text_layout.h"
#include "core/verdicts.h"

namespace quill {
namespace {

void appendSection(std::string& out, std::string_view title)
{
    out += title;
    out += "\n";
}

void appendItemLines(std::string& out, const CheckList& checks)
{
    for (const CheckItem& item : checks) {
        out += "[";
        out += passTag(item.passed);
        out += "] ";
        appendPadded(out, item.name, itemNameWidth);
        if (!item.detail.empty()) {
            out += " : ";
            out += item.detail;
        }
        out += "\n";
    }
}

void appendVerdictLine(std::string& out, std::string_view label, bool value)
{
    appendPadded(out, label, verdictLabelWidth);
    out += " : ";
    out += verdictWord(value);
    out += "\n";
}

void appendBlockers(std::string& out, std::string_view title, const BlockerList& blockers)
{
    if (blockers.empty()) {
        return;
    }
    out += "\n";
    out += title;
    for (const std::string& line : blockers) {
        out += " - ";
        out += line;
        out += "\n";
    }
}

} // namespace

std::string buildReportText(const std::string& brand, const std::string& vendor, const CheckList& technicalChecks,
                            const CheckList& officialChecks, const BlockerList& technicalBlockers,
                            const BlockerList& officialBlockers, bool technicallyCompatible, bool officiallyCompatible,
                            bool technicallySuitable)
{
    std::string out = "Quillbrook\n";
    out.append(66, '=');
    out += "\n\n";
    out += cpuLabel;
    out += brand;
    out += "\n";
    out += vendorLabel;
    out += vendor;
    out += "\n\n";

    appendSection(out, technicalTitle);
    appendItemLines(out, technicalChecks);
    out += "\n";
    appendSection(out, officialTitle);
    appendItemLines(out, officialChecks);

    out += "\n";
    appendSection(out, resultTitle);
    appendVerdictLine(out, technicalVerdictLabel, technicallyCompatible);
    appendVerdictLine(out, officialVerdictLabel, officiallyCompatible);
    appendVerdictLine(out, suitableVerdictLabel, technicallySuitable);

    appendBlockers(out, technicalBlockerTitle, technicalBlockers);
    appendBlockers(out, officialBlockerTitle, officialBlockers);

    out += "\n";
    out += closingHint(technicallySuitable, officiallyCompatible);
    return out;
}

std::string buildReportText(const Assessment& a)
{
    return buildReportText(a.processor.brand, a.processor.vendor, a.technicalChecks, a.officialChecks,
                           a.technicalBlockers, a.officialBlockers, a.technicallyCompatible, a.officiallyCompatible,
                           a.technicallyCompatible);
}

} // namespace quill
