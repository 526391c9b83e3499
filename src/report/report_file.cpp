#include "report/report_file.h"

#include "core/printable_text.h"
#include "report/report_path.h"
#include "report/report_text.h"

namespace quill {

bool writeAndClose(std::FILE* file, std::string_view text)
{
    if (file == nullptr) {
        return false;
    }
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    bool ok = std::fwrite(byteOrderMark.data(), 1, byteOrderMark.size(), file) == byteOrderMark.size();
    ok = ok && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    // Until the flush the bytes may sit in the stream's buffer; a full disk shows only here.
    ok = ok && std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return ok && closed;
}

void printReportStatus(ConsoleScript& out, bool written, std::string_view pathUtf8)
{
    writeText(out, "\n");
    if (written) {
        setAttribute(out, Attribute::darkGrey);
        writeText(out, "Report: ");
        writeText(out, printableText(pathUtf8)); // a file name may hold any byte but '/' and NUL
        writeText(out, "\n");
    } else {
        setAttribute(out, Attribute::yellow);
        writeText(out, "Report konnte nicht gespeichert werden.\n");
    }
    setAttribute(out, Attribute::normal);
}

void writeReportFile(const Assessment& assessment, ConsoleScript& out)
{
    const platform::NativePath path = reportFilePath();
    const std::string text = buildReportText(assessment);
    const bool written = writeAndClose(platform::openForWriting(path), text);
    printReportStatus(out, written, written ? platform::utf8FromPath(path) : std::string());
}

} // namespace quill
