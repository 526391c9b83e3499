#include "app/assessment_run.h"

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

// The program's console: text to stdout, colours through the platform's console handle.
ConsoleSink standardOutput(const platform::ConsoleHandle& console)
{
    return ConsoleSink{
        // The report file and the exit code carry the verdict, whatever the console took.
        [console](std::string_view text) { static_cast<void>(platform::writeOutput(console, text)); },
        [console](Attribute attribute) { platform::setTextAttribute(console, attribute); },
    };
}

// Every probe runs before anything is printed, in the order the report lists them.
Assessment probeEverything()
{
    // Each question is asked once and its answer passed on to every line that judges it.
    const platform::CpuidAnswers cpuid = platform::readCpuid();
    ProcessorInfo processor = decodeProcessorInfo(cpuid);
    // Whether the firmware, TPM and disk lines can be judged at all.
    const platform::FirmwareVisibility visibility = platform::firmwareVisibility();
    CheckList technicalChecks;
    appendProcessorChecks(processor, platform::nativeArchitecture(cpuid), technicalChecks);
    technicalChecks.push_back(probeMemory());
    technicalChecks.push_back(probeSystemDrive(visibility));

    const std::optional<std::uint32_t> firmwareType = probeFirmwareType(visibility);
    CheckItem uefiBoot = probeUefiBoot(visibility, firmwareType);
    CheckItem secureBoot = probeSecureBoot(visibility, firmwareType);
    const TpmStatus tpm = probeTpm(visibility);
    CheckList officialChecks{std::move(uefiBoot), std::move(secureBoot), tpmCheck(tpm)};
    return deriveAssessment(std::move(processor.brand), std::move(processor.vendor), std::move(technicalChecks),
                            std::move(officialChecks));
}

} // namespace

int runAssessment()
{
    const platform::ConsoleHandle console = platform::setUpConsole();
    const Assessment assessment = probeEverything();

    const ConsoleSink sink = standardOutput(console);
    playScript(renderConsoleReport(assessment), console.takesColours, sink);

    ConsoleScript closing;
    writeReportFile(assessment, closing);
    printKeyPrompt(closing);
    playScript(closing, console.takesColours, sink);
    std::fflush(stdout);

    platform::waitForKey();
    platform::restoreConsole(console);
    return exitCodeOf(assessment);
}

} // namespace quill
