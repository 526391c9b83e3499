#include "fleet/outputs/report_time.h"

#include <chrono>
#include <cstdio>

namespace quill::fleet {
namespace {

struct CivilTime {
    int year;
    unsigned month;
    unsigned day;
    long hours;
    long minutes;
    long seconds;
};

CivilTime civilTime(std::int64_t sinceEpoch)
{
    using namespace std::chrono;
    const sys_seconds time = floor<seconds>(sys_time<nanoseconds>(nanoseconds(sinceEpoch)));
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss<seconds> clock(time - day);
    return CivilTime{static_cast<int>(date.year()),
                     static_cast<unsigned>(date.month()),
                     static_cast<unsigned>(date.day()),
                     static_cast<long>(clock.hours().count()),
                     static_cast<long>(clock.minutes().count()),
                     static_cast<long>(clock.seconds().count())};
}

} // namespace

std::string isoUtc(std::int64_t nanoseconds)
{
    const CivilTime t = civilTime(nanoseconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ldZ", t.year, t.month, t.day, t.hours, t.minutes,
                  t.seconds);
    return text;
}

std::string standText(std::int64_t nanoseconds)
{
    const CivilTime t = civilTime(nanoseconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld", t.year, t.month, t.day, t.hours, t.minutes);
    return text;
}

} // namespace quill::fleet
