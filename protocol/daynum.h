// Day numbers (whole days since 1899-12-30) and local date-times counted in
// days with a fraction, with their conversions and text forms.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tav {

struct CivilDate {
    int y, m, d;
    bool operator==(const CivilDate&) const = default;
};

// Proleptic Gregorian calendar; day 0 is 1899-12-30, earlier days are
// negative. A month outside 1..12 carries into the year and a day outside
// the month carries into the following or previous months, so arithmetic on
// fields needs no normalising first. Years within +-5,000,000 fit.
std::int32_t dayFromCivil(int y, int m, int d);
CivilDate civilFromDay(std::int32_t day);

// 1 = Sunday ... 7 = Saturday, the order the stored data and clients use.
int weekdayOfDay(std::int32_t day);

// A wall-clock time in the server's local time zone.
struct LocalDateTime {
    int y, m, d, hh, mm, ss;
    bool operator==(const LocalDateTime&) const = default;
};

// Days since 1899-12-30 plus the elapsed fraction of the day. The scale is
// linear also before day 0 (-0.75 is 1899-12-29 06:00), so adding a time-out
// in days and comparing values work everywhere.
double toDayTime(const LocalDateTime& t);
// Rounded to the nearest second. Throws std::out_of_range for NaN, infinity
// or a value beyond +-2^31 days.
LocalDateTime fromDayTime(double dayTime);

// The only places that consult the time zone.
LocalDateTime localFromTimeT(std::time_t t);
std::time_t timeTFromLocal(const LocalDateTime& t);

// Text forms (ASCII):
std::string formatLogTime(const LocalDateTime& t);    // "yyyy-M-d H:m:s"
std::string formatDateTime(const LocalDateTime& t);   // "yyyy-MM-dd HH:mm:ss"
std::string formatStamp(const LocalDateTime& t);      // "yyyyMMddHHmmss"
std::string formatShortDate(const LocalDateTime& t);  // "yyMMdd"
std::string formatClientDate(const LocalDateTime& t); // "yyyy-M-d"

// Exactly "yyyy-MM-dd HH:mm:ss" with a real calendar date and a time within
// 00:00:00..23:59:59; anything else is nullopt.
std::optional<LocalDateTime> parseDateTime(std::string_view text);

}  // namespace tav
