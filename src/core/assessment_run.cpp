#include "core/assessment_run.h"

#include "core/assessment.h"
#include "core/console_report.h"
#include "platform/platform.h"
#include "probes/firmware.h"
#include "probes/memory.h"
#include "probes/processor.h"
#include "probes/system_drive.h"
#include "probes/tpm.h"
#include "report/report_file.h"

#include <cstdio>
#include <utility>

namespace quill {
namespace {

// Writes the script to stdout, switching colours where it says so when the console is present.
void playScript(const ConsoleScript& script, platform::ConsoleHandle console)
{
    for (const ConsolePiece& piece : script) {
        if (!piece.isAttribute) {
            std::fwrite(piece.text.data(), 1, piece.text.size(), stdout);
        } else if (console.present) {
            platform::setTextAttribute(console, static_cast<std::uint16_t>(piece.attribute));
        }
    }
}

// Every probe runs before anything is printed, in the order the report lists them.
Assessment probeEverything()
{
    ProcessorInfo processor = readProcessorInfo();
    CheckList technicalChecks;
    appendProcessorChecks(processor, platform::nativeArchitecture(), technicalChecks);
    technicalChecks.push_back(probeMemory());
    technicalChecks.push_back(probeSystemDrive());

    CheckItem uefiBoot = probeUefiBoot();
    CheckItem secureBoot = probeSecureBoot();
    const TpmStatus tpm = probeTpm();
    CheckList officialChecks{std::move(uefiBoot), std::move(secureBoot), tpmCheck(tpm)};
    return deriveAssessment(std::move(processor), std::move(technicalChecks), std::move(officialChecks));
}

} // namespace

int runAssessment()
{
    const platform::ConsoleHandle console = platform::setUpConsole();
    const Assessment assessment = probeEverything();

    playScript(renderConsoleReport(assessment), console);

    ConsoleScript closing;
    writeReportFile(assessment, closing);
    printKeyPrompt(closing);
    playScript(closing, console);
    std::fflush(stdout);

    platform::waitForKey();
    return exitCodeOf(assessment);
}

} // namespace quill
