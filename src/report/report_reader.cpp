#include "report/report_reader.h"

#include "core/finding_table.h"
#include "core/printable_text.h"
#include "core/report_layout.h"
#include "core/utf8_text.h"
#include "core/verdicts.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace quill {
namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view utf16ByteOrderMark = "\xFF\xFE";

// The report split into lines without their ends. Which end the file uses is settled by
// its first line; a later line with the other end is remembered, not dropped.
struct Lines {
    std::vector<std::string_view> lines;
    bool lastCut = false;         // the last line has no line end
    std::size_t mixedEndLine = 0; // 1-based, 0 when every end agrees
};

Lines splitLines(std::string_view text, bool crlf)
{
    Lines out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            out.lines.push_back(text.substr(start));
            out.lastCut = true;
            break;
        }
        std::string_view line = text.substr(start, end - start);
        if (crlf && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        } else if (crlf && out.mixedEndLine == 0) {
            out.mixedEndLine = out.lines.size() + 1;
        }
        out.lines.push_back(line);
        start = end + 1;
    }
    return out;
}

// Hands out the lines in order; any trouble becomes the fault of the line it meets.
struct Cursor {
    const Lines& text;
    std::size_t next = 0;
    std::optional<ReportFault> fault;

    [[nodiscard]] std::size_t lineNumber() const { return next + 1; }

    bool failAt(ReportFaultKind kind, std::size_t line)
    {
        fault = ReportFault{kind, line};
        return false;
    }

    bool take(std::string_view& line)
    {
        if (next >= text.lines.size() || (next + 1 == text.lines.size() && text.lastCut)) {
            return failAt(ReportFaultKind::cutShort, lineNumber());
        }
        if (lineNumber() == text.mixedEndLine) {
            return failAt(ReportFaultKind::mixedLineEnds, lineNumber());
        }
        line = text.lines[next++];
        return true;
    }

    bool expect(std::string_view wanted)
    {
        std::string_view line;
        return take(line) && (line == wanted || failAt(ReportFaultKind::unexpectedLine, next));
    }

    bool expectField(std::string_view label, std::size_t maxBytes, std::string& value)
    {
        std::string_view line;
        if (!take(line)) {
            return false;
        }
        value = std::string(line.substr(std::min(label.size(), line.size())));
        // The writer shows control characters as '?', so a field holding one is none it wrote.
        if (!line.starts_with(label) || printableText(value) != value) {
            return failAt(ReportFaultKind::unexpectedLine, next);
        }
        return value.size() <= maxBytes || failAt(ReportFaultKind::fieldTooLong, next);
    }

    bool expectEnd() { return next == text.lines.size() || failAt(ReportFaultKind::unexpectedLine, lineNumber()); }
};

// The row of the check an item line names, or nullptr. The name fills its field, then the
// line ends or " : " and the detail follow.
const CheckDefinition* namedCheck(std::string_view rest)
{
    for (const CheckDefinition& row : checkTable) {
        const std::size_t field = std::max(row.name.size(), itemNameWidth);
        if (rest.size() < field || !rest.starts_with(row.name)) {
            continue;
        }
        const bool filled =
            rest.substr(row.name.size(), field - row.name.size()).find_first_not_of(' ') == std::string_view::npos;
        if (filled && (rest.size() == field || rest.substr(field).starts_with(detailSeparator))) {
            return &row;
        }
    }
    return nullptr;
}

bool readItem(Cursor& in, const CheckDefinition& check, CheckList& items)
{
    std::string_view line;
    if (!in.take(line)) {
        return false;
    }
    const std::string passedTag = itemTag(true) + " ";
    const bool passed = line.starts_with(passedTag);
    const std::string tag = passed ? passedTag : itemTag(false) + " ";
    if (!line.starts_with(tag)) {
        return in.failAt(ReportFaultKind::unexpectedLine, in.next);
    }
    const std::string_view rest = line.substr(tag.size());
    const CheckDefinition* named = namedCheck(rest);
    if (named == nullptr) {
        return in.failAt(ReportFaultKind::unknownCheck, in.next);
    }
    if (named->check != check.check) {
        return in.failAt(ReportFaultKind::unexpectedLine, in.next);
    }
    const std::size_t field = std::max(check.name.size(), itemNameWidth);
    // The writer puts " : " only before a detail, so " : " with nothing after it is no item line.
    const std::string_view detail =
        rest.size() > field ? rest.substr(field + detailSeparator.size()) : std::string_view();
    // No detail the program writes is empty after " : ", holds a control character or is longer
    // than its longest: such a line came from elsewhere, and its text must not reach a page or a sheet.
    if ((rest.size() > field && detail.empty()) || printableText(detail) != detail) {
        return in.failAt(ReportFaultKind::unexpectedLine, in.next);
    }
    if (detail.size() > maxDetailBytes) {
        return in.failAt(ReportFaultKind::fieldTooLong, in.next);
    }
    items.push_back(checkItemFromText(check.check, passed, std::string(detail)));
    return true;
}

