#include "core/console_report.h"

#include "core/printable_text.h"
#include "core/report_layout.h"
#include "core/verdicts.h"

#include <string>

namespace quill {
namespace {

void printSectionTitle(ConsoleScript& out, std::string_view title)
{
    setAttribute(out, Attribute::cyan);
    writeText(out, title);
    writeText(out, "\n");
    setAttribute(out, Attribute::normal);
}

void printBlockers(ConsoleScript& out, std::string_view title, Attribute titleAttribute, const BlockerList& blockers)
{
    if (blockers.empty()) {
        return;
    }
    writeText(out, "\n");
    setAttribute(out, titleAttribute);
    writeText(out, title);
    writeText(out, "\n");
    setAttribute(out, Attribute::normal);
    for (const std::string& line : blockers) {
        writeText(out, blockerPrefix);
        writeText(out, line);
        writeText(out, "\n");
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
    // Some 1.5 KiB of text and 80 colour changes: grown by doubling, each would be copied seven times over.
    out.text.reserve(2048);
    out.colours.reserve(96);
    setAttribute(out, Attribute::cyan);
    writeText(out, productLine);
    writeText(out, "\n");
    setAttribute(out, Attribute::darkGrey);
    writeText(out, consoleSubtitle);
    writeText(out, "\n");
    setAttribute(out, Attribute::normal);
    printSeparator(out);

    // CPUID texts come from whoever made the processor, or the hypervisor pretending to be one.
    writeText(out, cpuLabel);
    writeText(out, printableText(a.brand));
    writeText(out, "\n");
    writeText(out, vendorLabel);
    writeText(out, printableText(a.vendor));
    writeText(out, "\n");
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
    writeText(out, "\n");
    writeText(out, keyPrompt);
    writeText(out, "\n");
}

} // namespace quill
