#include "fleet/fleet_run.h"

#include "fleet/fleet_output.h"
#include "fleet/machine_names.h"
#include "fleet/report_search.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string_view>

namespace quill::fleet {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view usage =
    "Aufruf: quillbrook-fleet [--csv DATEI] [--json DATEI] [--html DATEI] [--expect DATEI] PFAD...\n";

platform::NativePath native(std::string_view ascii)
{
    return platform::NativePath(ascii.begin(), ascii.end());
}

// The option's file, or nullptr when the argument is no option that takes a file.
fs::path* fileOption(FleetOptions& options, const platform::NativePath& arg)
{
    const std::pair<std::string_view, fs::path*> files[] = {
        {"--csv", &options.csv}, {"--json", &options.json}, {"--html", &options.html}, {"--expect", &options.expect}};
    for (const auto& [name, file] : files) {
        if (arg == native(name)) {
            return file;
        }
    }
    return nullptr;
}

void printError(std::string_view message, bool withUsage)
{
    std::string text = "quillbrook-fleet: " + std::string(message) + "\n";
    if (withUsage) {
        text += usage;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
}

// The whole file, or nullopt when it cannot be read.
std::optional<std::string> readWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        return std::nullopt;
    }
    return text;
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

std::vector<std::string> machineNames(const FleetReports& reports)
{
    std::vector<std::string> names;
    names.reserve(reports.machines.size());
    for (const MachineReport& machine : reports.machines) {
        names.push_back(machine.name);
    }
    return names;
}

// Everything after a valid call: read, print the summary, write the files asked for.
int summarise(const FleetOptions& options, const ReportSearch& search, const std::vector<std::string>& expected,
              const platform::ConsoleHandle& console)
{
    FleetReports reports = readReports(search);
    reports.missing = missingMachines(expected, machineNames(reports));
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
        } else if (fs::path* output = fileOption(parsed.options, arg); output == nullptr) {
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
    std::vector<std::string> expected;
    if (!parsed.options.expect.empty()) {
        const std::optional<std::string> text = readWholeFile(parsed.options.expect);
        if (!text) {
            printError(displayPath(parsed.options.expect) + " konnte nicht gelesen werden", false);
            return 2;
        }
        expected = parseExpectedMachines(*text);
    }
    const ReportSearch search = findReports(parsed.options.paths);
    if (!search.usageError.empty()) {
        printError(search.usageError, true);
        return 2;
    }
    // The summary names files, whose names may hold any letter: UTF-8 on the console, as
    // the assessment program prints, and the console left as found.
    const platform::ConsoleHandle console = platform::setUpConsole();
    const int code = summarise(parsed.options, search, expected, console);
    platform::restoreConsole(console);
    return code;
}

} // namespace quill::fleet
