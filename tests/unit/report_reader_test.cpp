#include "core/checks.h"
#include "core/report_layout.h"
#include "core/printable_text.h"
#include "core/console_report.h"
#include "report/report_file.h"
#include "report/report_reader.h"
#include "report/report_text.h"
#include "sample_assessments.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace quill {
namespace {

std::string withBomAndCrlf(const std::string& text, bool bom, bool crlf)
{
    std::string out = bom ? "\xEF\xBB\xBF" : "";
    for (const char c : text) {
        out += c == '\n' && crlf ? "\r\n" : std::string(1, c);
    }
    return out;
}

bool sameItems(const CheckList& a, const CheckList& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const CheckItem& x, const CheckItem& y) {
        return x.name == y.name && x.passed == y.passed && x.detail == y.detail;
    });
}

::testing::AssertionResult readsBackAs(const std::string& bytes, const Assessment& expected)
{
    const ReportReading reading = readReport(bytes);
    if (!reading) {
        return ::testing::AssertionFailure() << faultText(reading.error().kind) << " in line " << reading.error().line;
    }
    const Assessment& a = *reading;
    const bool same = a.brand == printableText(expected.brand) && a.vendor == printableText(expected.vendor) &&
                      sameItems(a.technicalChecks, expected.technicalChecks) &&
                      sameItems(a.officialChecks, expected.officialChecks) &&
                      a.technicallyCompatible == expected.technicallyCompatible &&
                      a.officiallyCompatible == expected.officiallyCompatible &&
                      a.technicalBlockers == expected.technicalBlockers &&
                      a.officialBlockers == expected.officialBlockers;
    return same ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "read back differently";
}

// Texts built from pieces that look like the report's own separators, so a reader that
// splits at them instead of at the field widths fails.
// cppcheck-suppress constParameter ; every number drawn advances the engine
std::string randomText(std::mt19937& engine)
{
    static const char* const pieces[] = {"vorhanden", "fehlt", " : ",    ": ",        " - ", "x",
                                         "\xC3\xBC",  "  ",    "[NO ] ", "Hinweis: ", "JA"};
    std::string text;
    for (auto count = engine() % 4; count > 0; --count) {
        text += pieces[engine() % std::size(pieces)];
    }
    return text;
}

Assessment randomAssessment(std::mt19937& engine)
{
    static const char* const vendors[] = {"AuthenticAMD", "GenuineIntel", "", "AuthenticAM ", "HygonGenuine"};
    const std::string vendor = vendors[engine() % std::size(vendors)];
    const std::string brand = randomText(engine);
    CheckList technical;
    CheckList official;
    for (const CheckDefinition& check : checkTable) {
        if (!isListedFor(check, vendor)) {
            continue;
        }
        // Mostly passed, so that every verdict class turns up.
        CheckItem item{std::string(check.name), engine() % 8 != 0, randomText(engine)};
        (check.group == CheckGroup::technical ? technical : official).push_back(item);
    }
    return deriveAssessment(brand, vendor, technical, official);
}

// What the program prints, as saved from its standard output: the report, where it went, the prompt.
std::string consoleCapture(const Assessment& assessment)
{
    ConsoleScript script = renderConsoleReport(assessment);
    printReportStatus(script, true, "C:\\Temp\\quillbrook-report.txt");
    printKeyPrompt(script);
    return script.text;
}

TEST(ReportReader, ReadsBackWhatTheWriterWroteInEveryEncoding)
{
    std::mt19937 engine(20240611);
    for (int round = 0; round < 1000; ++round) {
        const Assessment assessment = randomAssessment(engine);
        // The console's text says the same: captured, it reads as the file.
        for (const std::string& text : {buildReportText(assessment), consoleCapture(assessment)}) {
            for (const bool bom : {true, false}) {
                for (const bool crlf : {false, true}) {
                    EXPECT_TRUE(readsBackAs(withBomAndCrlf(text, bom, crlf), assessment))
                        << "bom " << bom << ", crlf " << crlf << ":\n"
                        << text;
                }
            }
        }
    }
}

// A hypervisor may put line ends into the processor's texts; the report still reads back.
TEST(ReportReader, ReadsBackBrandAndVendorWithLineEnds)
{
    const Assessment a = deriveAssessment("Virtual\nCPU\r", "Gen\r\nuine", testing::intelTechnicalChecks(),
                                          testing::officialChecks(true, true));
    EXPECT_TRUE(readsBackAs(buildReportText(a), a));
    // The longest fields CPUID gives and the longest detail allowed are read.
    CheckList official = testing::officialChecks(false, true);
    official[1].detail = std::string(maxDetailBytes, 'd');
    const Assessment longest =
        deriveAssessment(std::string(maxBrandBytes, 'b'), "GenuineIntel", testing::intelTechnicalChecks(), official);
    EXPECT_TRUE(readsBackAs(buildReportText(longest), longest));
}

