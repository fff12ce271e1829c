// Calendar arithmetic on day numbers, conversions to and from time_t and the
// fixed text forms of dates and times.

#include "protocol/daynum.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace tav {

namespace {

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t Day0FromEpoch = -25569;
constexpr std::int64_t SecondsPerDay = 86400;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Days since 1970-01-01 of a valid Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromEpoch(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = floorDiv(y, 400);
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate civilFromEpochDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

int daysInMonth(int y, int m) {
    static constexpr int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : len[m - 1];
}

template <typename... Ints>
std::string printed(const char* fmt, Ints... v) {
    char buf[96];
    int n = std::snprintf(buf, sizeof buf, fmt, v...);
    return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

std::int32_t dayFromCivil(int y, int m, int d) {
    std::int64_t yy = y + floorDiv(std::int64_t(m) - 1, 12);
    auto mm = static_cast<unsigned>(std::int64_t(m) - 1 - floorDiv(std::int64_t(m) - 1, 12) * 12 + 1);
    std::int64_t day = daysFromEpoch(yy, mm, 1) + (std::int64_t(d) - 1) - Day0FromEpoch;
    if (day < std::numeric_limits<std::int32_t>::min() || day > std::numeric_limits<std::int32_t>::max())
        throw std::out_of_range("dayFromCivil: date beyond the day-number range");
    return static_cast<std::int32_t>(day);
}

CivilDate civilFromDay(std::int32_t day) { return civilFromEpochDays(std::int64_t(day) + Day0FromEpoch); }

int weekdayOfDay(std::int32_t day) {
    // Day 0 was a Saturday.
    return static_cast<int>(std::int64_t(day) + 6 - floorDiv(std::int64_t(day) + 6, 7) * 7) + 1;
}

double toDayTime(const LocalDateTime& t) {
    std::int64_t secs = std::int64_t(t.hh) * 3600 + std::int64_t(t.mm) * 60 + t.ss;
    std::int64_t carry = floorDiv(secs, SecondsPerDay);
    secs -= carry * SecondsPerDay;
    return double(std::int64_t(dayFromCivil(t.y, t.m, t.d)) + carry) + double(secs) / double(SecondsPerDay);
}

LocalDateTime fromDayTime(double dayTime) {
    constexpr double limit = 2147483648.0;
    if (!std::isfinite(dayTime) || dayTime >= limit || dayTime < -limit)
        throw std::out_of_range("fromDayTime: not a day number");
    const auto secs = static_cast<std::int64_t>(std::llround(dayTime * double(SecondsPerDay)));
    const std::int64_t day = floorDiv(secs, SecondsPerDay);
    if (day > std::numeric_limits<std::int32_t>::max())
        throw std::out_of_range("fromDayTime: not a day number");
    const auto rem = static_cast<int>(secs - day * SecondsPerDay);
    CivilDate c = civilFromDay(static_cast<std::int32_t>(day));
    return {c.y, c.m, c.d, rem / 3600, rem / 60 % 60, rem % 60};
}

LocalDateTime localFromTimeT(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        throw std::out_of_range("localFromTimeT: time beyond the calendar");
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::time_t timeTFromLocal(const LocalDateTime& t) {
    std::tm tm{};
    tm.tm_year = t.y - 1900;
    tm.tm_mon = t.m - 1;
    tm.tm_mday = t.d;
    tm.tm_hour = t.hh;
    tm.tm_min = t.mm;
    tm.tm_sec = t.ss;
    tm.tm_isdst = -1;  // let the zone decide whether summer time applies
    return std::mktime(&tm);
}

std::string formatLogTime(const LocalDateTime& t) {
    return printed("%d-%d-%d %d:%d:%d", t.y, t.m, t.d, t.hh, t.mm, t.ss);
}

std::string formatDateTime(const LocalDateTime& t) {
    return printed("%04d-%02d-%02d %02d:%02d:%02d", t.y, t.m, t.d, t.hh, t.mm, t.ss);
}

std::string formatStamp(const LocalDateTime& t) {
    return printed("%04d%02d%02d%02d%02d%02d", t.y, t.m, t.d, t.hh, t.mm, t.ss);
}

std::string formatShortDate(const LocalDateTime& t) {
    int yy = t.y % 100;
    if (yy < 0)
        yy += 100;
    return printed("%02d%02d%02d", yy, t.m, t.d);
}

std::string formatClientDate(const LocalDateTime& t) { return printed("%d-%d-%d", t.y, t.m, t.d); }

std::optional<LocalDateTime> parseDateTime(std::string_view text) {
    static constexpr std::string_view shape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != shape.size())
        return std::nullopt;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i])
            return std::nullopt;
    }
    auto num = [&](std::size_t pos, std::size_t len) {
        int v = 0;
        for (std::size_t i = pos; i < pos + len; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    LocalDateTime t{num(0, 4), num(5, 2), num(8, 2), num(11, 2), num(14, 2), num(17, 2)};
    if (t.m < 1 || t.m > 12 || t.d < 1 || t.d > daysInMonth(t.y, t.m) || t.hh > 23 || t.mm > 59 || t.ss > 59)
        return std::nullopt;
    return t;
}

}  // namespace tav
