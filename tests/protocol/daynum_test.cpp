// Tests of day numbers, day-time fractions, time_t conversion in a fixed
// time zone, the text forms and the strict date-time parser.

#include "protocol/daynum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace tav {
namespace {

TEST(DayNumber, FixedDates) {
    // Independently computed: days since 1899-12-30 and weekday (Sunday = 1).
    struct Case {
        int y, m, d;
        std::int32_t day;
        int weekday;
    };
    const Case cases[] = {
        {1899, 12, 30, 0, 7},       {1899, 12, 31, 1, 1},      {1900, 1, 1, 2, 2},
        {1900, 3, 1, 61, 5},        {1970, 1, 1, 25569, 5},    {2000, 2, 29, 36585, 3},
        {2023, 7, 16, 45123, 1},    {2024, 2, 29, 45351, 5},   {2024, 3, 1, 45352, 6},
        {1600, 1, 1, -109571, 7},   {1, 1, 1, -693593, 2},     {9999, 12, 31, 2958465, 6},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dayFromCivil(c.y, c.m, c.d), c.day) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(civilFromDay(c.day), (CivilDate{c.y, c.m, c.d})) << c.day;
        EXPECT_EQ(weekdayOfDay(c.day), c.weekday) << c.day;
    }
}

TEST(DayNumber, EveryDayFollowsThePreviousOne) {
    // Walk from year 1 to past 9999: each next day number is the next calendar
    // day, and the weekday turns over every 7 days.
    CivilDate prev = civilFromDay(-693594);
    for (std::int32_t day = -693593; day <= 2958500; ++day) {
        const CivilDate c = civilFromDay(day);
        const bool sameMonth = c.y == prev.y && c.m == prev.m && c.d == prev.d + 1;
        const bool nextMonth = c.d == 1 && ((c.y == prev.y && c.m == prev.m + 1) ||
                                            (c.y == prev.y + 1 && c.m == 1 && prev.m == 12 && prev.d == 31));
        ASSERT_TRUE(sameMonth || nextMonth) << "day " << day;
        ASSERT_EQ(dayFromCivil(c.y, c.m, c.d), day);
        ASSERT_EQ(weekdayOfDay(day) % 7, (weekdayOfDay(day - 1) + 1) % 7) << "day " << day;
        prev = c;
    }
}

TEST(DayNumber, LeapYears) {
    const struct {
        int y;
        bool leap;
    } years[] = {{1600, true}, {1700, false}, {1899, false}, {1900, false}, {1996, true},
                 {2000, true}, {2023, false}, {2024, true},  {2100, false}, {2400, true}};
    for (const auto& c : years)
        EXPECT_EQ(dayFromCivil(c.y, 3, 1) - dayFromCivil(c.y, 2, 28), c.leap ? 2 : 1) << c.y;
}

TEST(DayNumber, FieldsOutsideTheirRangeCarry) {
    EXPECT_EQ(dayFromCivil(2023, 13, 1), dayFromCivil(2024, 1, 1));
    EXPECT_EQ(dayFromCivil(2024, 0, 31), dayFromCivil(2023, 12, 31));
    EXPECT_EQ(dayFromCivil(2024, -11, 1), dayFromCivil(2023, 1, 1));
    EXPECT_EQ(dayFromCivil(2024, -12, 1), dayFromCivil(2022, 12, 1));
    EXPECT_EQ(dayFromCivil(2024, 3, 0), dayFromCivil(2024, 2, 29));
    EXPECT_EQ(dayFromCivil(2023, 12, 32), dayFromCivil(2024, 1, 1));
    EXPECT_THROW(dayFromCivil(7000000, 1, 1), std::out_of_range);
}

