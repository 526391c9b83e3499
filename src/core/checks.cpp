#include "core/checks.h"

#include <algorithm>

namespace quill {

namespace {

// definitionOf indexes the table by the enum.
constexpr bool isInEnumOrder()
{
    for (std::size_t i = 0; i < checkTable.size(); ++i) {
        if (static_cast<std::size_t>(checkTable[i].check) != i) {
            return false;
        }
    }
    return true;
}
static_assert(isInEnumOrder(), "checkTable lists the checks in enum order");

} // namespace

bool isListedFor(const CheckDefinition& definition, std::string_view vendor)
{
    return !definition.amdOnly || vendor == amdVendor;
}

const CheckDefinition* findDefinition(std::string_view name)
{
    const auto* const found = std::find_if(checkTable.begin(), checkTable.end(),
                                           [name](const CheckDefinition& row) { return row.name == name; });
    return found == checkTable.end() ? nullptr : found;
}

} // namespace quill
