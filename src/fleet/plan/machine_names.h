#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// The name two reports must share to stand for one machine: the first DNS label in ASCII lower
// case, so Ansible's "pc-0001.example.lan" and the start-up script's "PC-0001" are one machine;
// an IPv4 address whole.
std::string machineKey(std::string_view name);

// The machine names of an --expect file (UTF-8, or UTF-16 with its mark): one a line, surrounding
// blanks ignored, everything from a '#' on a comment, blank lines skipped, a name given twice (by
// machineKey) kept once; a second column is no part of the name.
std::vector<std::string> parseExpectedMachines(std::string_view file);

// The same with each machine's group: the second column of a line, after ';' or a tab (a site or
// a department), "" where there is none.
struct ExpectedMachine {
    std::string name;
    std::string group;
};
std::vector<ExpectedMachine> parseExpectedList(std::string_view file);

// The expected names that no machine in names stands for, in the order expected lists them.
std::vector<std::string> missingMachines(const std::vector<std::string>& expected,
                                         const std::vector<std::string>& names);

// Name order as people count: digit runs by their value ("PC-2" before "PC-10"), letters
// without regard to ASCII case.
bool naturalLess(std::string_view a, std::string_view b);

} // namespace quill::fleet
