#include "update/UpdateSchedule.h"

#include <gtest/gtest.h>

namespace {

QDateTime Local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
}

TEST(UpdateSchedule, DateIsWrittenAsTwoDigitYearMonthDay)
{
    EXPECT_EQ(FormatScheduleDate(QDate(2026, 12, 8)), "26,12,08");
    EXPECT_EQ(FormatScheduleDate(QDate(2031, 1, 31)), "31,01,31");
    EXPECT_EQ(ParseScheduleDate("26,12,08"), QDate(2026, 12, 8));
    EXPECT_EQ(ParseScheduleDate(" 5, 3, 9"), QDate(2005, 3, 9));
    EXPECT_EQ(ParseScheduleDate("-100,1,1"), QDate(1900, 1, 1));
}

TEST(UpdateSchedule, NextCheckComesWhenTheIntervalHasPassedInLocalTime)
{
    EXPECT_EQ(CheckSchedule("26,12,08", 7, Local(2026, 12, 14, 23, 59, 59)), ScheduleState::NotDue);
    EXPECT_EQ(CheckSchedule("26,12,08", 7, Local(2026, 12, 15)), ScheduleState::Due);
    EXPECT_EQ(CheckSchedule("26,12,08", 0, Local(2026, 12, 8, 0, 0, 1)), ScheduleState::Due);
    // A date in the future waits until the interval has passed after it.
    EXPECT_EQ(CheckSchedule("27,01,01", 0, Local(2026, 12, 8)), ScheduleState::NotDue);
}

TEST(UpdateSchedule, EmptyDateIsTheFirstRun)
{
    EXPECT_EQ(CheckSchedule("", 7, Local(2026, 12, 8)), ScheduleState::FirstRun);
}

TEST(UpdateSchedule, DateThatCannotBeReadSkipsTheCheck)
{
    for (const char* bad : {"a,b,c", "26,12", "26,12,08,1", "26,13,01", "26,0,10", "26,12,32", "26,12,0", "26,02,30",
                            "-101,1,1", "26;12;08", "26,12,8x", "99999999999,1,1", " "})
        EXPECT_EQ(CheckSchedule(bad, 7, Local(2026, 12, 8)), ScheduleState::Unreadable) << bad;
}

}  // namespace
