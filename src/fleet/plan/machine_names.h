#pragma once

#include "core/expected.h"

#include <cstddef>
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

// The same for free text a machine gives about itself (a model, a serial number, an operating
// system): the same escapes but for the ordinary space, which such text has between its words.
std::string shownText(std::string_view text);

// How two reports with one look stand to each other. Within one folder (one route, which writes
// one file per machine under one spelling) a second file is a conflict, whatever its spelling,
// letter case included; so are two different names that only look alike anywhere. Otherwise the
// newer report supersedes the older.
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

// Whether the name is a file manager's copy of another: "PC-7 - Kopie", "PC-7 - Copy (2)", "Kopie
// von PC-7", "PC-7 (2)", "PC-7 copy 2". No host name holds a space or a parenthesis, so a name that
// is one never looks like a copy.
bool looksLikeCopy(std::string_view name);

// Name order as people count: digit runs by their value ("PC-2" before "PC-10"), letters
// without regard to ASCII case.
bool naturalLess(std::string_view a, std::string_view b);

} // namespace quill::fleet
