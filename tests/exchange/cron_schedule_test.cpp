#include "exchange/cron_schedule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace foldant {
namespace {

std::vector<int> SecondsOf(const std::string& field) {
    TCronSchedule schedule;
    schedule.ParseSchedule(field);
    std::vector<int> values;
    for (int value = 0; value < 64; ++value) {
        if (schedule.Contains(TCronSchedule::Seconds, value)) {
            values.push_back(value);
        }
    }
    return values;
}

std::vector<int> Range(int from, int to) {
    std::vector<int> values;
    for (int value = from; value <= to; ++value) {
        values.push_back(value);
    }
    return values;
}

platform::LocalTime At(int hour, int minute, int second, int weekday = 3) {
    return platform::LocalTime{2026, 12, 9, hour, minute, second, weekday};
}

TEST(CronField, SingleValuesRangesAndSteps) {
    EXPECT_EQ(SecondsOf("5"), std::vector<int>({5}));
    EXPECT_EQ(SecondsOf("5-10"), Range(5, 10));
    EXPECT_EQ(SecondsOf("+15"), std::vector<int>({0, 15, 30, 45}));
    EXPECT_EQ(SecondsOf("10+15"), std::vector<int>({10, 25, 40, 55}));
    EXPECT_EQ(SecondsOf("10-40+10"), std::vector<int>({10, 20, 30, 40}));
    EXPECT_EQ(SecondsOf("1,3,5"), std::vector<int>({1, 3, 5}));
    EXPECT_EQ(SecondsOf("-5"), Range(0, 5));
}

TEST(CronField, StartAfterEndKeepsOnlyTheStart) {
    EXPECT_EQ(SecondsOf("50-10"), std::vector<int>({50}));
}

TEST(CronField, AnAsteriskAnywhereMeansEveryValue) {
    EXPECT_EQ(SecondsOf("*"), Range(0, 63));
    EXPECT_EQ(SecondsOf("5,*"), Range(0, 63));
    EXPECT_EQ(SecondsOf("1*2"), Range(0, 63));
}

TEST(CronField, ValuesBeyondFiftyNineAreNeverSet) {
    EXPECT_TRUE(SecondsOf("60").empty());
    EXPECT_EQ(SecondsOf("58-70"), std::vector<int>({58, 59}));
    EXPECT_TRUE(SecondsOf("99999999999999999999").empty());
}

TEST(CronField, UnreadableNumbersCountTheirLeadingDigits) {
    EXPECT_EQ(SecondsOf("7x"), std::vector<int>({7}));
    EXPECT_EQ(SecondsOf("x"), std::vector<int>({0}));
    // An unreadable end with a step runs to 59; without a step it is the digits read.
    EXPECT_EQ(SecondsOf("10-x+20"), std::vector<int>({10, 30, 50}));
    EXPECT_EQ(SecondsOf("10-2x"), std::vector<int>({10}));
    EXPECT_EQ(SecondsOf("5-8x"), std::vector<int>({5, 6, 7, 8}));
}

TEST(CronField, NegativeStepEndsAndCountsAsItsSize) {
    EXPECT_EQ(SecondsOf("10-40+-10"), std::vector<int>({10, 20, 30, 40}));
    EXPECT_EQ(SecondsOf("+-15"), std::vector<int>({0, 15, 30, 45}));
    EXPECT_EQ(SecondsOf("0-59+-1"), Range(0, 59));
}

TEST(CronField, NegativeEndKeepsTheStart) {
    EXPECT_EQ(SecondsOf("5--3"), std::vector<int>({5}));
}

TEST(CronField, EmptyItemsAddNothing) {
    EXPECT_EQ(SecondsOf("1,,3,"), std::vector<int>({1, 3}));
}

TEST(CronSchedule, NewScheduleMatchesNothing) {
    TCronSchedule schedule;
    for (int second = 0; second < 60; ++second) {
        EXPECT_FALSE(schedule.Matches(At(12, 0, second)));
    }
}

TEST(CronSchedule, KeepAliveScheduleFiresAtSecondZeroOfEveryMinute) {
    TCronSchedule schedule;
    schedule.ParseSchedule("0 +1 * * * *");
    EXPECT_TRUE(schedule.Matches(At(12, 0, 0)));
    EXPECT_TRUE(schedule.Matches(At(12, 1, 0)));
    EXPECT_TRUE(schedule.Matches(At(23, 59, 0, 0)));
    EXPECT_FALSE(schedule.Matches(At(12, 0, 30)));
    EXPECT_FALSE(schedule.Matches(At(12, 0, 1)));
}

TEST(CronSchedule, MissingFieldsKeepEveryValue) {
    TCronSchedule schedule;
    schedule.ParseSchedule("30");
    EXPECT_TRUE(schedule.Matches(At(0, 0, 30)));
    EXPECT_TRUE(schedule.Matches(At(17, 45, 30, 6)));
    EXPECT_FALSE(schedule.Matches(At(17, 45, 31)));
    EXPECT_EQ(schedule.Set(TCronSchedule::Weekdays), ~std::uint64_t{0});
}

TEST(CronSchedule, TwoSpacesMakeAnEmptyFieldThatNeverMatches) {
    TCronSchedule schedule;
    schedule.ParseSchedule("0  * * * *");
    EXPECT_EQ(schedule.Set(TCronSchedule::Minutes), 0u);
    for (int minute = 0; minute < 60; ++minute) {
        EXPECT_FALSE(schedule.Matches(At(12, minute, 0)));
    }
}

TEST(CronSchedule, TrailingSpaceEndsTheText) {
    TCronSchedule schedule;
    schedule.ParseSchedule("0 ");
    EXPECT_TRUE(schedule.Matches(At(8, 13, 0)));
}

TEST(CronSchedule, FieldsAfterTheSixthAreIgnored) {
    TCronSchedule schedule;
    schedule.ParseSchedule("0 0 0 * * * 5 junk");
    EXPECT_TRUE(schedule.Matches(At(0, 0, 0)));
}

TEST(CronSchedule, MatchesTheWeekday) {
    TCronSchedule sundays;
    sundays.ParseSchedule("* * * * * 0");
    TCronSchedule workdays;
    workdays.ParseSchedule("* * * * * 1-5");
    for (int weekday = 0; weekday < 7; ++weekday) {
        EXPECT_EQ(sundays.Matches(At(9, 0, 0, weekday)), weekday == 0) << weekday;
        EXPECT_EQ(workdays.Matches(At(9, 0, 0, weekday)), weekday >= 1 && weekday <= 5) << weekday;
    }
}

TEST(CronSchedule, MatchesDayAndMonth) {
    TCronSchedule schedule;
    schedule.ParseSchedule("0 0 12 24 12 *");
    EXPECT_TRUE(schedule.Matches(platform::LocalTime{2026, 12, 24, 12, 0, 0, 4}));
    EXPECT_FALSE(schedule.Matches(platform::LocalTime{2026, 11, 24, 12, 0, 0, 2}));
    EXPECT_FALSE(schedule.Matches(platform::LocalTime{2026, 12, 25, 12, 0, 0, 5}));
}

TEST(CronSchedule, OnlyTheFirst255CharactersCount) {
    std::string text = "0 " + std::string(253, '1') + " 5";
    TCronSchedule schedule;
    schedule.ParseSchedule(text);
    // The third field was cut off with the rest of the text, so every hour stays present.
    EXPECT_EQ(schedule.Set(TCronSchedule::Hours), ~std::uint64_t{0});
}

TEST(CronSchedule, OnlyTheFirst63CharactersOfAFieldCount) {
    std::string field = "1" + std::string(61, ',') + "2,3";
    TCronSchedule schedule;
    schedule.ParseSchedule(field);
    EXPECT_TRUE(schedule.Contains(TCronSchedule::Seconds, 1));
    EXPECT_TRUE(schedule.Contains(TCronSchedule::Seconds, 2));
    EXPECT_FALSE(schedule.Contains(TCronSchedule::Seconds, 3));
}

TEST(CronSchedule, ReparsingReplacesTheOldSets) {
    TCronSchedule schedule;
    schedule.ParseSchedule("5 5");
    schedule.ParseSchedule("7");
    EXPECT_FALSE(schedule.Contains(TCronSchedule::Seconds, 5));
    EXPECT_TRUE(schedule.Contains(TCronSchedule::Minutes, 33));
}

}  // namespace
}  // namespace foldant
