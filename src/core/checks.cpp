#include "core/checks.h"

#include "core/enum_table.h"
#include <algorithm>

namespace quill {

namespace {

static_assert(isInEnumOrder(checkTable, &CheckDefinition::check), "checkTable lists the checks in enum order");

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
