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
    // Lone bytes are written in octal: a hex escape would swallow the letters after it.
    const Case cases[] = {
        {"plain brand", "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz", "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz"},
        {"window title and bell", "AMD\x1b]0;owned\x07", "AMD?]0;owned?"},
        {"colour, carriage return, line feed, tab", "a\x1b[8mb\rc\nd\te", "a?[8mb?c?d?e"},
        {"NUL and DEL", std::string("x\0y\x7fz", 5), "x?y?z"},
        {"C1 controls as UTF-8 (NEL, CSI)", "a\u0085b\u009b31m", "a?b?31m"},
        {"letters whose UTF-8 holds 0x80-0x9F bytes", "Pr\u00fcfung \u2713 \U0001F600",
         "Pr\u00fcfung \u2713 \U0001F600"},
        {"no-break space stays", "a\u00a0b", "a\u00a0b"},
        {"lone 8-bit CSI", "a\23331m", "a?31m"},
        {"Latin-1 letter stays", "Pr\374fung", "Pr\374fung"},
        {"cut-short character", "\342\234", "\342?"},
        {"overlong form of ESC", "\300\233", "\300?"},
        {"UTF-16 surrogate", "\355\240\200", "\355\240?"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(printableText(c.text), c.shown) << c.situation;
    }
}

// Console and report both show control characters as '?', so the report keeps its lines.
TEST(PrintableText, ConsoleAndReportShowIt)
{
    Assessment assessment = testing::onlyOfficialFailed();
    assessment.brand = "Evil\x1b[2J CPU";
    assessment.vendor = "Gen\233Intel";

    const std::string console = testing::transcript(renderConsoleReport(assessment));
    EXPECT_NE(console.find("CPU    : Evil?[2J CPU\nVendor : Gen?Intel\n"), std::string::npos) << console;
    EXPECT_EQ(console.find('\x1b'), std::string::npos);

    const std::string report = buildReportText(assessment);
    EXPECT_NE(report.find("CPU    : Evil?[2J CPU\nVendor : Gen?Intel\n"), std::string::npos) << report;

    ConsoleScript status;
    printReportStatus(status, true, "/tmp/\x1b]0;x\x07/quillbrook-report.txt");
    EXPECT_EQ(testing::transcript(status), "\n<8>Report: /tmp/?]0;x?/quillbrook-report.txt\n<7>");
}

} // namespace
} // namespace quill
