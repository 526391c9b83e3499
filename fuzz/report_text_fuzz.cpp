// Builds the report text from arbitrary item lists and checks its layout.
// Input: a flag byte (bit 0 technically compatible, bit 1 officially compatible, bit 2
// technically suitable, bit 3 derive all three from the lists instead), brand, vendor, then
// two lists (technical, official), each a count byte and per item a byte whose bit 0 is
// "passed", its name and its detail. Texts are a length byte and that many bytes of any
// value, newlines included.

#include "core/assessment.h"
#include "core/verdicts.h"
#include "core/printable_text.h"
#include "fuzz_input.h"
#include "report/report_text.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace {

using quill::BlockerList;
using quill::CheckItem;
using quill::CheckList;

CheckList readList(quill::fuzz::ByteReader& in)
{
    CheckList list;
    const std::uint8_t count = in.byte();
    for (std::uint8_t i = 0; i < count && !in.atEnd(); ++i) {
        CheckItem item;
        item.passed = (in.byte() & 1u) != 0;
        item.name = in.text();
        item.detail = in.text();
        list.push_back(std::move(item));
    }
    return list;
}

std::size_t failedCount(const CheckList& list)
{
    return static_cast<std::size_t>(
        std::count_if(list.begin(), list.end(), [](const CheckItem& item) { return !item.passed; }));
}

void checkBlockers(const CheckList& list, const BlockerList& blockers)
{
    FUZZ_CHECK(blockers.size() == failedCount(list));
    std::size_t next = 0;
    for (const CheckItem& item : list) {
        if (item.passed) {
            continue;
        }
        const std::string expected = item.detail.empty() ? item.name : item.name + " - " + item.detail;
        FUZZ_CHECK(blockers[next] == expected);
        ++next;
    }
}

// Walks the text piece by piece: with names and details carrying newlines of their own,
// only a walk that knows each field's bytes can tell where a line really ends.
class Walk {
  public:
    explicit Walk(const std::string& text) : text(text) {}

    void expect(std::string_view piece)
    {
        FUZZ_CHECK(text.compare(position, piece.size(), piece) == 0);
        position += piece.size();
    }

    // The field, then spaces up to width; a longer field stands whole.
    void expectPadded(std::string_view field, std::size_t width)
    {
        expect(field);
        for (std::size_t filled = field.size(); filled < width; ++filled) {
            expect(" ");
        }
    }

    void expectItems(const CheckList& list)
    {
        for (const CheckItem& item : list) {
            expect(item.passed ? "[OK ] " : "[NO ] ");
            expectPadded(item.name, 26);
            if (!item.detail.empty()) {
                expect(" : ");
                expect(item.detail);
            }
            expect("\n");
        }
    }

    void expectVerdict(std::string_view label, bool value)
    {
        expectPadded(label, 34);
        expect(" : ");
        expect(value ? "JA\n" : "NEIN\n");
    }

    void expectBlockers(std::string_view title, const BlockerList& blockers)
    {
        if (blockers.empty()) {
            return;
        }
        expect("\n");
        expect(title);
        for (const std::string& line : blockers) {
            expect(" - ");
            expect(line);
            expect("\n");
        }
    }

    [[nodiscard]] std::string_view rest() const { return std::string_view(text).substr(position); }

  private:
    const std::string& text;
    std::size_t position = 0;
};

bool hasNewline(const std::string& text)
{
    return text.find('\n') != std::string::npos;
}

bool anyNewline(const CheckList& list)
{
    return std::any_of(list.begin(), list.end(),
                       [](const CheckItem& item) { return hasNewline(item.name) || hasNewline(item.detail); });
}