// The item lines of one group: every check of the table that the vendor lists, in table order.
bool readItems(Cursor& in, CheckGroup group, std::string_view vendor, CheckList& items)
{
    // A fleet holds thousands of these lists: each gets its size at once, not a doubling's slack.
    items.reserve(static_cast<std::size_t>(std::count_if(checkTable.begin(), checkTable.end(),
                                                         [group](const auto& check) { return check.group == group; })));
    for (const CheckDefinition& check : checkTable) {
        if (check.group == group && isListedFor(check, vendor) && !readItem(in, check, items)) {
            return false;
        }
    }
    return true;
}

bool expectVerdict(Cursor& in, std::string_view label, bool value)
{
    std::string_view line;
    if (!in.take(line)) {
        return false;
    }
    if (line == verdictLine(label, value)) {
        return true;
    }
    const bool opposite = line == verdictLine(label, !value);
    return in.failAt(opposite ? ReportFaultKind::contradiction : ReportFaultKind::unexpectedLine, in.next);
}

std::string_view withoutLineEnd(std::string_view text)
{
    return text.ends_with('\n') ? text.substr(0, text.size() - 1) : text;
}

// Whether the line reads as a closing hint: it opens with the hints' first word ("Hinweis: ").
bool isClosingHint(std::string_view line)
{
    const std::string_view hint = closingHint(true, true);
    return line.starts_with(hint.substr(0, hint.find(' ') + 1));
}

// Lines that belong after the verdicts, so a wrong one there disagrees with the items
// rather than being out of place.
bool isTailLine(std::string_view line)
{
    return line.empty() || line == technicalBlockerTitle || line == officialBlockerTitle ||
           line.starts_with(blockerPrefix) || isClosingHint(line);
}

void appendBlockerLines(std::vector<std::string>& out, std::string_view title, const BlockerList& blockers)
{
    if (blockers.empty()) {
        return;
    }
    out.emplace_back();
    out.emplace_back(title);
    for (const std::string& blocker : blockers) {
        out.push_back(std::string(blockerPrefix) + blocker);
    }
}

bool expectTail(Cursor& in, const Assessment& a)
{
    std::vector<std::string> expected;
    appendBlockerLines(expected, technicalBlockerTitle, a.technicalBlockers);
    appendBlockerLines(expected, officialBlockerTitle, a.officialBlockers);
    expected.emplace_back();
    expected.emplace_back(withoutLineEnd(closingHint(a.technicallyCompatible, a.officiallyCompatible)));
    for (const std::string& wanted : expected) {
        std::string_view line;
        if (!in.take(line)) {
            return false;
        }
        if (line != wanted) {
            return in.failAt(isTailLine(line) ? ReportFaultKind::contradiction : ReportFaultKind::unexpectedLine,
                             in.next);
        }
    }
    return in.expectEnd();
}

ReportReading faulty(ReportFaultKind kind, std::size_t line)
{
    return unexpected(ReportFault{kind, line});
}