TEST(ReportReader, CutShortAnywhereNamesTheLineOfTheCut)
{
    const std::string text = buildReportText(testing::bothFailed());
    for (const bool crlf : {false, true}) {
        const std::string whole = withBomAndCrlf(text, true, crlf);
        for (std::size_t length = 1; length < whole.size(); ++length) {
            const std::string prefix = whole.substr(0, length);
            const ReportReading reading = readReport(prefix);
            ASSERT_FALSE(reading.has_value()) << length;
            EXPECT_EQ(reading.error().kind, ReportFaultKind::cutShort) << length;
            // The line holding the cut, or the next one when the cut follows a line end.
            EXPECT_EQ(reading.error().line, 1 + std::count(prefix.begin(), prefix.end(), '\n')) << length;
        }
    }
}

std::size_t lineOf(const std::string& text, const std::string& start)
{
    const std::size_t at = text.find("\n" + start);
    return at == std::string::npos ? 0
                                   : 2 + static_cast<std::size_t>(std::count(
                                             text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    return at == std::string::npos ? "<" + from + " not found>" : text.replace(at, from.size(), to);
}

std::string replacedAll(std::string text, char from, char to)
{
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

// ASCII text as Windows PowerShell 5.1 saves it with '>': UTF-16 little endian with its mark.
std::string utf16(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

Assessment amdMachine()
{
    CheckList technical = testing::intelTechnicalChecks();
    technical.insert(technical.begin() + 7, CheckItem{"PrefetchW (AMD)", true, "vorhanden"});
    return deriveAssessment("AMD Ryzen 5 3600 6-Core Processor", "AuthenticAMD", technical,
                            testing::officialChecks(false, true));
}

TEST(ReportReader, ReadsAReportSavedAsUtf16)
{
    const Assessment a = amdMachine();
    const std::string crlf = withBomAndCrlf(buildReportText(a), false, true);
    EXPECT_TRUE(readsBackAs(utf16(crlf), a));
    // A last byte alone is half a character: the report is cut short in its last line.
    EXPECT_EQ(readReport(utf16(crlf).substr(0, 2 * crlf.size() + 1)).error().kind, ReportFaultKind::cutShort);
}

TEST(ReportReader, FaultsNameKindAndLine)
{
    const std::string intel = buildReportText(testing::onlyOfficialFailed());
    const std::string amd = buildReportText(amdMachine());
    const std::string console = consoleCapture(testing::onlyOfficialFailed());
    struct Case {
        const char* situation;
        std::string bytes;
        ReportFaultKind kind;
        std::size_t line;
    };
    const Case cases[] = {
        {"empty file", "", ReportFaultKind::empty, 0},
        {"over 64 KiB", intel + std::string(maxReportBytes, 'x'), ReportFaultKind::tooLarge, 0},
        {"some other text", "Hallo Welt\nQuillbrook\n", ReportFaultKind::notAReport, 1},
        {"other text without line end", "PK\x03\x04", ReportFaultKind::notAReport, 1},
        {"product line with more on it", "Quillbrook 2\n" + intel.substr(11), ReportFaultKind::notAReport, 1},
        {"verdict says compatible",
         replaced(intel, "Offiziell kompatibel               : NEIN", "Offiziell kompatibel               : JA"),
         ReportFaultKind::contradiction, lineOf(intel, "Offiziell kompatibel")},
        {"blocker block missing", replaced(intel, "\nOffizielle Blocker:\n - Secure Boot - deaktiviert\n", ""),
         ReportFaultKind::contradiction, lineOf(intel, "Offizielle Blocker:")},
        {"blocker of another check", replaced(intel, " - Secure Boot - deaktiviert", " - TPM 2.0 - deaktiviert"),
         ReportFaultKind::contradiction, lineOf(intel, " - Secure Boot")},
        {"hint of another verdict", replaced(intel, "Hinweis: Die technischen", "Hinweis: Dieses System"),
         ReportFaultKind::contradiction, lineOf(intel, "Hinweis:")},
        {"unknown check", replaced(intel, "[OK ] SSE4.2  ", "[OK ] SSE4.1  "), ReportFaultKind::unknownCheck,
         lineOf(intel, "[OK ] SSE4.2")},
        {"another check in its place", replaced(intel, "[OK ] SSE4.2  ", "[OK ] POPCNT  "),
         ReportFaultKind::unexpectedLine, lineOf(intel, "[OK ] SSE4.2")},
        {"PrefetchW on an Intel",
         replaced(intel, "[OK ] RAM", "[OK ] PrefetchW (AMD)            : vorhanden\n[OK ] RAM"),
         ReportFaultKind::unexpectedLine, lineOf(intel, "[OK ] RAM")},
        {"no PrefetchW on an AMD", replaced(amd, "[OK ] PrefetchW (AMD)            : vorhanden\n", ""),
         ReportFaultKind::unexpectedLine, lineOf(amd, "[OK ] PrefetchW")},
        {"tag in lower case", replaced(intel, "[OK ] POPCNT", "[ok ] POPCNT"), ReportFaultKind::unexpectedLine,
         lineOf(intel, "[OK ] POPCNT")},
        {"separator without detail",
         replaced(intel, "[OK ] POPCNT" + std::string(20, ' ') + " : vorhanden",
                  "[OK ] POPCNT" + std::string(20, ' ') + " : "),
         ReportFaultKind::unexpectedLine, lineOf(intel, "[OK ] POPCNT")},
        {"a line after the hint", intel + "\n", ReportFaultKind::unexpectedLine, lineOf(intel, "Hinweis:") + 1},
        {"one LF in a CR LF file", replaced(withBomAndCrlf(intel, true, true), "[Ergebnis]\r\n", "[Ergebnis]\n"),
         ReportFaultKind::mixedLineEnds, lineOf(intel, "[Ergebnis]")},
        {"section title missing", replaced(intel, "[Ergebnis]\n", ""), ReportFaultKind::unexpectedLine,
         lineOf(intel, "[Ergebnis]")},
        {"control character in the vendor", replaced(intel, "GenuineIntel", "Genuine\x11Intel"),
         ReportFaultKind::unexpectedLine, lineOf(intel, "Vendor")},
        // The page and the sheet show these texts: the writer never puts a control character
        // into a detail, nor more than CPUID's 48 and 12 bytes or the longest detail it has.
        {"escape sequences in a detail",
         replaced(intel, ": deaktiviert",
                  ": de\x1b]52;c;eA==\x07\x1b"
                  "[2J"),
         ReportFaultKind::unexpectedLine, lineOf(intel, "[NO ] Secure Boot")},
        {"C1 control in a detail",
         replaced(intel, ": deaktiviert",
                  ": de\xC2\x9B"
                  "2J"),
         ReportFaultKind::unexpectedLine, lineOf(intel, "[NO ] Secure Boot")},
        {"brand of 49 bytes",
         replaced(intel,
                  "CPU    : ", "CPU    : " + std::string(maxBrandBytes + 1 - std::strlen(testing::intelBrand), 'x')),
         ReportFaultKind::fieldTooLong, lineOf(intel, "CPU")},
        {"vendor of 13 bytes", replaced(intel, "GenuineIntel", "GenuineIntel "), ReportFaultKind::fieldTooLong,
         lineOf(intel, "Vendor")},
        {"detail longer than any written", replaced(intel, ": deaktiviert", ": " + std::string(5000, 'x')),
         ReportFaultKind::fieldTooLong, lineOf(intel, "[NO ] Secure Boot")},
        {"spaces after a title", replaced(intel, "[Ergebnis]\n", "[Ergebnis]  \n"), ReportFaultKind::trailingBlanks,
         lineOf(intel, "[Ergebnis]")},
        {"tab after the rule", replaced(intel, "=\n\n", "=\t\n\n"), ReportFaultKind::trailingBlanks, 2},
        {"space after the product line", "Quillbrook \n" + intel.substr(11), ReportFaultKind::trailingBlanks, 1},
        {"CR alone ends the lines", replacedAll(intel, '\n', '\r'), ReportFaultKind::crLineEnds, 1},
        {"a fault in UTF-16", utf16(replaced(intel, "[Ergebnis]\n", "")), ReportFaultKind::unexpectedLine,
         lineOf(intel, "[Ergebnis]")},
        {"a fault in a console capture", replaced(console, "[OK ] POPCNT", "[ok ] POPCNT"),
         ReportFaultKind::unexpectedLine, lineOf(console, "[OK ] POPCNT")},
        {"a console capture cut short", console.substr(0, console.find("[Ergebnis]")), ReportFaultKind::cutShort,
         lineOf(console, "[Ergebnis]")},
        {"a console capture with more", console + "PS C:\\> \n", ReportFaultKind::unexpectedLine,
         lineOf(console, "Hinweis:") + 1},
    };
    for (const Case& c : cases) {
        const ReportReading reading = readReport(c.bytes);
        ASSERT_FALSE(reading.has_value()) << c.situation;
        EXPECT_EQ(reading.error().kind, c.kind) << c.situation << ": " << faultText(reading.error().kind);
        EXPECT_EQ(reading.error().line, c.line) << c.situation;
    }
}

} // namespace
} // namespace quill
