#pragma once
// When the update check may ask the service: the date of the last completed
// check ("XVALUE_T", written "%y,%m,%d" from the local date) and the days to
// wait after it ("XVALUE_D"), kept in the settings section "MAIN".

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

inline constexpr int kDefaultCheckInterval = 7;

enum class ScheduleState {
    FirstRun,    // no date stored yet: only the schedule is written
    NotDue,      // fewer days than the interval have passed
    Due,         // the check may ask the service
    Unreadable,  // the stored date cannot be read: the check is skipped
};

// "yy,mm,dd" (year minus 2000) of a local date.
QString FormatScheduleDate(const QDate& date);
// The date of a stored text: three decimal numbers separated by commas, year
// minus 2000 (at least -100), month 1-12, day 1-31, naming a real day.
std::optional<QDate> ParseScheduleDate(const QString& text);

// Whether a check may run at local time `now`, given the stored date text and
// interval: due once the whole days (of 86400 seconds) since 00:00 local time
// of the stored date reach the interval.
ScheduleState CheckSchedule(const QString& storedDate, int intervalDays, const QDateTime& now);

// The stored schedule in the settings of this program.
struct StoredSchedule {
    QString date;
    int intervalDays = kDefaultCheckInterval;

    static StoredSchedule Read();
    // Writes `date` and `intervalDays`; false when the settings could not be written.
    static bool Write(const QDate& date, int intervalDays);
};
