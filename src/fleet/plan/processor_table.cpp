#include "fleet/plan/processor_table.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>
#include <vector>

namespace quill {
namespace {

using enum ProcessorListing;

constexpr std::string_view intel = "GenuineIntel";
constexpr std::string_view amd = "AuthenticAMD";

// One processor generation by its CPUID signature: display family, a model range and a stepping
// range. "unknown" sends the question on to the brand: the signature is shared by listed and
// unlisted parts (Kaby Lake and Amber Lake Y are both family 6, model 0x8E, stepping 9).
struct SignatureRow {
    std::string_view vendor; // cppcheck-suppress unusedStructMember ; compared in signatureRow
    std::uint32_t family;
    std::uint32_t firstModel;
    std::uint32_t lastModel;
    std::uint32_t firstStepping;
    std::uint32_t lastStepping;
    ProcessorListing listing;
    bool beforeFirmwareTpm;
};

constexpr std::uint32_t anyStepping = 0xF;

// Sources: the family/model/stepping of each generation as Intel's Software Developer's Manual
// (vol. 4, the DisplayFamily_DisplayModel table) and its errata documents per processor, and AMD's
// revision guides and family BKDG/PPR documents list them; whether it is supported, from the OS
// vendor's published lists of supported Intel and AMD processors for Windows 11. Firmware TPMs
// came with Intel's PTT on Haswell (4th generation) and AMD's fTPM on its Security Processor.
constexpr SignatureRow signatureRows[] = {
    // NetBurst: Pentium 4, Pentium D, the Xeons of that time.
    {intel, 0xF, 0x00, 0xFF, 0, anyStepping, no, true},
    // Core 2 and Penryn (0x0F, 0x16, 0x17, 0x1D), the first Atoms (0x1C, 0x26, 0x27, 0x35, 0x36).
    {intel, 0x6, 0x0F, 0x0F, 0, anyStepping, no, true},
    {intel, 0x6, 0x16, 0x17, 0, anyStepping, no, true},
    {intel, 0x6, 0x1C, 0x1D, 0, anyStepping, no, true},
    {intel, 0x6, 0x26, 0x27, 0, anyStepping, no, true},
    {intel, 0x6, 0x35, 0x36, 0, anyStepping, no, true},
    // Nehalem and Westmere (Core i 1st generation, Xeon 5500/5600).
    {intel, 0x6, 0x1A, 0x1A, 0, anyStepping, no, true},
    {intel, 0x6, 0x1E, 0x1F, 0, anyStepping, no, true},
    {intel, 0x6, 0x25, 0x25, 0, anyStepping, no, true},
    {intel, 0x6, 0x2C, 0x2C, 0, anyStepping, no, true},
    {intel, 0x6, 0x2E, 0x2F, 0, anyStepping, no, true},
    // Sandy Bridge (0x2A, 0x2D) and Ivy Bridge (0x3A, 0x3E): 2nd and 3rd generation, Xeon E3/E5 v1/v2.
    {intel, 0x6, 0x2A, 0x2A, 0, anyStepping, no, true},
    {intel, 0x6, 0x2D, 0x2D, 0, anyStepping, no, true},
    {intel, 0x6, 0x3A, 0x3A, 0, anyStepping, no, true},
    {intel, 0x6, 0x3E, 0x3E, 0, anyStepping, no, true},
    // Haswell (0x3C, 0x3F, 0x45, 0x46) and Broadwell (0x3D, 0x47, 0x4F, 0x56): 4th and 5th generation.
    {intel, 0x6, 0x3C, 0x3D, 0, anyStepping, no, false},
    {intel, 0x6, 0x3F, 0x3F, 0, anyStepping, no, false},
    {intel, 0x6, 0x45, 0x47, 0, anyStepping, no, false},
    {intel, 0x6, 0x4F, 0x4F, 0, anyStepping, no, false},
    {intel, 0x6, 0x56, 0x56, 0, anyStepping, no, false},
    // Skylake client (0x4E, 0x5E): 6th generation, Xeon E3 v5.
    {intel, 0x6, 0x4E, 0x4E, 0, anyStepping, no, false},
    {intel, 0x6, 0x5E, 0x5E, 0, anyStepping, no, false},
    // Silvermont and Airmont (Bay Trail, Cherry Trail, Braswell), Goldmont (Apollo Lake, Denverton).
    {intel, 0x6, 0x37, 0x37, 0, anyStepping, no, false},
    {intel, 0x6, 0x4A, 0x4D, 0, anyStepping, no, false},
    {intel, 0x6, 0x5A, 0x5A, 0, anyStepping, no, false},
    {intel, 0x6, 0x5C, 0x5D, 0, anyStepping, no, false},
    {intel, 0x6, 0x5F, 0x5F, 0, anyStepping, no, false},
    // Skylake-SP/X/W (stepping up to 4): some X- and W-series are listed, first-generation Scalable
    // Xeons are not: the brand tells. Cascade Lake (5 to 7) and Cooper Lake (10, 11) are listed.
    {intel, 0x6, 0x55, 0x55, 0, 4, unknown, false},
    {intel, 0x6, 0x55, 0x55, 5, anyStepping, yes, false},
    // Cannon Lake.
    {intel, 0x6, 0x66, 0x66, 0, anyStepping, yes, false},
    // Ice Lake server (0x6A, 0x6C) and client (0x7D, 0x7E).
    {intel, 0x6, 0x6A, 0x6A, 0, anyStepping, yes, false},
    {intel, 0x6, 0x6C, 0x6C, 0, anyStepping, yes, false},
    {intel, 0x6, 0x7D, 0x7E, 0, anyStepping, yes, false},
    // Goldmont Plus: Gemini Lake Pentium Silver and Celeron N4000/J4005 and their refresh.
    {intel, 0x6, 0x7A, 0x7A, 0, anyStepping, yes, false},
    // Lakefield.
    {intel, 0x6, 0x8A, 0x8A, 0, anyStepping, yes, false},
    // Tiger Lake (0x8C, 0x8D), Sapphire Rapids (0x8F).
    {intel, 0x6, 0x8C, 0x8D, 0, anyStepping, yes, false},
    {intel, 0x6, 0x8F, 0x8F, 0, anyStepping, yes, false},
    // Model 0x8E: Kaby Lake U/Y and Amber Lake Y (stepping 9) share a signature, the brand tells;
    // Kaby Lake R (10), Whiskey Lake (11) and Comet Lake U (12) are 8th and 10th generation.
    {intel, 0x6, 0x8E, 0x8E, 0, 9, unknown, false},
    {intel, 0x6, 0x8E, 0x8E, 10, anyStepping, yes, false},
    // Model 0x9E: Kaby Lake S/H/X/G, Xeon E3 v6, Pentium G4560 (stepping 9) share a signature, the
    // brand tells; Coffee Lake and its refresh (10 to 13), Xeon E-2100/E-2200 are listed.
    {intel, 0x6, 0x9E, 0x9E, 0, 9, unknown, false},
    {intel, 0x6, 0x9E, 0x9E, 10, anyStepping, yes, false},
    // Elkhart Lake (0x96), Alder Lake (0x97, 0x9A), Jasper Lake (0x9C).
    {intel, 0x6, 0x96, 0x97, 0, anyStepping, yes, false},
    {intel, 0x6, 0x9A, 0x9A, 0, anyStepping, yes, false},
    {intel, 0x6, 0x9C, 0x9C, 0, anyStepping, yes, false},
    // Comet Lake (0xA5, 0xA6), Rocket Lake (0xA7), Meteor Lake (0xAA, 0xAC).
    {intel, 0x6, 0xA5, 0xA7, 0, anyStepping, yes, false},
    {intel, 0x6, 0xAA, 0xAC, 0, anyStepping, yes, false},
    // Raptor Lake (0xB7, 0xBA, 0xBF), Lunar Lake (0xBD), Alder Lake-N (0xBE), Arrow Lake (0xC5, 0xC6),
    // Emerald Rapids (0xCF).
    {intel, 0x6, 0xB7, 0xB7, 0, anyStepping, yes, false},
    {intel, 0x6, 0xBA, 0xBA, 0, anyStepping, yes, false},
    {intel, 0x6, 0xBD, 0xBF, 0, anyStepping, yes, false},
    {intel, 0x6, 0xC5, 0xC6, 0, anyStepping, yes, false},
    {intel, 0x6, 0xCF, 0xCF, 0, anyStepping, yes, false},
    // K8, K10 and their kin: Athlon 64, Phenom, Athlon II, Turion, Llano, Bobcat; before the
    // Security Processor.
    {amd, 0x0F, 0x00, 0xFF, 0, anyStepping, no, true},
    {amd, 0x10, 0x00, 0xFF, 0, anyStepping, no, true},
    {amd, 0x11, 0x00, 0xFF, 0, anyStepping, no, true},
    {amd, 0x12, 0x00, 0xFF, 0, anyStepping, no, true},
    {amd, 0x14, 0x00, 0xFF, 0, anyStepping, no, true},
    // Bulldozer to Excavator (FX, A-series, Opteron 6200-6300) and Jaguar/Puma (Kabini, Beema):
    // not listed; the later APUs already carry the Security Processor, so no claim about fTPM.
    {amd, 0x15, 0x00, 0x5F, 0, anyStepping, no, true},
    {amd, 0x15, 0x60, 0xFF, 0, anyStepping, no, false},
    {amd, 0x16, 0x00, 0xFF, 0, anyStepping, no, false},
    // Zen (family 0x17): Summit Ridge, Naples and Threadripper 1000 (model 0x01) are not listed.
    // Pinnacle Ridge (0x08) also makes the Ryzen 1600 AF and Raven Ridge (0x11) the Athlon 200GE,
    // so the brand tells; Picasso, Dali, Rome, Renoir, Lucienne, Matisse, Van Gogh, Mendocino
    // are all listed.
    {amd, 0x17, 0x01, 0x01, 0, anyStepping, no, false},
    {amd, 0x17, 0x08, 0x08, 0, anyStepping, unknown, false},
    {amd, 0x17, 0x11, 0x11, 0, anyStepping, unknown, false},
    {amd, 0x17, 0x18, 0x18, 0, anyStepping, yes, false},
    {amd, 0x17, 0x20, 0x20, 0, anyStepping, yes, false},
    {amd, 0x17, 0x31, 0x31, 0, anyStepping, yes, false},
    {amd, 0x17, 0x60, 0x60, 0, anyStepping, yes, false},
    {amd, 0x17, 0x68, 0x68, 0, anyStepping, yes, false},
    {amd, 0x17, 0x71, 0x71, 0, anyStepping, yes, false},
    {amd, 0x17, 0x90, 0x90, 0, anyStepping, yes, false},
    {amd, 0x17, 0xA0, 0xA0, 0, anyStepping, yes, false},
    // Zen 3 and later: every model of families 0x19 and 0x1A.
    {amd, 0x19, 0x00, 0xFF, 0, anyStepping, yes, false},
    {amd, 0x1A, 0x00, 0xFF, 0, anyStepping, yes, false},
};

const SignatureRow* signatureRow(const ProcessorIdentity& p)
{
    if (!p.family || !p.model) {
        return nullptr;
    }
    const auto* const found = std::find_if(std::begin(signatureRows), std::end(signatureRows), [&](const auto& row) {
        const std::uint32_t stepping = p.stepping.value_or(anyStepping);
        // Without the stepping, only a row that holds every stepping can answer.
        const bool steppingFits = p.stepping ? stepping >= row.firstStepping && stepping <= row.lastStepping
                                             : row.firstStepping == 0 && row.lastStepping == anyStepping;
        return row.vendor == p.vendor && row.family == *p.family && *p.model >= row.firstModel &&
               *p.model <= row.lastModel && steppingFits;
    });
    return found == std::end(signatureRows) ? nullptr : found;
}

// The brand text's words without the trademark signs, so "Intel(R) Core(TM) i5-8500" reads
// "Intel Core i5-8500" and "Core(TM)2 Duo" reads "Core2 Duo".
std::vector<std::string> brandWords(std::string_view brand)
{
    std::string text(brand);
    for (const std::string_view sign : {"(R)", "(r)", "(TM)", "(tm)"}) {
        for (std::size_t at = text.find(sign); at != std::string::npos; at = text.find(sign, at)) {
            text.erase(at, sign.size());
        }
    }
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        if (end > start) {
            words.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

using Words = std::vector<std::string>;

bool hasWord(const Words& words, std::string_view word)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The word after the first one equal to word, or "".
std::string_view wordAfter(const Words& words, std::string_view word)
{
    const auto found = std::find(words.begin(), words.end(), word);
    return found == words.end() || found + 1 == words.end() ? std::string_view() : std::string_view(*(found + 1));
}

std::size_t leadingDigits(std::string_view text)
{
    std::size_t count = 0;
    while (count < text.size() && std::isdigit(static_cast<unsigned char>(text[count])) != 0) {
        ++count;
    }
    return count;
}

bool startsWithWord(const Words& words, std::string_view prefix)
{
    return std::any_of(words.begin(), words.end(), [prefix](const std::string& w) { return w.starts_with(prefix); });
}

// The number of the first word that is one of the letters given followed by digits ("G5400" for
// "G", "N4020" for "NJ"), with its digit count; 0 digits where there is none.
struct ModelNumber {
    std::string_view digits;
    char letter = '\0';
};

ModelNumber letteredNumber(const Words& words, std::string_view letters)
{
    for (const std::string& word : words) {
        const std::size_t digits = word.size() > 1 ? leadingDigits(std::string_view(word).substr(1)) : 0;
        if (digits >= 3 && letters.find(word[0]) != std::string_view::npos) {
            return ModelNumber{std::string_view(word).substr(1, digits), word[0]};
        }
    }
    return {};
}

// The first word that starts with four digits ("4415U", "6405U", "3015e"), or "".
std::string_view fourDigitWord(const Words& words)
{
    for (const std::string& word : words) {
        if (leadingDigits(word) == 4) {
            return word;
        }
    }
    return {};
}

// A Core i model such as "i5-8500", "i7-1165G7", "i9-12900K" or "i7-7Y75": its generation and
// what follows the number. The generation is the number's first digit, or its first two for five
// digits and for four that start with 1 (10th to 14th generation mobile: i7-1065G7, i5-1235U);
// three digits are the 1st generation (i7-920, i5-520M); one digit before a Y is a Y-series part.
struct CoreModel {
    int generation = 0;
    std::string_view number; // cppcheck-suppress unusedStructMember ; read by the rules' lambdas
    std::string_view suffix; // cppcheck-suppress unusedStructMember ; read by the rules' lambdas
};

std::optional<CoreModel> coreModel(const Words& words)
{
    for (const std::string& word : words) {
        const std::string_view w = word;
        if (w.size() < 4 || w[0] != 'i' || std::string_view("3579").find(w[1]) == std::string_view::npos ||
            w[2] != '-') {
            continue;
        }
        const std::string_view number = w.substr(3, leadingDigits(w.substr(3)));
        const auto digit = [&](std::size_t i) { return number[i] - '0'; };
        CoreModel model{0, number, w.substr(3 + number.size())};
        if (number.size() == 3) {
            model.generation = 1;
        } else if (number.size() == 5 || (number.size() == 4 && number[0] == '1')) {
            model.generation = digit(0) * 10 + digit(1);
        } else if (number.size() == 4 || (number.size() == 1 && model.suffix.starts_with("Y"))) {
            model.generation = digit(0);
        } else {
            continue;
        }
        return model;
    }
    return std::nullopt;
}

// A Ryzen's four-digit model number ("AMD Ryzen 5 3600", "AMD Ryzen 7 PRO 4750U"): its series
// digit, 0 when there is none.
int ryzenSeries(const Words& words)
{
    if (!hasWord(words, "Ryzen")) {
        return 0;
    }
    const std::string_view number = fourDigitWord(words);
    return number.empty() ? 0 : number[0] - '0';
}

// The AMD A-series APUs: "AMD A10-7850K", "AMD A8-6500 APU", "AMD PRO A12-9800B".
bool isAmdASeries(const Words& words)
{
    return hasWord(words, "AMD") && std::any_of(words.begin(), words.end(), [](const std::string& w) {
               const std::size_t digits =
                   w.size() > 1 && w[0] == 'A' ? leadingDigits(std::string_view(w).substr(1)) : 0;
               return digits >= 1 && digits <= 2 && (w.size() == 1 + digits || w[1 + digits] == '-');
           });
}

// The value a rule gives a brand: a listing, or no answer (the next rule is asked).
struct BrandAnswer {
    ProcessorListing listing;
    bool beforeFirmwareTpm = false;
};
using Rule = std::optional<BrandAnswer> (*)(const Words& words);

std::optional<BrandAnswer> answer(bool matches, ProcessorListing listing, bool before = false)
{
    return matches ? std::optional(BrandAnswer{listing, before}) : std::nullopt;
}

bool isIntelLine(const Words& w, std::string_view line)
{
    return hasWord(w, line) || startsWithWord(w, std::string(line) + "(");
}

// Intel desktop Pentium and Celeron by their G number: Sandy/Ivy Bridge (three digits, G1600s,
// G2000s), Haswell (G1800s, G3200s), Skylake and Kaby Lake (G3900s, G4400 to G4600) are not
// listed; Coffee Lake (Celeron G4900s, Pentium Gold G5000s) and later are.
std::optional<BrandAnswer> desktopPentiumOrCeleron(const Words& w)
{
    const ModelNumber g = letteredNumber(w, "G");
    if ((!hasWord(w, "Pentium") && !hasWord(w, "Celeron")) || g.digits.empty()) {
        return std::nullopt;
    }
    if (g.digits.size() == 3) {
        return BrandAnswer{no, true};
    }
    const int series = (g.digits[0] - '0') * 10 + (g.digits[1] - '0');
    if (series < 18 || (series >= 20 && series < 30)) {
        return BrandAnswer{no, true};
    }
    return BrandAnswer{series >= 49 ? yes : no};
}

// Intel's small-core Pentium and Celeron by their N or J number: Bay Trail (N2000s, J1000s),
// Braswell and Apollo Lake (N3000s, Pentium N4200/J4205) are not listed; Gemini Lake (N4000,
// N4100, N5000 and their refresh), Jasper Lake and Elkhart Lake (N4500, N5100, N6000, J6400) are.
std::optional<BrandAnswer> smallCorePentiumOrCeleron(const Words& w)
{
    const ModelNumber n = letteredNumber(w, "NJ");
    if ((!hasWord(w, "Pentium") && !hasWord(w, "Celeron")) || n.digits.size() != 4) {
        return std::nullopt;
    }
    const int series = (n.digits[0] - '0') * 10 + (n.digits[1] - '0');
    return BrandAnswer{series >= 40 && series != 42 ? yes : no};
}

// Intel's mobile Pentium and Celeron by their four digits: up to Kaby Lake (1000s to 3000s,
// Pentium 4405U to 4417U) not listed; Amber Lake (4425Y), Whiskey Lake (Celeron 4205U), Comet Lake
// and later are.
std::optional<BrandAnswer> mobilePentiumOrCeleron(const Words& w)
{
    const std::string_view number = fourDigitWord(w);
    if ((!hasWord(w, "Pentium") && !hasWord(w, "Celeron")) || number.empty()) {
        return std::nullopt;
    }
    const int series = (number[0] - '0') * 10 + (number[1] - '0');
    if (series < 40) {
        return BrandAnswer{no, series < 20};
    }
    return BrandAnswer{series == 44 && number.substr(0, 4) != "4425" ? no : yes};
}

// Xeons by their line: E3, E5 and E7 of every version are not listed (v1 and v2 before PTT),
// nor the older X5600-style models; E-2100 and later, the W-series and the second and later
// Scalable generations (Gold 6230, Silver 4310) are. First-generation Scalable (Gold 6130) is
// not known here.
std::optional<BrandAnswer> xeon(const Words& w)
{
    if (!hasWord(w, "Xeon")) {
        return std::nullopt;
    }
    const bool oldVersion = !startsWithWord(w, "v") || hasWord(w, "v2");
    if (startsWithWord(w, "E3-") || startsWithWord(w, "E5-") || startsWithWord(w, "E7-")) {
        return BrandAnswer{no, oldVersion};
    }
    if (startsWithWord(w, "E-2") || startsWithWord(w, "W-") || startsWithWord(w, "w3-") || startsWithWord(w, "w5-") ||
        startsWithWord(w, "w7-") || startsWithWord(w, "w9-")) {
        return BrandAnswer{yes};
    }
    for (const std::string_view level : {"Bronze", "Silver", "Gold", "Platinum"}) {
        const std::string_view number = wordAfter(w, level);
        if (leadingDigits(number) == 4) {
            return BrandAnswer{number[1] == '1' ? unknown : yes};
        }
    }
    const ModelNumber old = letteredNumber(w, "XELW");
    return old.digits.size() == 4 ? std::optional(BrandAnswer{no, true}) : std::nullopt;
}

// Core m: Broadwell's Core M-5Y, Skylake's m3-6Y and Kaby Lake's m3-7Y are not listed, Amber
// Lake's m3-8100Y is.
std::optional<BrandAnswer> coreM(const Words& w)
{
    for (const std::string& word : w) {
        if (word.size() > 3 && (word[0] == 'm' || word[0] == 'M') && word[2] == '-' &&
            std::isdigit(static_cast<unsigned char>(word[3])) != 0) {
            return BrandAnswer{word[3] >= '8' ? yes : no};
        }
        if (word.starts_with("M-5Y")) {
            return BrandAnswer{no};
        }
    }
    return std::nullopt;
}

// Atom: Elkhart Lake's x6000E series is listed; Bay Trail (Z3000s), Cherry Trail (x5-Z8000s)
// and the first Atoms (N270, D525) are not.
std::optional<BrandAnswer> atom(const Words& w)
{
    if (!hasWord(w, "Atom")) {
        return std::nullopt;
    }
    if (startsWithWord(w, "x6")) {
        return BrandAnswer{yes};
    }
    if (startsWithWord(w, "x5-") || startsWithWord(w, "x7-") || startsWithWord(w, "Z3") || startsWithWord(w, "Z2")) {
        return BrandAnswer{no};
    }
    const ModelNumber old = letteredNumber(w, "ND");
    return old.digits.size() == 3 ? std::optional(BrandAnswer{no, true}) : std::nullopt;
}

// AMD's Athlons after the A-series: Picasso and Dali (Athlon 300U, 3000G, Gold 3150U, Silver
// 3050U) and Mendocino (Gold 7220U, Silver 7120U) are listed, Kabini (Athlon 5350) and the X4s
// are not; Raven Ridge's Athlon 200GE is not known here.
std::optional<BrandAnswer> laterAthlon(const Words& w)
{
    if (!hasWord(w, "Athlon") || !hasWord(w, "AMD")) {
        return std::nullopt;
    }
    if (hasWord(w, "X4") || hasWord(w, "X2")) {
        return BrandAnswer{no};
    }
    const std::string_view four = fourDigitWord(w);
    if (!four.empty()) {
        return BrandAnswer{four[0] == '3' || four[0] == '7' ? yes : no};
    }
    for (const std::string& word : w) {
        if (leadingDigits(word) == 3) {
            return word[0] == '3' ? std::optional(BrandAnswer{yes}) : std::nullopt;
        }
    }
    return std::nullopt;
}

// AMD parts named by the number alone: "AMD 3015e", "AMD 3020e" (Dali), listed.
std::optional<BrandAnswer> amdNumberOnly(const Words& w)
{
    return answer(w.size() >= 2 && w[0] == "AMD" && (w[1] == "3015e" || w[1] == "3020e" || w[1] == "3015Ce"), yes);
}

// EPYC by the generation in its model's last digit: Naples (7551, 7601, embedded 3251) is not
// listed, Rome (7702, 7H12) and later are.
std::optional<BrandAnswer> epyc(const Words& w)
{
    const std::string_view model = wordAfter(w, "EPYC");
    if (model.size() < 4) {
        return std::nullopt;
    }
    const char generation = model[3];
    return answer(std::isdigit(static_cast<unsigned char>(generation)) != 0, generation == '1' ? no : yes);
}

// Threadripper by its series: 1000 is not listed, 2000 and later are.
std::optional<BrandAnswer> threadripper(const Words& w)
{
    const std::string_view number = fourDigitWord(w);
    if (!hasWord(w, "Threadripper") || number.empty()) {
        return std::nullopt;
    }
    return BrandAnswer{number[0] == '1' ? no : yes};
}

// Ryzen Embedded V1000, R1000, V2000 and later (Raven Ridge, Dali and on), and the handhelds'
// Ryzen Z1: listed.
std::optional<BrandAnswer> ryzenEmbeddedOrHandheld(const Words& w)
{
    return answer(
        hasWord(w, "Ryzen") && (wordAfter(w, "Embedded").size() >= 5 || wordAfter(w, "Ryzen").starts_with("Z")), yes);
}

// First answer wins; a brand no rule knows is unknown. Only naming rules that hold for every
// model of a family are here: the list itself names single models. Sources as for the
// signatures: the makers' model numbering and the OS vendor's lists of supported processors.
constexpr Rule brandRules[] = {
    // Core Ultra, every one of them, and Alder Lake-N's i3-N305 and N100/N200.
    [](const Words& w) { return answer(wordAfter(w, "Core") == "Ultra" || startsWithWord(w, "i3-N"), yes); },
    [](const Words& w) {
        return answer(isIntelLine(w, "Intel") && w.size() >= 2 &&
                          (w[1] == "N100" || w[1] == "N200" || w[1] == "N95" || w[1] == "N97"),
                      yes);
    },
    // The 7th-generation X-series and the i7-7820HQ are listed for some editions or devices only.
    [](const Words& w) {
        const auto m = coreModel(w);
        return answer(m && m->generation == 7 &&
                          (m->suffix.starts_with("X") || (m->number == "7820" && m->suffix == "HQ")),
                      unknown);
    },
    // Core i3/i5/i7/i9 from the 8th generation on; of the 4th to 7th not; of the 1st to 3rd not,
    // and before PTT (the 1st also reads "Intel Core i7 CPU 920").
    [](const Words& w) {
        const auto m = coreModel(w);
        const std::string_view next = wordAfter(w, "Core");
        if (!m && next != "i3" && next != "i5" && next != "i7") {
            return std::optional<BrandAnswer>();
        }
        const int generation = m ? m->generation : 1;
        return std::optional(BrandAnswer{generation >= 8 ? yes : no, generation < 4});
    },
    coreM,
    // Core 2 Duo, Quad, Extreme, Solo.
    [](const Words& w) { return answer(hasWord(w, "Core2") || wordAfter(w, "Core") == "2", no, true); },
    // Pentium 4 and Pentium D, and the Pentium Dual-Core and Celeron E-series of the Core 2 time.
    [](const Words& w) { return answer(wordAfter(w, "Pentium") == "4" || wordAfter(w, "Pentium") == "D", no, true); },
    [](const Words& w) {
        return answer((hasWord(w, "Pentium") || hasWord(w, "Celeron")) && letteredNumber(w, "ET").digits.size() == 4,
                      no, true);
    },
    desktopPentiumOrCeleron,
    smallCorePentiumOrCeleron,
    mobilePentiumOrCeleron,
    xeon,
    atom,
    // Athlon 64 and Athlon II, Phenom, FX, Opteron, Sempron, Turion: before AMD's Security Processor.
    [](const Words& w) { return answer(wordAfter(w, "Athlon") == "64" || wordAfter(w, "Athlon") == "II", no, true); },
    [](const Words& w) {
        return answer(hasWord(w, "AMD") &&
                          (startsWithWord(w, "Phenom") || startsWithWord(w, "FX-") || startsWithWord(w, "Opteron") ||
                           startsWithWord(w, "Sempron") || startsWithWord(w, "Turion")),
                      no, true);
    },
    // AMD A-series and E-series APUs.
    [](const Words& w) { return answer(isAmdASeries(w), no, true); },
    [](const Words& w) {
        return answer(hasWord(w, "AMD") && (startsWithWord(w, "E1-") || startsWithWord(w, "E2-") ||
                                            startsWithWord(w, "E-3") || startsWithWord(w, "E-4")),
                      no, true);
    },
    laterAthlon,
    amdNumberOnly,
    epyc,
    threadripper,
    ryzenEmbeddedOrHandheld,
    // Ryzen 2000 series and newer; the 1000 series is not listed.
    [](const Words& w) {
        const int series = ryzenSeries(w);
        return answer(series >= 1, series >= 2 ? yes : no);
    },
};

std::optional<BrandAnswer> brandAnswer(std::string_view brand)
{
    const Words words = brandWords(brand);
    for (const Rule rule : brandRules) {
        if (std::optional<BrandAnswer> found = rule(words)) {
            return found;
        }
    }
    return std::nullopt;
}

} // namespace

ProcessorJudgement judgeProcessor(const ProcessorIdentity& processor)
{
    const SignatureRow* row = signatureRow(processor);
    if (row != nullptr && row->listing != unknown) {
        return ProcessorJudgement{row->listing, row->beforeFirmwareTpm};
    }
    const std::optional<BrandAnswer> brand = brandAnswer(processor.brand);
    if (!brand) {
        return ProcessorJudgement{unknown, row != nullptr && row->beforeFirmwareTpm};
    }
    return ProcessorJudgement{brand->listing, brand->beforeFirmwareTpm || (row != nullptr && row->beforeFirmwareTpm)};
}

bool virtualProcessorBrand(std::string_view brand)
{
    // QEMU's and KVM's default models and the generic names other hypervisors give.
    return brand.find("Virtual CPU") != std::string_view::npos ||
           brand.find("KVM processor") != std::string_view::npos ||
           brand.find("Virtual Processor") != std::string_view::npos;
}

} // namespace quill
