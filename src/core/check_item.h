#pragma once

#include <string>
#include <vector>

namespace quill {

// One requirement's result. A plain value: lists own their copies.
struct CheckItem {
    std::string name;    // label shown to the user, e.g. "SSE4.2"
    bool passed = false; // true when the requirement is met
    std::string detail;  // finding shown after the label; may be empty
};

using CheckList = std::vector<CheckItem>;
using BlockerList = std::vector<std::string>;

} // namespace quill
