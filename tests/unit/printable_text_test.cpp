#include "core/console_report.h"
#include "core/printable_text.h"
#include "report/report_file.h"
#include "report/report_text.h"
#include "sample_assessments.h"

namespace quill {
namespace {

TEST(PrintableText, ControlCharactersBecomeOneQuestionMarkEach)
{
    struct Case {
        const char* situation;
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"plain brand", "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz", "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz"},
        {"window title and bell", "AMD\x1b]0;owned\x07", "AMD?]0;owned?"},
        {"colour, carriage return, line feed, tab", "a\x1b[8mb\rc\nd\te", "a?[8mb?c?d?e"},
        {"NUL and DEL", std::string("x\0y\x7fz", 5), "x?y?z"},
        {"C1 controls as UTF-8 (NEL, CSI)",
         "a\xc2\x85"
         "b\xc2\x9b"
         "31m",
         "a?b?31m"},
        {"letters whose UTF-8 holds 0x80-0x9F bytes",
         "Pr\xc3\xbc"
         "fung \xe2\x9c\x93 \xf0\x9f\x98\x80",
         "Pr\xc3\xbc"
         "fung \xe2\x9c\x93 \xf0\x9f\x98\x80"},
        {"no-break space stays",
         "a\xc2\xa0"
         "b",
         "a\xc2\xa0"
         "b"},
        {"lone 8-bit CSI",
         "a\x9b"
         "31m",
         "a?31m"},
        {"Latin-1 letter stays",
         "Pr\xfc"
         "fung",
         "Pr\xfc"
         "fung"},
        {"cut-short character", "\xe2\x9c", "\xe2?"},
        {"overlong form of ESC", "\xc0\x9b", "\xc0?"},
        {"UTF-16 surrogate", "\xed\xa0\x80", "\xed\xa0?"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(printableText(c.text), c.shown) << c.situation;
    }
}

// Only the console is guarded: the report file keeps the texts exactly as read.
TEST(PrintableText, ConsoleShowsItWhileTheReportKeepsTheBytes)
{
    Assessment assessment = testing::onlyOfficialFailed();
    assessment.processor.brand = "Evil\x1b[2J CPU";
    assessment.processor.vendor = "Gen\x9b"
                                  "Intel";

    const std::string console = testing::transcript(renderConsoleReport(assessment));
    EXPECT_NE(console.find("CPU    : Evil?[2J CPU\nVendor : Gen?Intel\n"), std::string::npos) << console;
    EXPECT_EQ(console.find('\x1b'), std::string::npos);

    const std::string report = buildReportText(assessment);
    EXPECT_NE(report.find("CPU    : Evil\x1b[2J CPU\nVendor : Gen\x9b"
                          "Intel\n"),
              std::string::npos);

    ConsoleScript status;
    printReportStatus(status, true, "/tmp/\x1b]0;x\x07/quillbrook-report.txt");
    EXPECT_EQ(testing::transcript(status), "\n<8>Report: /tmp/?]0;x?/quillbrook-report.txt\n<7>");
}

} // namespace
} // namespace quill
