#pragma once

#include "core/expected.h"
#include "fleet/files/collection.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// Why an --expect file is refused, and where: a byte-order mark other than at its start, as two
// lists joined into one carry, which would glue itself to a name that then never reports; or a
// quote that an export never closes, which would swallow every machine after it.
struct ExpectedListFault {
    std::size_t line = 0;    // counted from 1
    std::string_view reason; // German, for the message
};

// An --expect file as read, and whether some line of it was no UTF-8 and was read as
// Windows-1252 (as Excel saves a list), which the summary then says.
struct ExpectedList {
    std::vector<ExpectedMachine> machines;
    bool isWindows1252 = false;
};

// The machines of an --expect file (UTF-8, or UTF-16 with its mark; a line that is no UTF-8 is
// Windows-1252). Either a list: one a line, surrounding blanks and quotes ignored, everything from
// a '#' on a comment, blank lines skipped, a first line that names a column ("Computername",
// "Name", "Hostname", "DNSHostName") a header; each with its group, the second column after ';'
// or a tab (a site or a department), "" where there is none. Or an Active Directory export (a
// header with the columns Name and DistinguishedName): each with the containers above it from
// the top as its group ("Hamburg/Vertrieb"). A name given twice (by machineKey) is kept once, and
// groups that differ only in letter case are one, spelt as the file first gives it.
Expected<ExpectedList, ExpectedListFault> parseExpectedList(std::string_view file);

// The expected names that no machine in names stands for, in the order expected lists them.
std::vector<std::string> missingMachines(const std::vector<std::string>& expected,
                                         const std::vector<std::string>& names);

} // namespace quill::fleet
