// Reads arbitrary bytes as a report, and reads back reports written from arbitrary items.
// Input: a mode byte. Bit 0 clear: the rest is the file's bytes. Bit 0 set: bit 1 adds the
// byte-order mark, bit 2 makes the line ends CR LF; then a vendor byte (bit 0: AuthenticAMD,
// else a text follows), the brand, and per check a byte whose bit 0 is "passed" and its
// detail; texts are a length byte and that many bytes, line feeds dropped, cut to the longest
// the program writes, and control characters in details shown as the console shows them. Two final bytes
// say where to cut the written report short.

#include "core/checks.h"
#include "core/report_layout.h"
#include "core/printable_text.h"
#include "core/utf8_text.h"
#include "fuzz_input.h"
#include "report/report_reader.h"
#include "report/report_text.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

using quill::ReportFaultKind;
using quill::ReportReading;

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string textWithoutLineFeeds(quill::fuzz::ByteReader& in)
{
    std::string text = in.text();
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
}

std::size_t lineFeeds(std::string_view text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// What the writer would have written for a file the reader accepts: UTF-16 as UTF-8, BOM gone,
// CR LF as LF.
std::string canonical(std::string_view file)
{
    const std::string utf8 = file.starts_with("\xFF\xFE") ? quill::utf8FromUtf16Le(file.substr(2)) : std::string(file);
    std::string_view bytes = utf8;
    if (bytes.starts_with(byteOrderMark)) {
        bytes.remove_prefix(byteOrderMark.size());
    }
    const std::size_t firstEnd = bytes.find('\n');
    const bool crlf = firstEnd != std::string_view::npos && firstEnd > 0 && bytes[firstEnd - 1] == '\r';
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!(crlf && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) {
            out += bytes[i];
        }
    }
    return out;
}

// Anything accepted is exactly a report the writer could have written; anything refused
// names a line that exists or the one after the last.
void readArbitraryBytes(const std::string& bytes)
{
    const ReportReading reading = quill::readReport(bytes);
    if (reading) {
        FUZZ_CHECK(quill::buildReportText(*reading) == canonical(bytes));
        return;
    }
    const ReportFaultKind kind = reading.error().kind;
    FUZZ_CHECK(kind != ReportFaultKind::unreadableFile && kind != ReportFaultKind::unreadableDirectory);
    const bool wholeFile = kind == ReportFaultKind::empty || kind == ReportFaultKind::tooLarge;
    FUZZ_CHECK(wholeFile == (reading.error().line == 0));
    FUZZ_CHECK(reading.error().line <= lineFeeds(bytes) + 1);
}

quill::Assessment assessmentFrom(quill::fuzz::ByteReader& in)
{
    // Brand and vendor come from the processor, which may put anything there, line ends included,
    // but no more than its 12 and 48 bytes.
    std::string vendor =
        (in.byte() & 1u) != 0 ? std::string(quill::amdVendor) : in.text().substr(0, quill::maxVendorBytes);
    std::string brand = in.text().substr(0, quill::maxBrandBytes);
    quill::CheckList technical;
    quill::CheckList official;
    for (const quill::CheckDefinition& check : quill::checkTable) {
        if (!quill::isListedFor(check, vendor)) {
            continue;
        }
        const bool passed = (in.byte() & 1u) != 0;
        // A probe's detail holds no control character and is never longer than the longest.
        std::string detail = quill::printableText(textWithoutLineFeeds(in).substr(0, quill::maxDetailBytes));
        quill::CheckItem item{std::string(check.name), passed, std::move(detail)};
        (check.group == quill::CheckGroup::technical ? technical : official).push_back(std::move(item));
    }
    return quill::deriveAssessment(std::move(brand), std::move(vendor), technical, official);
}

bool sameItems(const quill::CheckList& a, const quill::CheckList& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.name == y.name && x.passed == y.passed && x.detail == y.detail;
    });
}

void readBackWritten(std::uint8_t mode, quill::fuzz::ByteReader& in)
{
    const quill::Assessment written = assessmentFrom(in);
    std::string bytes = (mode & 2u) != 0 ? std::string(byteOrderMark) : std::string();
    for (const char c : quill::buildReportText(written)) {
        bytes += c == '\n' && (mode & 4u) != 0 ? "\r\n" : std::string(1, c);
    }
    const ReportReading reading = quill::readReport(bytes);
    FUZZ_CHECK(reading.has_value());
    const quill::Assessment& read = *reading;
    FUZZ_CHECK(read.brand == quill::printableText(written.brand) &&
               read.vendor == quill::printableText(written.vendor));
    FUZZ_CHECK(sameItems(read.technicalChecks, written.technicalChecks));
    FUZZ_CHECK(sameItems(read.officialChecks, written.officialChecks));
    FUZZ_CHECK(read.technicallyCompatible == written.technicallyCompatible);
    FUZZ_CHECK(read.officiallyCompatible == written.officiallyCompatible);
    FUZZ_CHECK(read.technicalBlockers == written.technicalBlockers);
    FUZZ_CHECK(read.officialBlockers == written.officialBlockers);

    // Cut short anywhere, it is a report cut short in the line that holds the cut.
    const std::uint8_t low = in.byte();
    const std::size_t cut = static_cast<std::size_t>(low | (in.byte() << 8)) % bytes.size();
    if (cut > 0) {
        const ReportReading partial = quill::readReport(bytes.substr(0, cut));
        FUZZ_CHECK(!partial && partial.error().kind == ReportFaultKind::cutShort);
        FUZZ_CHECK(partial.error().line == 1 + lineFeeds(std::string_view(bytes).substr(0, cut)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quill::fuzz::ByteReader in(data, size);
    const std::uint8_t mode = in.byte();
    if ((mode & 1u) == 0) {
        readArbitraryBytes(in.rest());
    } else {
        readBackWritten(mode, in);
    }
    return 0;
}
