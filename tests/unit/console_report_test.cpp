#include "core/console_report.h"
#include "report/report_file.h"
#include "sample_assessments.h"

namespace quill {
namespace {

using testing::fullHint;
using testing::officialHint;
using testing::sameLines;
using testing::technicalHint;
using testing::transcript;

const std::string separator = "<8>" + std::string(66, '-') + "\n<7>";

std::string head()
{
    return "<11>Quillbrook\n<8>Windows-11-Kompatibilitaetspruefung\n<7>" + separator +
           "CPU    : Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\nVendor : GenuineIntel\n" + separator +
           "<11>[Technische Mindestanforderungen]\n<7>";
}

std::string okLine(const std::string& paddedName, const std::string& detail)
{
    return "<10>[OK ]<7> " + paddedName + "<8> : " + detail + "<7>\n";
}

std::string noLine(const std::string& paddedName, const std::string& detail)
{
    return "<12>[NO ]<7> " + paddedName + "<8> : " + detail + "<7>\n";
}

std::string technicalLines(bool sse42, bool drive)
{
    std::string out =
        okLine("64-Bit CPU                ", "vorhanden") + okLine("64-Bit Betriebssystem     ", "vorhanden");
    out += sse42 ? okLine("SSE4.2                    ", "vorhanden") : noLine("SSE4.2                    ", "fehlt");
    out += okLine("POPCNT                    ", "vorhanden") + okLine("NX / XD Bit               ", "vorhanden") +
           okLine("CMPXCHG16b                ", "vorhanden") + okLine("LAHF/SAHF                 ", "vorhanden") +
           okLine("RAM >= 4 GiB              ", "8.0 GiB installiert");
    out += drive ? okLine("Systemlaufwerk >= 64 GiB  ", "Kapazitaet 238.4 GiB")
                 : noLine("Systemlaufwerk >= 64 GiB  ", "Kapazitaet 59.6 GiB");
    return out + separator + "<11>[Offizielle Microsoft-Anforderungen]\n<7>";
}

std::string officialLines(bool secureBoot, bool tpm)
{
    std::string out = okLine("UEFI-Boot                 ", "aktiv");
    out += secureBoot ? okLine("Secure Boot               ", "aktiviert")
                      : noLine("Secure Boot               ", "deaktiviert");
    out += tpm ? okLine("TPM 2.0                   ", "TPM 2.0 erkannt")
               : noLine("TPM 2.0                   ", "nur TPM 1.2 erkannt");
    return out + separator + "<11>[Ergebnis]\n<7>";
}

// The three verdict lines; each colour is the attribute the line is written in.
std::string verdicts(const char* technicalColour, const char* officialColour, const char* suitableColour)
{
    const auto line = [](const std::string& colour, const char* label, std::size_t fill) {
        const bool yes = colour == "<10>";
        return colour + label + std::string(fill, ' ') + " : " + (yes ? "JA" : "NEIN") + "\n<7>";
    };
    return line(technicalColour, "Technisch kompatibel", 14) + line(officialColour, "Offiziell kompatibel", 14) +
           line(suitableColour, "Technisch geeignet", 16);
}

TEST(ConsoleReport, WholeRunInColour)
{
    struct Case {
        const char* situation;
        Assessment assessment;
        std::string expected;
    };
    const Case cases[] = {
        {"every item passed", testing::allPassed(),
         head() + technicalLines(true, true) + officialLines(true, true) + verdicts("<10>", "<10>", "<10>") + "\n<10>" +
             fullHint + "<7>"},
        {"only an official item failed", testing::onlyOfficialFailed(),
         head() + technicalLines(true, true) + officialLines(false, true) + verdicts("<10>", "<14>", "<10>") +
             "\n<14>Offizielle Blocker:\n<7> - Secure Boot - deaktiviert\n" + "\n<14>" + officialHint + "<7>"},
        {"a technical item failed", testing::technicalFailed(),
         head() + technicalLines(false, true) + officialLines(true, true) + verdicts("<12>", "<14>", "<14>") +
             "\n<12>Echte technische Blocker:\n<7> - SSE4.2 - fehlt\n" + "\n<12>" + technicalHint + "<7>"},
        {"both blocker lists", testing::bothFailed(),
         head() + technicalLines(false, false) + officialLines(false, false) + verdicts("<12>", "<14>", "<14>") +
             "\n<12>Echte technische Blocker:\n<7> - SSE4.2 - fehlt\n - Systemlaufwerk >= 64 GiB - Kapazitaet 59.6 "
             "GiB\n" +
             "\n<14>Offizielle Blocker:\n<7> - Secure Boot - deaktiviert\n - TPM 2.0 - nur TPM 1.2 erkannt\n" +
             "\n<12>" + technicalHint + "<7>"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(sameLines(c.expected, transcript(renderConsoleReport(c.assessment)))) << c.situation;
    }
}

TEST(ConsoleReport, RunEndsWithReportStatusAndPrompt)
{
    ConsoleScript written;
    printReportStatus(written, true, "/opt/tools/quillbrook-report.txt");
    printKeyPrompt(written);
    EXPECT_EQ(transcript(written),
              "\n<8>Report: /opt/tools/quillbrook-report.txt\n<7>\nBeliebige Taste zum Beenden...\n");

    ConsoleScript failed;
    printReportStatus(failed, false, "");
    printKeyPrompt(failed);
    EXPECT_EQ(transcript(failed),
              "\n<14>Report konnte nicht gespeichert werden.\n<7>\nBeliebige Taste zum Beenden...\n");
}

TEST(ConsoleReport, PlayedWithAndWithoutAConsole)
{
    ConsoleScript script = renderConsoleReport(testing::bothFailed());
    printReportStatus(script, false, "");
    printKeyPrompt(script);
    for (const bool present : {true, false}) {
        std::string played;
        const ConsoleSink recorder{
            [&](std::string_view text) { played += text; },
            [&](Attribute attribute) { played += "<" + std::to_string(static_cast<int>(attribute)) + ">"; },
        };
        playScript(script, present, recorder);
        std::string expected = transcript(script);
        if (!present) {
            // The same text with every colour change left out.
            for (std::size_t at = expected.find('<'); at != std::string::npos; at = expected.find('<', at)) {
                expected.erase(at, expected.find('>', at) - at + 1);
            }
        }
        EXPECT_TRUE(sameLines(expected, played)) << (present ? "console present" : "console absent");
    }
}

TEST(CheckLine, NameFieldAndDetail)
{
    struct Case {
        const char* situation;
        CheckItem item;
        std::string expected;
    };
    const Case cases[] = {
        {"passed with detail",
         {"SSE4.2", true, "vorhanden"},
         "<10>[OK ]<7> SSE4.2" + std::string(20, ' ') + "<8> : vorhanden<7>\n"},
        {"failed with detail",
         {"SSE4.2", false, "fehlt"},
         "<12>[NO ]<7> SSE4.2" + std::string(20, ' ') + "<8> : fehlt<7>\n"},
        {"empty detail keeps the fill", {"SSE4.2", true, ""}, "<10>[OK ]<7> SSE4.2" + std::string(20, ' ') + "\n"},
        {"26 characters fill nothing",
         {std::string(26, 'N'), true, "x"},
         "<10>[OK ]<7> " + std::string(26, 'N') + "<8> : x<7>\n"},
        {"27 characters are written whole",
         {std::string(27, 'N'), false, "x"},
         "<12>[NO ]<7> " + std::string(27, 'N') + "<8> : x<7>\n"},
    };
    for (const Case& c : cases) {
        ConsoleScript out;
        printCheckLine(out, c.item);
        EXPECT_EQ(transcript(out), c.expected) << c.situation;
    }
}

} // namespace
} // namespace quill
