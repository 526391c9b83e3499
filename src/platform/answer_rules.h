#pragma once

// Decisions the platform layers take on what the system answered, kept free of system
// headers so that the tests run them on every build.

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quill::platform {

// FIRMWARE_TYPE's values as the firmware query reports them.
inline constexpr std::uint32_t firmwareTypeBios = 1;
inline constexpr std::uint32_t firmwareTypeUefi = 2;

// Where GetFirmwareType is missing (Windows 7 and 8.0): the firmware type from the error a
// read of a firmware variable ended with. Only legacy BIOS answers ERROR_INVALID_FUNCTION;
// UEFI answers anything else, also to a caller without the privilege to read variables.
std::uint32_t firmwareTypeFromVariableError(std::uint32_t error);

// A Windows path has at most 32,767 units and its terminator; no buffer grows beyond.
inline constexpr std::size_t largestPathBuffer = 0x8000;

// A path read into a buffer of size units reported `reported` units, where a full buffer
// means it may have been cut: the buffer size to read it again with, or 0 when the answer
// stands (it fit, the read failed, or the largest buffer was full).
std::size_t nextPathBufferSize(std::size_t size, std::size_t reported);

// How many units of text to write at once, at most limit (at least 2): a chunk never ends
// between the two halves of a surrogate pair.
std::size_t wholeCharacterChunk(std::wstring_view text, std::size_t limit);

// The console attribute that shows attribute in a window whose own attribute is window:
// normal text in the window's own colours, coloured text on the window's background.
std::uint16_t attributeInWindow(TextAttribute attribute, std::uint16_t window);

} // namespace quill::platform