TEST(DayTime, FractionIsTheElapsedPartOfTheDay) {
    EXPECT_EQ(toDayTime({2023, 7, 16, 12, 0, 0}), 45123.5);
    EXPECT_EQ(toDayTime({1899, 12, 30, 6, 0, 0}), 0.25);
    EXPECT_EQ(toDayTime({1899, 12, 29, 6, 0, 0}), -0.75);
    EXPECT_EQ(toDayTime({2023, 7, 16, 24, 0, 0}), 45124.0);  // hours carry into the date

    struct Case {
        double v;
        LocalDateTime t;
    };
    const Case cases[] = {
        {45123.5, {2023, 7, 16, 12, 0, 0}},
        {45123 + 59.6 / 86400, {2023, 7, 16, 0, 1, 0}},     // rounded to the nearest second
        {45123 + 59.4 / 86400, {2023, 7, 16, 0, 0, 59}},
        {45123 + 86399.7 / 86400, {2023, 7, 17, 0, 0, 0}},  // rounds over midnight
        {45123.00694, {2023, 7, 16, 0, 10, 0}},             // 599.616 s
        {-0.75, {1899, 12, 29, 6, 0, 0}},
        {-0.5 / 86400 - 1e-9, {1899, 12, 29, 23, 59, 59}},
        {0, {1899, 12, 30, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fromDayTime(c.v), c.t) << c.v;

    EXPECT_THROW(fromDayTime(std::nan("")), std::out_of_range);
    EXPECT_THROW(fromDayTime(std::numeric_limits<double>::infinity()), std::out_of_range);
    EXPECT_THROW(fromDayTime(1e12), std::out_of_range);
}

TEST(DayTime, RoundTripsEverySecondOfSampleDays) {
    for (std::int32_t day : {-693593, -36522, -1, 0, 1, 45123, 45351, 2958465}) {
        const CivilDate c = civilFromDay(day);
        for (int s = 0; s < 86400; ++s) {
            const LocalDateTime t{c.y, c.m, c.d, s / 3600, s / 60 % 60, s % 60};
            ASSERT_EQ(fromDayTime(toDayTime(t)), t) << "day " << day << " second " << s;
        }
    }
}

// time_t conversion consults the zone; pin it to China Standard Time (no
// summer time) so the expected values hold on any machine.
class TimeZoneFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        saved_ = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("TZ", "CST-8", 1);
        tzset();
    }
    void TearDown() override {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(TimeZoneFixture, TimeTConvertsThroughLocalTime) {
    EXPECT_EQ(localFromTimeT(0), (LocalDateTime{1970, 1, 1, 8, 0, 0}));
    EXPECT_EQ(timeTFromLocal({1970, 1, 1, 8, 0, 0}), 0);
    // 2023-07-16 12:00:00 local is 04:00:00 UTC = 1689480000.
    EXPECT_EQ(timeTFromLocal({2023, 7, 16, 12, 0, 0}), 1689480000);
    EXPECT_EQ(localFromTimeT(1689480000), (LocalDateTime{2023, 7, 16, 12, 0, 0}));

    for (std::time_t t = -2000000000; t < 4000000000; t += 7777777) {
        const LocalDateTime l = localFromTimeT(t);
        ASSERT_EQ(timeTFromLocal(l), t);
        // Day numbers and time_t agree: one day is 86400 s.
        ASSERT_EQ(std::llround((toDayTime(l) - toDayTime(localFromTimeT(0))) * 86400), t);
    }
}

TEST(Format, AllTextForms) {
    const LocalDateTime early{2024, 3, 5, 7, 8, 9};
    EXPECT_EQ(formatLogTime(early), "2024-3-5 7:8:9");
    EXPECT_EQ(formatDateTime(early), "2024-03-05 07:08:09");
    EXPECT_EQ(formatStamp(early), "20240305070809");
    EXPECT_EQ(formatShortDate(early), "240305");
    EXPECT_EQ(formatClientDate(early), "2024-3-5");

    const LocalDateTime late{2023, 12, 31, 23, 59, 59};
    EXPECT_EQ(formatLogTime(late), "2023-12-31 23:59:59");
    EXPECT_EQ(formatDateTime(late), "2023-12-31 23:59:59");
    EXPECT_EQ(formatStamp(late), "20231231235959");
    EXPECT_EQ(formatShortDate(late), "231231");
    EXPECT_EQ(formatClientDate(late), "2023-12-31");

    EXPECT_EQ(formatShortDate({2000, 1, 2, 0, 0, 0}), "000102");
    EXPECT_EQ(formatClientDate(fromDayTime(2)), "1900-1-1");
    EXPECT_EQ(formatDateTime({1, 1, 1, 0, 0, 0}), "0001-01-01 00:00:00");
}

TEST(Parse, StrictDateTime) {
    EXPECT_EQ(parseDateTime("2024-02-29 23:59:59"), (LocalDateTime{2024, 2, 29, 23, 59, 59}));
    EXPECT_EQ(parseDateTime("1899-12-30 00:00:00"), (LocalDateTime{1899, 12, 30, 0, 0, 0}));

    const char* refused[] = {
        "2023-02-29 00:00:00", "1900-02-29 00:00:00", "2024-13-01 00:00:00", "2024-00-10 00:00:00",
        "2024-04-31 00:00:00", "2024-01-00 00:00:00", "2024-01-05 24:00:00", "2024-01-05 00:60:00",
        "2024-01-05 00:00:60", "2024-1-05 00:00:00",  "2024-01-05T00:00:00", "2024-01-05 00:00:00 ",
        " 2024-01-05 00:00:00", "2024-01-05 00:00:0a", "+024-01-05 00:00:00", "2024/01/05 00:00:00",
        "2024-01-05",          "",
    };
    for (const char* text : refused)
        EXPECT_EQ(parseDateTime(text), std::nullopt) << text;

    for (std::int32_t day = -693593; day <= 2958465; day += 9973) {
        const LocalDateTime t = fromDayTime(day + 0.61803);
        EXPECT_EQ(parseDateTime(formatDateTime(t)), t);
    }
}

}  // namespace
}  // namespace tav
