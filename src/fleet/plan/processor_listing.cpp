#include "fleet/plan/machine_work.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>
#include <vector>

namespace quill {
namespace {

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

bool hasWord(const std::vector<std::string>& words, std::string_view word)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

// The word after the first one equal to word, or "".
std::string_view wordAfter(const std::vector<std::string>& words, std::string_view word)
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

// A Core i model such as "i5-8500", "i7-1165G7" or "i9-12900K": its generation and what follows
// the number. The generation is the number's first digit, or its first two for five digits and
// for four that start with 1 (10th to 14th generation mobile: i7-1065G7, i5-1235U); three digits
// are the 1st generation (i7-920, i5-520M).
struct CoreModel {
    int generation = 0;
    std::string_view number; // cppcheck-suppress unusedStructMember ; read by the rules' lambdas
    std::string_view suffix; // cppcheck-suppress unusedStructMember ; read by the rules' lambdas
};

std::optional<CoreModel> coreModel(const std::vector<std::string>& words)
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
        } else if (number.size() == 4) {
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
int ryzenSeries(const std::vector<std::string>& words)
{
    if (!hasWord(words, "Ryzen") || hasWord(words, "Threadripper")) {
        return 0;
    }
    for (const std::string& word : words) {
        if (leadingDigits(word) == 4) {
            return word[0] - '0';
        }
    }
    return 0;
}

bool startsWithWord(const std::vector<std::string>& words, std::string_view prefix)
{
    return std::any_of(words.begin(), words.end(), [prefix](const std::string& w) { return w.starts_with(prefix); });
}

// The AMD A-series APUs: "AMD A10-7850K", "AMD A8-6500 APU", "AMD PRO A12-9800B".
bool isAmdASeries(const std::vector<std::string>& words)
{
    return hasWord(words, "AMD") && std::any_of(words.begin(), words.end(), [](const std::string& w) {
               const std::size_t digits =
                   w.size() > 1 && w[0] == 'A' ? leadingDigits(std::string_view(w).substr(1)) : 0;
               return digits >= 1 && digits <= 2 && (w.size() == 1 + digits || w[1 + digits] == '-');
           });
}

struct ProcessorRule {
    bool (*matches)(const std::vector<std::string>& words);
    ProcessorListing listing;
    bool beforeFirmwareTpm = false; // the platform has no fTPM or PTT to switch on
};

// First match wins; a brand no rule knows is unknown. Only naming rules that hold for every
// model of a family are here: the list itself names single models.
constexpr ProcessorRule processorRules[] = {
    // Core Ultra, every one of them.
    {[](const auto& w) { return wordAfter(w, "Core") == "Ultra"; }, ProcessorListing::yes},
    // The 7th-generation X-series and the i7-7820HQ are listed for some editions only.
    {[](const auto& w) {
         const auto m = coreModel(w);
         return m && m->generation == 7 && (m->suffix.starts_with("X") || (m->number == "7820" && m->suffix == "HQ"));
     },
     ProcessorListing::unknown},
    // Core i3/i5/i7/i9 from the 8th generation on.
    {[](const auto& w) { return coreModel(w) && coreModel(w)->generation >= 8; }, ProcessorListing::yes},
    // Core i of the 4th to 7th generation, which have PTT.
    {[](const auto& w) { return coreModel(w) && coreModel(w)->generation >= 4; }, ProcessorListing::no},
    // Core i of the 1st to 3rd generation; the 1st also reads "Intel Core i7 CPU 920".
    {[](const auto& w) {
         const std::string_view next = wordAfter(w, "Core");
         return coreModel(w).has_value() || next == "i3" || next == "i5" || next == "i7";
     },
     ProcessorListing::no, true},
    // Core 2 Duo, Quad, Extreme, Solo.
    {[](const auto& w) { return hasWord(w, "Core2") || wordAfter(w, "Core") == "2"; }, ProcessorListing::no, true},
    // Pentium 4 and Pentium D; later Pentiums differ model by model.
    {[](const auto& w) { return wordAfter(w, "Pentium") == "4" || wordAfter(w, "Pentium") == "D"; },
     ProcessorListing::no, true},
    // Athlon 64 and Athlon II; later Athlons differ model by model.
    {[](const auto& w) { return wordAfter(w, "Athlon") == "64" || wordAfter(w, "Athlon") == "II"; },
     ProcessorListing::no, true},
    // Phenom and Phenom II.
    {[](const auto& w) { return hasWord(w, "AMD") && startsWithWord(w, "Phenom"); }, ProcessorListing::no, true},
    // AMD FX ("AMD FX-8350 Eight-Core Processor").
    {[](const auto& w) { return hasWord(w, "AMD") && startsWithWord(w, "FX-"); }, ProcessorListing::no, true},
    // AMD A-series APUs.
    {isAmdASeries, ProcessorListing::no, true},
    // Ryzen 2000 series and newer.
    {[](const auto& w) { return ryzenSeries(w) >= 2; }, ProcessorListing::yes},
    // Ryzen 1000 series.
    {[](const auto& w) { return ryzenSeries(w) == 1; }, ProcessorListing::no},
};

const ProcessorRule* matchingRule(std::string_view brand)
{
    const std::vector<std::string> words = brandWords(brand);
    const auto* const found = std::find_if(std::begin(processorRules), std::end(processorRules),
                                           [&words](const ProcessorRule& rule) { return rule.matches(words); });
    return found == std::end(processorRules) ? nullptr : found;
}

} // namespace

ProcessorListing processorListing(std::string_view brand)
{
    const ProcessorRule* rule = matchingRule(brand);
    return rule != nullptr ? rule->listing : ProcessorListing::unknown;
}

bool predatesFirmwareTpm(std::string_view brand)
{
    const ProcessorRule* rule = matchingRule(brand);
    return rule != nullptr && rule->beforeFirmwareTpm;
}

bool virtualProcessorBrand(std::string_view brand)
{
    // QEMU's and KVM's default models and the generic names other hypervisors give.
    return brand.find("Virtual CPU") != std::string_view::npos ||
           brand.find("KVM processor") != std::string_view::npos ||
           brand.find("Virtual Processor") != std::string_view::npos;
}

} // namespace quill
