#pragma once

#include "platform/platform.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quill::fleet {

// What the command line asks for; an empty output path means that output is not wanted.
struct FleetOptions {
    std::filesystem::path csv;
    std::filesystem::path modelsCsv; // one row per model, category and steps
    std::filesystem::path json;
    std::filesystem::path html;
    std::filesystem::path expect;   // the machines that should have reported, one name a line
    std::filesystem::path previous; // the JSON file of an earlier collection
    std::vector<std::filesystem::path> paths;
};

// --help and --version answer at once, whatever else the command line holds.
enum class Request { summary, help, version };

// error is a German message when the command line is no valid call, else empty.
struct ParsedArguments {
    FleetOptions options;
    std::string error;
    Request request = Request::summary;
};

// `[--csv FILE] [--models-csv FILE] [--json FILE] [--html FILE] [--expect FILE] [--previous FILE] PATH...`;
// options may come in any order, each once, and "--" ends them.
ParsedArguments parseArguments(const std::vector<platform::NativePath>& args);

// The whole tool: find and read the reports, print the summary, write the files asked for.
// Returns 0 when every file was read, 1 when some were unreadable or an expected machine has no
// report, 2 for a usage error, nothing readable or an output file that could not be written.
int runFleet(const std::vector<platform::NativePath>& args);

} // namespace quill::fleet
