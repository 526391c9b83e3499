#pragma once

#include "core/expected.h"
#include "fleet/files/collection.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// Why an --expect file is refused: a byte-order mark other than at its start, as two lists
// joined into one carry, which would glue itself to a name that then never reports.
struct ExpectedListFault {
    std::size_t line = 0; // counted from 1
};

// The machines of an --expect file (UTF-8, or UTF-16 with its mark): one a line, surrounding
// blanks ignored, everything from a '#' on a comment, blank lines skipped, a name given twice (by
// machineKey) kept once. Each with its group: the second column of a line, after ';' or a tab (a
// site or a department), never part of the name, "" where there is none.
Expected<std::vector<ExpectedMachine>, ExpectedListFault> parseExpectedList(std::string_view file);

// The expected names that no machine in names stands for, in the order expected lists them.
std::vector<std::string> missingMachines(const std::vector<std::string>& expected,
                                         const std::vector<std::string>& names);

} // namespace quill::fleet
