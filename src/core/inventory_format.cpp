#include "core/inventory_format.h"

#include <algorithm>

namespace quill {
namespace {

std::string_view trimmedSpaces(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view()
                                           : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// What boards and their firmware tools leave in SMBIOS strings nobody filled in, compared
// without case. Gathered from the tools' defaults (AMI's "To be filled by O.E.M." and "Default
// string", ASUS's "System Product Name") and from Ansible's "NA" for a value it could not read.
constexpr std::array<std::string_view, 22> placeholders = {"To be filled by O.E.M.",
                                                           "To be filled by OEM",
                                                           "Default string",
                                                           "System Serial Number",
                                                           "System Product Name",
                                                           "System manufacturer",
                                                           "System Version",
                                                           "Not Specified",
                                                           "Not Applicable",
                                                           "Not Available",
                                                           "None",
                                                           "N/A",
                                                           "NA",
                                                           "O.E.M.",
                                                           "OEM",
                                                           "Invalid",
                                                           "Unknown",
                                                           "Chassis Serial Number",
                                                           "Base Board Serial Number",
                                                           "0123456789",
                                                           "123456789",
                                                           "1234567890"};

// Makers whose model names start with a short form of their name.
constexpr std::array<std::pair<std::string_view, std::string_view>, 1> shortMakerNames = {{
    {"Hewlett-Packard", "HP"},
}};

// Whether text starts with word as a word of its own.
bool startsWithWord(std::string_view text, std::string_view word)
{
    return !word.empty() && text.size() >= word.size() && sameAsciiLetters(text.substr(0, word.size()), word) &&
           (text.size() == word.size() || text[word.size()] == ' ');
}

} // namespace

bool sameAsciiLetters(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<InventoryKey> inventoryKeyNamed(std::string_view name)
{
    for (const InventoryField& field : inventoryFields) {
        if (field.name == name) {
            return field.key;
        }
    }
    return std::nullopt;
}

bool isPlaceholderText(std::string_view text)
{
    text = trimmedSpaces(text);
    // "0", "00000000", "xxxx", "..." and the like: nothing a maker would name a machine.
    const bool filler = text.find_first_not_of("0xX*.-_ ") == std::string_view::npos;
    return filler || std::any_of(placeholders.begin(), placeholders.end(),
                                 [text](std::string_view placeholder) { return sameAsciiLetters(text, placeholder); });
}

std::string knownHardwareText(std::string_view text)
{
    return isPlaceholderText(text) ? std::string() : std::string(trimmedSpaces(text));
}

std::string makerAndModel(std::string_view manufacturer, std::string_view model)
{
    // "Dell Inc." names its models "Dell …" at most: its first word is its name.
    const std::string_view maker = manufacturer.substr(0, manufacturer.find_first_of(" ,"));
    bool repeated = startsWithWord(model, maker);
    for (const auto& [full, brief] : shortMakerNames) {
        repeated = repeated || (sameAsciiLetters(maker, full) && startsWithWord(model, brief));
    }
    if (repeated || manufacturer.empty()) {
        return std::string(model);
    }
    return model.empty() ? std::string(manufacturer) : std::string(manufacturer) + " " + std::string(model);
}

} // namespace quill
