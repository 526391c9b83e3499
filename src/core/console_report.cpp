#include "core/console_report.h"

#include "core/printable_text.h"
#include "core/report_layout.h"
#include "core/verdicts.h"

#include <string>

namespace quill {
namespace {

void printSectionTitle(ConsoleScript& out, std::string_view title)
{
    writeColoured(out, Attribute::cyan, std::string(title) + "\n");
}

void printBlockers(ConsoleScript& out, std::string_view title, Attribute titleAttribute, const BlockerList& blockers)
{
    if (blockers.empty()) {
        return;
    }
    writeText(out, "\n");
    writeColoured(out, titleAttribute, std::string(title) + "\n");
    for (const std::string& line : blockers) {
        writeText(out, std::string(blockerPrefix) + line + "\n");
    }
}

Attribute hintAttribute(const Assessment& assessment)
{
    if (!assessment.technicallyCompatible) {
        return Attribute::red;
    }
    return assessment.officiallyCompatible ? Attribute::green : Attribute::yellow;
}

void printChecks(ConsoleScript& out, const CheckList& checks)
{
    for (const CheckItem& item : checks) {
        printCheckLine(out, item);
    }
}

} // namespace

ConsoleScript renderConsoleReport(const Assessment& a)
{
    ConsoleScript out;
    setAttribute(out, Attribute::cyan);
    writeText(out, std::string(productLine) + "\n");
    setAttribute(out, Attribute::darkGrey);
    writeText(out, std::string(consoleSubtitle) + "\n");
    setAttribute(out, Attribute::normal);
    printSeparator(out);

    // CPUID texts come from whoever made the processor, or the hypervisor pretending to be one.
    writeText(out, std::string(cpuLabel) + printableText(a.brand) + "\n");
    writeText(out, std::string(vendorLabel) + printableText(a.vendor) + "\n");
    printSeparator(out);

    printSectionTitle(out, sectionTitle(CheckGroup::technical));
    printChecks(out, a.technicalChecks);
    printSeparator(out);

    printSectionTitle(out, sectionTitle(CheckGroup::official));
    printChecks(out, a.officialChecks);
    printSeparator(out);

    printSectionTitle(out, resultTitle);
    printVerdictLine(out, technicalVerdictLabel, a.technicallyCompatible, Attribute::red);
    printVerdictLine(out, officialVerdictLabel, a.officiallyCompatible, Attribute::yellow);
    printVerdictLine(out, suitableVerdictLabel, a.technicallyCompatible, Attribute::yellow);

    printBlockers(out, technicalBlockerTitle, Attribute::red, a.technicalBlockers);
    printBlockers(out, officialBlockerTitle, Attribute::yellow, a.officialBlockers);

    writeText(out, "\n");
    writeColoured(out, hintAttribute(a), closingHint(a.technicallyCompatible, a.officiallyCompatible));
    return out;
}

void printKeyPrompt(ConsoleScript& out)
{
    writeText(out, "\nBeliebige Taste zum Beenden...\n");
}

} // namespace quill
