#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill::fleet {

// The name two reports must share to stand for one machine: the first DNS label in ASCII lower
// case, so Ansible's "pc-0001.example.lan" and the start-up script's "PC-0001" are one machine;
// an IPv4 address whole.
std::string machineKey(std::string_view name);

// The name's look: machineKey after Cyrillic and Greek letters that look Latin are read as those,
// full-width forms as ASCII, and invisible, bidi, control and space characters dropped. Two names
// with one look are one machine to a reader of the page, whatever their bytes.
std::string lookalikeKey(std::string_view name);

// Whether the name holds only what a host name may: ASCII letters and digits, '-', '.', '_'.
bool isHostName(std::string_view name);

// The name as shown: invisible, bidi and control characters as "\u200B", so that a name that only
// looks like another cannot pass as it; malformed UTF-8 as U+FFFD.
std::string shownName(std::string_view name);

// How two reports with one look stand to each other. Within one folder (one route, which names
// every machine one way) a second spelling is a conflict, as are two different names that only
// look alike anywhere; otherwise the newer report supersedes the older.
enum class NameMeeting : std::uint8_t { supersede, conflict };
NameMeeting nameMeeting(std::string_view name, std::string_view folder, std::string_view otherName,
                        std::string_view otherFolder);

// The clock skew between machines and the one running the summary that still counts as now.
inline constexpr std::int64_t allowedClockSkew = 5LL * 60 * 1'000'000'000;

// Whether a time (nanoseconds since 1970 UTC) lies after the run, beyond the clock skew.
inline bool isFutureTime(std::int64_t time, std::int64_t now)
{
    return time > now + allowedClockSkew;
}

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
