#include "core/checks.h"

#include <algorithm>
#include <utility>

namespace quill {

static_assert(
    [] {
        for (std::size_t i = 0; i < checkTable.size(); ++i) {
            if (static_cast<std::size_t>(checkTable[i].check) != i) {
                return false;
            }
        }
        return true;
    }(),
    "checkTable lists the checks in enum order");

bool isListedFor(const CheckDefinition& definition, std::string_view vendor)
{
    return !definition.amdOnly || vendor == amdVendor;
}

const CheckDefinition* findDefinition(std::string_view name)
{
    const auto found = std::find_if(checkTable.begin(), checkTable.end(),
                                    [name](const CheckDefinition& row) { return row.name == name; });
    return found == checkTable.end() ? nullptr : &*found;
}

CheckItem checkItem(Check check, bool passed, std::string detail)
{
    return CheckItem{std::string(checkName(check)), passed, std::move(detail)};
}

} // namespace quill
