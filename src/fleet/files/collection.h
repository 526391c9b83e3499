#pragma once

#include "core/assessment.h"
#include "fleet/files/inventory.h"
#include "report/report_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quill::fleet {

// A readable report as it was found: the machine its file names, where it lies, what it says,
// and what lies beside it. Nothing here is judged yet: a machine wrote all of it.
struct CollectedReport {
    std::string name;   // as the file names it, byte for byte
    std::string file;   // the path as found from the PATH given, UTF-8 where paths are UTF-16
    std::string folder; // the route that wrote it: the folder, for NAME/quillbrook-report.txt the one above
    Assessment assessment;
    std::int64_t fileTime = 0;           // the file's last write, nanoseconds since 1970 UTC
    SharedInventory inventory = nullptr; // NAME.inventory.json beside it, where readable, whoever it names
};

// A file that was looked at and is no readable report.
struct UnreadableReport {
    std::string file;
    ReportFault fault;
};

// A machine --expect names, with its site or department ("" where none is given).
struct ExpectedMachine {
    std::string name;
    std::string group;
};

// A machine of an earlier collection, as the tool's JSON file gave it: the category it stored
// and, where the file holds them, the checks it failed, so that its category can be worked out
// again by today's rules. Passed checks are not kept: a collection has thousands of machines.
struct EarlierMachine {
    std::string name;
    std::string categoryId; // as stored; "" where the file has none
    std::optional<Assessment> failedChecks;
    std::int64_t reportTime = 0;         // nanoseconds since 1970 UTC, 0 where the file gives none
    SharedInventory inventory = nullptr; // as the file kept it, for the facts it gave the plan
};

// Everything the run reads, as read: the reports in the order found, what could not be read, and
// what --expect and --previous give to set them against.
struct Collection {
    std::vector<CollectedReport> reports;
    std::vector<UnreadableReport> unreadable;
    std::vector<std::string> unreadableInventory; // inventory files beside a report that are none
    std::vector<ExpectedMachine> expected;
    bool isExpectWindows1252 = false; // some line of --expect was no UTF-8 and was read as Windows-1252
    std::optional<std::vector<EarlierMachine>> earlier;
};

} // namespace quill::fleet