// Everything after the product line, which the caller has checked.
ReportReading readBody(const Lines& lines)
{
    Cursor in{lines, 1, std::nullopt};
    std::string brand;
    std::string vendor;
    CheckList technical;
    CheckList official;
    const bool head = in.expect(separatorLine(reportRuleFill)) && in.expect("") &&
                      in.expectField(cpuLabel, maxBrandBytes, brand) &&
                      in.expectField(vendorLabel, maxVendorBytes, vendor) && in.expect("");
    const bool lists = head && in.expect(sectionTitle(CheckGroup::technical)) &&
                       readItems(in, CheckGroup::technical, vendor, technical) && in.expect("") &&
                       in.expect(sectionTitle(CheckGroup::official)) &&
                       readItems(in, CheckGroup::official, vendor, official) && in.expect("") && in.expect(resultTitle);
    if (!lists) {
        return unexpected(*in.fault);
    }
    Assessment a = deriveAssessment(std::move(brand), std::move(vendor), std::move(technical), std::move(official));
    const bool result = expectVerdict(in, technicalVerdictLabel, a.technicallyCompatible) &&
                        expectVerdict(in, officialVerdictLabel, a.officiallyCompatible) &&
                        expectVerdict(in, suitableVerdictLabel, a.technicallyCompatible) && expectTail(in, a);
    if (!result) {
        return unexpected(*in.fault);
    }
    return a;
}

bool endsInBlank(std::string_view line)
{
    return line.ends_with(' ') || line.ends_with('\t');
}

// A line that does not fit only for the blanks at its end went through an editor: say so.
ReportReading withNearMiss(ReportReading reading, const Lines& lines)
{
    if (reading) {
        return reading;
    }
    const ReportFault fault = reading.error();
    const bool lineFault = fault.kind == ReportFaultKind::unexpectedLine ||
                           fault.kind == ReportFaultKind::unknownCheck || fault.kind == ReportFaultKind::contradiction;
    if (!lineFault || fault.line == 0 || fault.line > lines.lines.size() || !endsInBlank(lines.lines[fault.line - 1])) {
        return reading;
    }
    Lines trimmed = lines;
    std::string_view& line = trimmed.lines[fault.line - 1];
    line = line.substr(0, line.find_last_not_of(" \t") + 1);
    const ReportReading again = readBody(trimmed);
    if (again || again.error().line > fault.line) {
        return unexpected(ReportFault{ReportFaultKind::trailingBlanks, fault.line});
    }
    return reading;
}

// What the program prints after the report on the console: where the file went, the key prompt.
bool isConsoleTrailer(std::string_view line)
{
    return line.empty() || line == keyPrompt || line.starts_with(reportSavedLead) || line == reportNotSaved;
}

// The console shows the same report with its subtitle and '-' separators where the file has its
// '=' rule and blank lines, and ends in the trailer. Turned into the file's lines, it reads as the
// file does; origin keeps each line's number in the capture for the fault. A window copied out
// may pad lines with blanks, which the console never shows: where the lines as they are do not
// read, they are read again without.
struct ConsoleLines {
    Lines lines;
    std::vector<std::size_t> origin;
};

ConsoleLines fileLinesOfConsole(const Lines& capture, const std::string& rule, bool trim)
{
    ConsoleLines out;
    std::size_t end = capture.lines.size();
    while (end > 0 &&
           isConsoleTrailer(capture.lines[end - 1].substr(0, capture.lines[end - 1].find_last_not_of(" \t") + 1))) {
        --end;
    }
    const std::string consoleRule = separatorLine(consoleSeparatorFill);
    for (std::size_t i = 0; i < end; ++i) {
        std::string_view line = capture.lines[i];
        line = trim ? line.substr(0, line.find_last_not_of(" \t") + 1) : line;
        if (i == 1) {
            continue; // the subtitle
        }
        if (line == consoleRule && i == 2) {
            out.lines.lines.insert(out.lines.lines.end(), {rule, std::string_view()});
            out.origin.insert(out.origin.end(), {i + 1, i + 1});
            continue;
        }
        out.lines.lines.push_back(line == consoleRule ? std::string_view() : line);
        out.origin.push_back(i + 1);
    }
    // Copied out of the window, the text often loses the hint's line end; a hint is whole anyway.
    out.lines.lastCut =
        end == capture.lines.size() && capture.lastCut && !(end > 0 && isClosingHint(capture.lines[end - 1]));
    out.lines.mixedEndLine = capture.mixedEndLine;
    out.origin.push_back(end + 1); // a fault after the last line
    return out;
}

