#pragma once

#include "core/assessment.h"
#include "core/expected.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quill {

// A report larger than this is not read: the writer's longest report is a few KiB.
inline constexpr std::size_t maxReportBytes = std::size_t{64} * 1024;

// Why a file is no readable report. Each kind has one fixed German text (faultText).
enum class ReportFaultKind {
    empty,          // no bytes at all
    tooLarge,       // more than maxReportBytes
    notAReport,     // the first line is not the product line
    cutShort,       // ends before the hint's line end
    mixedLineEnds,  // LF and CR LF in one file
    unexpectedLine, // a line the format has no place for here
    unknownCheck,   // an item line naming no check of the program
    contradiction,  // verdicts, blockers or hint disagree with the item lines
    trailingBlanks, // the line that does not fit ends in spaces or tabs an editor left there
    crLineEnds,     // lines end in CR alone, as old Mac editors wrote them
    fieldTooLong,   // a brand, vendor or detail longer than the program ever writes
    // The four below are set by whoever reads the file, never by readReport.
    unreadableFile,      // the file system refused to give the file's bytes
    unreadableDirectory, // a directory searched for reports could not be listed
    notRegularFile,      // a FIFO, a device or the like where a report was looked for
    linkSkipped,         // a symbolic link or junction, which is never followed
};

// line is the 1-based number of the first line that is missing, incomplete or wrong,
// 0 when the fault is not on one line.
struct ReportFault {
    ReportFaultKind kind = ReportFaultKind::empty;
    std::size_t line = 0;
};

// The assessment when readable, else the fault.
using ReportReading = Expected<Assessment, ReportFault>;

// Reads a report as the program writes it: with or without byte-order mark, LF or CR LF
// line ends, and the same text in UTF-16 little endian with its byte-order mark (a copy saved
// with '>' in Windows PowerShell 5.1). Anything else is a fault, never a guess. The assessment's verdicts and
// blockers are derived from its items, as the program derives them; only brand and
// vendor of its processor are known.
ReportReading readReport(std::string_view bytes);

// The German reason shown for a fault kind.
std::string_view faultText(ReportFaultKind kind);

} // namespace quill
