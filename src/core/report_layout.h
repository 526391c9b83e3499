#pragma once

#include "core/checks.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

// The layout that the console report and the report file share. They differ only in decoration
// (colours, the console's subtitle and separators); the report reader parses with these same
// definitions. Texts here carry no line end: whoever writes a line ends it.

inline constexpr std::string_view productLine = "Quillbrook";
inline constexpr std::string_view consoleSubtitle = "Windows-11-Kompatibilitaetspruefung";

// The console's separators and the report's rule under the product line are this wide.
inline constexpr std::size_t separatorWidth = 66;
inline constexpr char consoleSeparatorFill = '-';
inline constexpr char reportRuleFill = '=';

inline constexpr std::string_view cpuLabel = "CPU    : ";
inline constexpr std::string_view vendorLabel = "Vendor : ";
// CPUID gives the brand in 48 bytes and the vendor in 12: no written report holds more.
inline constexpr std::size_t maxBrandBytes = 48;
inline constexpr std::size_t maxVendorBytes = 12;
// The longest detail a probe writes is some 40 bytes; with room for a longer one to come, a
// report's detail beyond this came from elsewhere and could push a printed work list off its page.
inline constexpr std::size_t maxDetailBytes = 80;

inline constexpr std::string_view technicalTitle = "[Technische Mindestanforderungen]";
inline constexpr std::string_view officialTitle = "[Offizielle Microsoft-Anforderungen]";
inline constexpr std::string_view resultTitle = "[Ergebnis]";

// Item lines: "[OK ] " or "[NO ] ", the name in its field, then " : " and the detail if any.
inline constexpr std::size_t itemNameWidth = 26;
inline constexpr std::string_view detailSeparator = " : ";

// Verdict lines: the label in its field, " : ", "JA" or "NEIN".
inline constexpr std::size_t verdictLabelWidth = 34;
inline constexpr std::string_view technicalVerdictLabel = "Technisch kompatibel";
inline constexpr std::string_view officialVerdictLabel = "Offiziell kompatibel";
inline constexpr std::string_view suitableVerdictLabel = "Technisch geeignet";

inline constexpr std::string_view technicalBlockerTitle = "Echte technische Blocker:";
inline constexpr std::string_view officialBlockerTitle = "Offizielle Blocker:";
inline constexpr std::string_view blockerPrefix = " - ";

// What the console shows after the report: where the file went, or that it could not be saved,
// and the key prompt. A capture of the console ends in them.
inline constexpr std::string_view reportSavedLead = "Report: ";
inline constexpr std::string_view reportNotSaved = "Report konnte nicht gespeichert werden.";
inline constexpr std::string_view keyPrompt = "Beliebige Taste zum Beenden...";

// A row of separatorWidth fill characters.
std::string separatorLine(char fill);

// The title of a group's section.
std::string_view sectionTitle(CheckGroup group);

// Appends text left-aligned in a field of width bytes; longer text is written whole.
void appendPadded(std::string& out, std::string_view text, std::size_t width);

// "[OK ]" or "[NO ]", the tag that opens an item line.
std::string itemTag(bool passed);

// An item's name filled to itemNameWidth.
std::string itemNameField(std::string_view name);

// A verdict line without its end: the label filled to verdictLabelWidth, " : ", the word.
std::string verdictLine(std::string_view label, bool value);
void appendVerdictLine(std::string& out, std::string_view label, bool value);

} // namespace quill