ReportReading readConsoleCapture(const Lines& capture)
{
    if (capture.mixedEndLine != 0) {
        return faulty(ReportFaultKind::mixedLineEnds, capture.mixedEndLine);
    }
    const std::string rule = separatorLine(reportRuleFill);
    ConsoleLines converted = fileLinesOfConsole(capture, rule, false);
    ReportReading reading = readBody(converted.lines);
    if (reading) {
        return reading;
    }
    ConsoleLines trimmed = fileLinesOfConsole(capture, rule, true);
    if (ReportReading again = readBody(trimmed.lines); again) {
        return again;
    }
    ReportFault fault = reading.error();
    if (fault.line != 0) {
        fault.line = converted.origin[std::min(fault.line, converted.origin.size()) - 1];
    }
    return unexpected(fault);
}

// The text once its encoding is settled: UTF-8, with or without its mark.
ReportReading readText(std::string_view text)
{
    if (text.starts_with(byteOrderMark)) {
        text.remove_prefix(byteOrderMark.size());
    } else if (byteOrderMark.starts_with(text)) {
        return faulty(ReportFaultKind::cutShort, 1); // only part of the mark was written
    }
    const std::size_t firstEnd = text.find('\n');
    if (firstEnd == std::string_view::npos) {
        // A product line written only in part is a report cut short; anything else is none.
        const bool partial = std::string(productLine).append("\r").starts_with(text);
        const bool crOnly = !partial && text.starts_with(std::string(productLine).append("\r"));
        return faulty(partial ? ReportFaultKind::cutShort
                              : (crOnly ? ReportFaultKind::crLineEnds : ReportFaultKind::notAReport),
                      1);
    }
    std::string_view first = text.substr(0, firstEnd);
    const bool crlf = first.ends_with('\r');
    first.remove_suffix(crlf ? 1 : 0);
    if (first != productLine) {
        const bool blanks = first.substr(0, first.find_last_not_of(" \t") + 1) == productLine;
        return faulty(blanks ? ReportFaultKind::trailingBlanks : ReportFaultKind::notAReport, 1);
    }
    const Lines lines = splitLines(text, crlf);
    if (lines.lines.size() > 1 && lines.lines[1] == consoleSubtitle) {
        return readConsoleCapture(lines);
    }
    return withNearMiss(readBody(lines), lines);
}

} // namespace

ReportReading readReport(std::string_view bytes)
{
    if (bytes.empty()) {
        return faulty(ReportFaultKind::empty, 0);
    }
    if (bytes.size() > maxReportBytes) {
        return faulty(ReportFaultKind::tooLarge, 0);
    }
    if (bytes.starts_with(utf16ByteOrderMark)) {
        return readText(utf8FromUtf16Le(bytes.substr(utf16ByteOrderMark.size())));
    }
    return readText(bytes);
}

std::string_view faultText(ReportFaultKind kind)
{
    switch (kind) {
    case ReportFaultKind::empty:
        return "leere Datei";
    case ReportFaultKind::tooLarge:
        return "größer als 64 KiB";
    case ReportFaultKind::notAReport:
        return "kein Quillbrook-Bericht";
    case ReportFaultKind::cutShort:
        return "Bericht endet vorzeitig";
    case ReportFaultKind::mixedLineEnds:
        return "uneinheitliche Zeilenenden";
    case ReportFaultKind::unexpectedLine:
        return "unerwartete Zeile";
    case ReportFaultKind::unknownCheck:
        return "unbekannte Prüfung";
    case ReportFaultKind::contradiction:
        return "Ergebnis widerspricht den Prüfungen";
    case ReportFaultKind::trailingBlanks:
        return "Leerzeichen am Zeilenende (mit einem Editor geändert?)";
    case ReportFaultKind::crLineEnds:
        return "Zeilenenden nur CR statt LF oder CR LF";
    case ReportFaultKind::fieldTooLong:
        return "Angabe länger, als Quillbrook sie schreibt";
    case ReportFaultKind::unreadableFile:
        return "Datei konnte nicht gelesen werden";
    case ReportFaultKind::unreadableDirectory:
        return "Verzeichnis konnte nicht gelesen werden";
    case ReportFaultKind::notRegularFile:
        return "keine normale Datei";
    case ReportFaultKind::linkSkipped:
        return "Verknüpfung übersprungen";
    }
    return "unbekannter Fehler";
}

} // namespace quill
