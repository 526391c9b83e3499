#pragma once

#include <cstddef>

namespace quill {

// Whether each row of a table stands at the index of its enum value: the tables that declare a
// thing once (checks, findings, columns, lists) are indexed by the enum, so a row out of place
// would give every lookup after it the wrong row.
template <typename Table, typename Member>
constexpr bool isInEnumOrder(const Table& table, Member member)
{
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (static_cast<std::size_t>(table[i].*member) != i) {
            return false;
        }
    }
    return true;
}

} // namespace quill
