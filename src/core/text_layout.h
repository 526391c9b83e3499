#pragma once

#include "core/check_item.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

inline constexpr std::size_t itemNameWidth = 26;
inline constexpr std::size_t verdictLabelWidth = 34;

inline constexpr std::string_view technicalTitle = "[Technische Mindestanforderungen]";
inline constexpr std::string_view officialTitle = "[Offizielle Microsoft-Anforderungen]";
inline constexpr std::string_view resultTitle = "[Ergebnis]";
inline constexpr std::string_view technicalBlockerTitle = "Echte technische Blocker:\n";
inline constexpr std::string_view officialBlockerTitle = "Offizielle Blocker:\n";
inline constexpr std::string_view cpuLabel = "CPU    : ";
inline constexpr std::string_view vendorLabel = "Vendor : ";

// The three verdict lines: the label and which verdict it shows.
inline constexpr std::string_view technicalVerdictLabel = "Technisch kompatibel";
inline constexpr std::string_view officialVerdictLabel = "Offiziell kompatibel";
inline constexpr std::string_view suitableVerdictLabel = "Technisch geeignet";

// Appends text left-aligned in a field of width bytes; longer text is written whole.
void appendPadded(std::string& out, std::string_view text, std::size_t width);

// "OK " or "NO ", the three characters inside an item's tag.
std::string_view passTag(bool passed);

} // namespace quill
