#include "fleet/fleet_run.h"

#include "fleet/files/option_file.h"
#include "fleet/files/previous_collection.h"
#include "fleet/files/report_search.h"
#include "fleet/outputs/fleet_output.h"
#include "fleet/outputs/report_time.h"
#include "fleet/plan/expected_list.h"
#include "fleet/plan/fleet_plan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iterator>
#include <new>
#include <optional>
#include <string_view>

namespace quill::fleet {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view usage =
    "Aufruf: quillbrook-fleet [--csv DATEI] [--models-csv DATEI] [--json DATEI] [--html DATEI]\n"
    "                        [--expect DATEI] [--previous DATEI] PFAD...\n";

constexpr std::string_view help =
    "\n"
    "Fasst die Berichte von Quillbrook zu einer Arbeitsliste zusammen: je Rechner eine Kategorie\n"
    "(Ersetzen, CPU nicht auf der Liste, Aufrüsten, TPM-Hardware, Firmware-Einstellungen,\n"
    "VM-Einstellungen, Vor Ort prüfen, Bereit) und was zu tun ist, dazu je Modell und je Gruppe,\n"
    "was zu kaufen oder einzustellen ist.\n"
    "Jeder PFAD ist eine Berichtsdatei oder ein Verzeichnis, das samt Unterverzeichnissen nach\n"
    "Dateien mit der Endung .txt durchsucht wird. Die Zusammenfassung geht auf die Standardausgabe.\n"
    "\n"
    "  --csv DATEI       eine Zeile je Rechner für Excel\n"
    "  --json DATEI      dasselbe für andere Programme\n"
    "  --html DATEI      eine Seite zum Weitergeben und Drucken\n"
    "  --models-csv DATEI\n"
    "                    eine Zeile je Modell, Kategorie und Folge der Maßnahmen für Excel\n"
    "  --expect DATEI    die Rechner, von denen ein Bericht erwartet wird, ein Name je Zeile;\n"
    "                    nach ';' oder einem Tabulator optional ihr Standort oder ihre Abteilung;\n"
    "                    oder ein Export aus dem Active Directory (Get-ADComputer | Export-Csv)\n"
    "  --previous DATEI  die JSON-Datei einer früheren Sammlung: was sich seitdem geändert hat\n"
    "                    (--expect und --previous: normale Dateien bis 64 MiB)\n"
    "  --help, --version diese Hilfe, die Version\n"
    "\n"
    "Eine Ausgabe wird als neue Datei daneben geschrieben und erst vollständig an die Stelle der\n"
    "alten gesetzt; \"-\" als DATEI schreibt sie nach der Zusammenfassung auf die Standardausgabe.\n"
    "\n"
    "Exit-Code: 0 alles gelesen, 1 nicht lesbare Dateien, erwartete Rechner ohne Bericht oder\n"
    "Namenskonflikte, 2 falscher Aufruf, nichts Lesbares oder eine Ausgabe, die nicht geschrieben\n"
    "werden konnte.\n";

platform::NativePath native(std::string_view ascii)
{
    return platform::NativePath(ascii.begin(), ascii.end());
}

// The option's file, or nullptr when the argument is no option that takes a file.
fs::path* fileOption(FleetOptions& options, const platform::NativePath& arg)
{
    const std::pair<std::string_view, fs::path*> files[] = {
        {"--csv", &options.csv},   {"--models-csv", &options.modelsCsv}, {"--json", &options.json},
        {"--html", &options.html}, {"--expect", &options.expect},        {"--previous", &options.previous}};
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

// Whether all that was written to standard output got there (not so on a full disk or a console
// that refused it), once flushed; written says whether every write was taken.
bool outputFlushed(bool written)
{
    if (written && std::fflush(stdout) == 0 && std::ferror(stdout) == 0) {
        return true;
    }
    printError("die Standardausgabe konnte nicht geschrieben werden", false);
    return false;
}

// Hands pieces of text to standard output; written turns false at the first one refused.
TextSink standardOutput(const platform::ConsoleHandle& console, bool& written)
{
    return [&console, &written](std::string_view piece) { written = platform::writeOutput(console, piece) && written; };
}

// Standard output, flushed; false when the text did not all get there.
bool printed(const platform::ConsoleHandle& console, std::string_view text)
{
    return outputFlushed(platform::writeOutput(console, text));
}

std::int64_t now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The text of an --expect or --previous file into the collection, or a German message why it cannot be used.
Expected<void, std::string> readComparison(const fs::path& file, bool isExpect, Collection& collection)
{
    const Expected<std::string, std::string> read = readOptionFile(file);
    if (!read) {
        return unexpected(read.error());
    }
    // Each line or machine becomes a record of its own, which can take many times the file's size.
    try {
        if (isExpect) {
            auto expected = parseExpectedList(*read);
            if (!expected) {
                return unexpected(displayPath(file) + ", Zeile " + std::to_string(expected.error().line) + ": " +
                                  std::string(expected.error().reason));
            }
            collection.expected = std::move(expected->machines);
            collection.isExpectWindows1252 = expected->isWindows1252;
            return {};
        }
        auto earlier = readPreviousCollection(*read);
        if (!earlier) {
            return unexpected(displayPath(file) + " " + earlier.error());
        }
        collection.earlier = std::move(*earlier);
    } catch (const std::bad_alloc&) {
        return unexpected(displayPath(file) + ": nicht genug Speicher zum Lesen");
    }
    return {};
}

// What --expect and --previous give to set the reports against, or a German message why they
// cannot be used; read before the reports, so that a wrong file ends the run at once.
Expected<Collection, std::string> readComparisons(const FleetOptions& options)
{
    Collection collection;
    for (const fs::path* file : {&options.expect, &options.previous}) {
        if (file->empty()) {
            continue;
        }
        if (const auto read = readComparison(*file, file == &options.expect, collection); !read) {
            return unexpected(read.error());
        }
    }
    return collection;
}

// Writes one output: "-" to standard output after the summary, any other name through the
// platform, which replaces a file whole and writes into a pipe or device as it is. The system's
// words for a failure, or "".
std::string writeOutput(const fs::path& path, const std::function<void(const TextSink&)>& compose,
                        const platform::ConsoleHandle& console)
{
    if (path == "-") {
        bool written = true;
        compose(standardOutput(console, written));
        return outputFlushed(written) ? std::string() : std::string("die Standardausgabe nahm nicht alles an");
    }
    const platform::FileSaveAnswer answer = platform::replaceFileInPieces(path.native(), compose);
    return answer.saved ? std::string() : answer.reason.empty() ? std::string("Fehler") : answer.reason;
}

// Writes each output asked for; false at the first that cannot be written.
bool writeOutputs(const FleetOptions& options, const FleetPlan& plan, const OutputContext& context,
                  const platform::ConsoleHandle& console)
{
    const std::pair<const fs::path*, std::function<void(const TextSink&)>> outputs[] = {
        {&options.csv, [&](const TextSink& sink) { writeFleetCsv(plan, context, sink); }},
        {&options.modelsCsv, [&](const TextSink& sink) { writeModelsCsv(plan, sink); }},
        {&options.json, [&](const TextSink& sink) { writeFleetJson(plan, sink); }},
        {&options.html, [&](const TextSink& sink) { writeFleetHtml(plan, context, sink); }},
    };
    return std::all_of(std::begin(outputs), std::end(outputs), [&console](const auto& output) {
        const auto& [path, compose] = output;
        if (path->empty()) {
            return true;
        }
        const std::string failure = writeOutput(*path, compose, console);
        if (!failure.empty()) {
            printError(displayPath(*path) + " konnte nicht geschrieben werden: " + failure, false);
        }
        return failure.empty();
    });
}

// Everything after a valid call: read the reports, plan, print the summary, write the files asked for.
int summarise(const FleetOptions& options, const ReportSearch& search, Collection comparisons,
              const platform::ConsoleHandle& console)
{
    const std::int64_t runTime = now();
    Collection collection = readCollection(search);
    collection.expected = std::move(comparisons.expected);
    collection.isExpectWindows1252 = comparisons.isExpectWindows1252;
    collection.earlier = std::move(comparisons.earlier);
    const FleetPlan plan = planFleet(std::move(collection), runTime);

    OutputContext context{now(), localUtcOffset(runTime), {}};
    for (const fs::path& path : options.paths) {
        context.paths.push_back(displayPath(path));
    }
    bool written = true;
    writeFleetSummary(plan, context, standardOutput(console, written));
    const bool summaryPrinted = outputFlushed(written);

    const int code = fleetExitCode(plan);
    // With nothing readable there is nothing to chart: no output file is written.
    if (code == 2 || !writeOutputs(options, plan, context, console) || !summaryPrinted) {
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
        } else if (arg == native("--help") || arg == native("--version")) {
            parsed.request = arg == native("--help") ? Request::help : Request::version;
            return parsed;
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
    if (parsed.request != Request::summary) {
        const std::string text = parsed.request == Request::help ? std::string(usage) + std::string(help)
                                                                 : "quillbrook-fleet " QUILLBROOK_VERSION "\n";
        // The help's umlauts need the console set up as for the summary.
        const platform::ConsoleHandle console = platform::setUpConsole();
        const bool done = printed(console, text);
        platform::restoreConsole(console);
        return done ? 0 : 2;
    }
    if (!parsed.error.empty()) {
        printError(parsed.error, true);
        return 2;
    }
    auto comparisons = readComparisons(parsed.options);
    if (!comparisons) {
        printError(comparisons.error(), false);
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
    const int code = summarise(parsed.options, search, std::move(*comparisons), console);
    platform::restoreConsole(console);
    return code;
}

} // namespace quill::fleet
