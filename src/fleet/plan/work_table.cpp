#include "fleet/plan/work_table.h"

#include "core/enum_table.h"
#include <algorithm>

namespace quill::fleet {
namespace {

// rowOf indexes each table by its enum.
static_assert(isInEnumOrder(categoryTable, &CategoryRow::category), "categoryTable lists Category in enum order");
static_assert(isInEnumOrder(actionTable, &ActionRow::action), "actionTable lists Action in enum order");
static_assert(isInEnumOrder(listingTable, &ListingRow::listing), "listingTable lists ProcessorListing in enum order");
static_assert(isInEnumOrder(changeTable, &ChangeRow::change), "changeTable lists Change in enum order");

} // namespace

std::optional<Category> categoryFromId(std::string_view id)
{
    const auto* const found =
        std::find_if(categoryTable.begin(), categoryTable.end(), [id](const CategoryRow& row) { return row.id == id; });
    return found == categoryTable.end() ? std::nullopt : std::optional(found->category);
}

} // namespace quill::fleet
