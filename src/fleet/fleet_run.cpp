#include "fleet/fleet_run.h"

#include "fleet/fleet_output.h"
#include "fleet/report_search.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string_view>

namespace quill::fleet {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view usage = "Aufruf: quillbrook-fleet [--csv DATEI] [--json DATEI] [--html DATEI] PFAD...\n";

platform::NativePath native(std::string_view ascii)
{
    return platform::NativePath(ascii.begin(), ascii.end());
}

// The option's output path, or nullptr when the argument is no output option.
fs::path* outputOption(FleetOptions& options, const platform::NativePath& arg)
{
    if (arg == native("--csv")) {
        return &options.csv;
    }
    if (arg == native("--json")) {
        return &options.json;
    }
    return arg == native("--html") ? &options.html : nullptr;
}

void printError(std::string_view message, bool withUsage)
{
    std::string text = "quillbrook-fleet: " + std::string(message) + "\n";
    if (withUsage) {
        text += usage;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
}

bool writeWholeFile(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return !out.fail();
}

// Writes each output asked for; false at the first that cannot be written.
bool writeOutputs(const FleetOptions& options, const FleetReports& reports, const FleetSummary& summary)
{
    const std::pair<const fs::path*, std::function<std::string()>> outputs[] = {
        {&options.csv, [&] { return fleetCsv(reports); }},
        {&options.json, [&] { return fleetJson(reports, summary); }},
        {&options.html, [&] { return fleetHtml(reports, summary); }},
    };
    return std::all_of(std::begin(outputs), std::end(outputs), [](const auto& output) {
        const auto& [path, compose] = output;
        if (path->empty() || writeWholeFile(*path, compose())) {
            return true;
        }
        printError(displayPath(*path) + " konnte nicht geschrieben werden", false);
        return false;
    });
}

// Everything after a valid call: read, print the summary, write the files asked for.
int summarise(const FleetOptions& options, const ReportSearch& search, const platform::ConsoleHandle& console)
{
    const FleetReports reports = readReports(search);
    const FleetSummary summary = summariseFleet(reports);
    platform::writeOutput(console, fleetSummaryText(reports, summary));
    std::fflush(stdout);

    const int code = fleetExitCode(summary);
    // With nothing readable there is nothing to chart: no output file is written.
    if (code == 2 || !writeOutputs(options, reports, summary)) {
        return 2;
    }
    return code;
}

} // namespace

ParsedArguments parseArguments(const std::vector<platform::NativePath>& args)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const platform::NativePath& arg = args[i];
        if (optionsEnded || arg.empty() || arg.front() != '-') {
            parsed.options.paths.emplace_back(arg);
        } else if (arg == native("--")) {
            optionsEnded = true;
        } else if (fs::path* output = outputOption(parsed.options, arg); output == nullptr) {
            parsed.error = "unbekannte Option: " + displayPath(arg);
        } else if (i + 1 == args.size() || args[i + 1].empty()) {
            parsed.error = displayPath(arg) + " braucht einen Dateinamen";
        } else if (!output->empty()) {
            parsed.error = displayPath(arg) + " ist mehrfach angegeben";
        } else {
            *output = args[++i];
        }
    }
    if (parsed.error.empty() && parsed.options.paths.empty()) {
        parsed.error = "kein PFAD angegeben";
    }
    return parsed;
}

int runFleet(const std::vector<platform::NativePath>& args)
{
    const ParsedArguments parsed = parseArguments(args);
    if (!parsed.error.empty()) {
        printError(parsed.error, true);
        return 2;
    }
    const ReportSearch search = findReports(parsed.options.paths);
    if (!search.usageError.empty()) {
        printError(search.usageError, true);
        return 2;
    }
    // The summary names files, whose names may hold any letter: UTF-8 on the console, as
    // the assessment program prints, and the console left as found.
    const platform::ConsoleHandle console = platform::setUpConsole();
    const int code = summarise(parsed.options, search, console);
    platform::restoreConsole(console);
    return code;
}

} // namespace quill::fleet
