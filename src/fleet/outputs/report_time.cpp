#include "fleet/outputs/report_time.h"

#include <chrono>
#include <cstdio>
#include <ctime>

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

std::string standText(std::int64_t nanoseconds, std::int64_t offset)
{
    const CivilTime t = civilTime(nanoseconds + offset * 1'000'000'000);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld", t.year, t.month, t.day, t.hours, t.minutes);
    return text;
}

std::string germanTime(std::int64_t nanoseconds, std::int64_t offset)
{
    const CivilTime t = civilTime(nanoseconds + offset * 1'000'000'000);
    char text[40];
    std::snprintf(text, sizeof text, "%02u.%02u.%04d %02ld:%02ld", t.day, t.month, t.year, t.hours, t.minutes);
    return text;
}

std::string offsetText(std::int64_t offset)
{
    if (offset == 0) {
        return "UTC";
    }
    const std::int64_t minutes = (offset < 0 ? -offset : offset) / 60;
    char text[24];
    std::snprintf(text, sizeof text, "UTC%s%02lld:%02lld", offset < 0 ? "-" : "+", static_cast<long long>(minutes / 60),
                  static_cast<long long>(minutes % 60));
    return text;
}

std::string previousCollectionTitle(std::int64_t previousTime, std::int64_t offset)
{
    return previousTime == 0 ? "Seit der früheren Sammlung"
                             : "Seit der Sammlung vom " + germanTime(previousTime, offset);
}

std::int64_t localUtcOffset(std::int64_t nanoseconds)
{
    using namespace std::chrono;
    const auto when = static_cast<std::time_t>(nanoseconds / 1'000'000'000);
    // Read once on the one thread the tool has; the C runtime's answer is the only portable one.
    const std::tm* local = std::localtime(&when); // NOLINT(concurrency-mt-unsafe)
    if (local == nullptr) {
        return 0;
    }
    const sys_days date(year(local->tm_year + 1900) / month(static_cast<unsigned>(local->tm_mon + 1)) /
                        std::chrono::day(static_cast<unsigned>(local->tm_mday)));
    const sys_seconds shown = date + hours(local->tm_hour) + minutes(local->tm_min) + seconds(local->tm_sec);
    return shown.time_since_epoch().count() - static_cast<std::int64_t>(when);
}

} // namespace quill::fleet
