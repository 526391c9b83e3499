#include "report/report_file.h"

#include "core/printable_text.h"
#include "core/report_layout.h"
#include "report/report_path.h"
#include "report/report_text.h"

#include <string>

namespace quill {

void printReportStatus(ConsoleScript& out, bool written, std::string_view pathUtf8, std::string_view refusedReason)
{
    writeText(out, "\n");
    if (!refusedReason.empty()) {
        setAttribute(out, Attribute::yellow);
        writeText(out, "Speichern neben dem Programm nicht moeglich: ");
        writeText(out, printableText(refusedReason)); // the system's text, in its language
        writeText(out, "\n");
    }
    if (written) {
        setAttribute(out, Attribute::darkGrey);
        writeText(out, reportSavedLead);
        writeText(out, printableText(pathUtf8)); // a file name may hold any byte but '/' and NUL
        writeText(out, "\n");
    } else {
        setAttribute(out, Attribute::yellow);
        writeText(out, std::string(reportNotSaved) + "\n");
    }
    setAttribute(out, Attribute::normal);
}

void writeReportFile(const Assessment& assessment, ConsoleScript& out)
{
    const std::string bytes = "\xEF\xBB\xBF" + buildReportText(assessment);
    const platform::NativePath beside = reportFilePath();
    platform::FileSaveAnswer answer = platform::replaceFile(beside, bytes);
    if (answer.saved || !answer.folderRefused) {
        printReportStatus(out, answer.saved, answer.saved ? platform::utf8FromPath(beside) : std::string());
        return;
    }
    // A read-only medium (a live system's, a hibernated Windows's NTFS) still gets its report
    // somewhere the user can find; the reason says why it is not beside the program.
    const std::string refused = answer.reason;
    for (const platform::NativePath& path :
         fallbackReportPaths(beside, platform::currentDirectory(), platform::homeDirectory())) {
        answer = platform::replaceFile(path, bytes);
        if (answer.saved || !answer.folderRefused) {
            printReportStatus(out, answer.saved, answer.saved ? platform::utf8FromPath(path) : std::string(), refused);
            return;
        }
    }
    printReportStatus(out, false, {}, refused);
}

} // namespace quill