std::size_t linesStartingWith(const std::string& text, std::string_view prefix)
{
    std::size_t count = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        if (text.compare(start, prefix.size(), prefix) == 0) {
            ++count;
        }
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    quill::fuzz::ByteReader in(data, size);
    const std::uint8_t flags = in.byte();
    const std::string brand = in.text();
    const std::string vendor = in.text();
    const CheckList technical = readList(in);
    const CheckList official = readList(in);

    const BlockerList technicalBlockers = quill::collectBlockers(technical);
    const BlockerList officialBlockers = quill::collectBlockers(official);
    checkBlockers(technical, technicalBlockers);
    checkBlockers(official, officialBlockers);

    bool technicallyCompatible = (flags & 1u) != 0;
    bool officiallyCompatible = (flags & 2u) != 0;
    bool technicallySuitable = (flags & 4u) != 0;
    std::string text;
    if ((flags & 8u) != 0) {
        const quill::Assessment assessment = quill::deriveAssessment(brand, vendor, technical, official);
        technicallyCompatible = technicalBlockers.empty();
        officiallyCompatible = technicallyCompatible && officialBlockers.empty();
        technicallySuitable = technicallyCompatible;
        FUZZ_CHECK(assessment.technicallyCompatible == technicallyCompatible);
        FUZZ_CHECK(assessment.officiallyCompatible == officiallyCompatible);
        FUZZ_CHECK(assessment.technicalBlockers == technicalBlockers);
        FUZZ_CHECK(assessment.officialBlockers == officialBlockers);
        FUZZ_CHECK(quill::exitCodeOf(assessment) == (officiallyCompatible ? 0 : technicallyCompatible ? 1 : 2));
        text = quill::buildReportText(assessment);
    } else {
        const quill::Assessment given{brand, vendor, technical, official, technicalBlockers, officialBlockers,
                                      false, false};
        text = quill::buildReportText(given, {technicallyCompatible, officiallyCompatible, technicallySuitable});
    }

    Walk walk(text);
    walk.expect("Quillbrook\n" + std::string(66, '=') + "\n\n");
    walk.expect("CPU    : " + quill::printableText(brand) + "\n");
    walk.expect("Vendor : " + quill::printableText(vendor) + "\n\n");
    walk.expect("[Technische Mindestanforderungen]\n");
    walk.expectItems(technical);
    walk.expect("\n[Offizielle Microsoft-Anforderungen]\n");
    walk.expectItems(official);
    walk.expect("\n[Ergebnis]\n");
    walk.expectVerdict("Technisch kompatibel", technicallyCompatible);
    walk.expectVerdict("Offiziell kompatibel", officiallyCompatible);
    walk.expectVerdict("Technisch geeignet", technicallySuitable);
    walk.expectBlockers("Echte technische Blocker:\n", technicalBlockers);
    walk.expectBlockers("Offizielle Blocker:\n", officialBlockers);
    walk.expect("\n");

    // The closing hint is the last line, and the flags pick which of the three.
    const std::string_view hint = walk.rest();
    FUZZ_CHECK(!hint.empty() && hint.find('\n') == hint.size() - 1);
    if (!technicallySuitable) {
        FUZZ_CHECK(hint.starts_with("Hinweis: Es fehlen echte technische Voraussetzungen."));
    } else if (officiallyCompatible) {
        FUZZ_CHECK(hint.starts_with("Hinweis: Dieses System erfuellt die technischen Kernanforderungen"));
    } else {
        FUZZ_CHECK(hint.starts_with("Hinweis: Die technischen Kernanforderungen sind erfuellt, aber"));
    }

    // Without newlines in the fields every line can be told by its start alone.
    if (!anyNewline(technical) && !anyNewline(official)) {
        const std::size_t failed = failedCount(technical) + failedCount(official);
        const std::size_t items = technical.size() + official.size();
        FUZZ_CHECK(linesStartingWith(text, "[NO ] ") == failed);
        FUZZ_CHECK(linesStartingWith(text, "[OK ] ") == items - failed);
        FUZZ_CHECK(linesStartingWith(text, " - ") == failed);
        const std::size_t blockerBlocks = (technicalBlockers.empty() ? 0 : 2) + (officialBlockers.empty() ? 0 : 2);
        const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        // Head 6, two titles and the blank line after the first list 3, result block 5, hint block 2.
        FUZZ_CHECK(lines == 6 + 3 + items + 5 + failed + blockerBlocks + 2);
    }
    return 0;
}
