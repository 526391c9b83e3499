#pragma once

#include "core/finding.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quill {

// One requirement's result. A plain value: lists own their copies.
struct CheckItem {
    std::string name;    // label shown to the user, e.g. "SSE4.2"
    bool passed = false; // true when the requirement is met
    std::string detail;  // finding shown after the label, worded from the finding table; may be empty
    Finding finding = Finding::otherProcessor; // what the detail says, for whoever plans from it
    std::uint64_t value = 0;                   // the finding's number: bytes, a version, a TBS result
};

using CheckList = std::vector<CheckItem>;
using BlockerList = std::vector<std::string>;

} // namespace quill
