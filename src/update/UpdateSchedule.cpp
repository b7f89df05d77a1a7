#include "update/UpdateSchedule.h"

#include "app/AppState.h"

#include <QStringList>

namespace {

const QString kDateEntry = QStringLiteral("XVALUE_T");
const QString kIntervalEntry = QStringLiteral("XVALUE_D");
constexpr qint64 kSecondsPerDay = 86400;

}  // namespace

QString FormatScheduleDate(const QDate& date)
{
    return QStringLiteral("%1,%2,%3")
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

std::optional<QDate> ParseScheduleDate(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return std::nullopt;
    int numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        numbers[i] = parts[i].trimmed().toInt(&ok, 10);
        if (!ok)
            return std::nullopt;
    }
    const int year = numbers[0];
    const int month = numbers[1];
    const int day = numbers[2];
    if (year < -100 || year > 7999 || month < 1 || month > 12 || day < 1 || day > 31)
        return std::nullopt;
    const QDate date(2000 + year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

ScheduleState CheckSchedule(const QString& storedDate, int intervalDays, const QDateTime& now)
{
    if (storedDate.isEmpty())
        return ScheduleState::FirstRun;
    const std::optional<QDate> date = ParseScheduleDate(storedDate);
    if (!date)
        return ScheduleState::Unreadable;
    // Midnight, or the first moment of the day when the clocks skip midnight.
    const QDateTime start = date->startOfDay(Qt::LocalTime);
    if (!start.isValid())
        return ScheduleState::Unreadable;
    const qint64 days = start.secsTo(now) / kSecondsPerDay;
    return days < intervalDays ? ScheduleState::NotDue : ScheduleState::Due;
}

StoredSchedule StoredSchedule::Read()
{
    StoredSchedule schedule;
    schedule.date = GetProfileString(kSectionUpdate, kDateEntry);
    schedule.intervalDays = GetProfileInt(kSectionUpdate, kIntervalEntry, kDefaultCheckInterval);
    return schedule;
}

bool StoredSchedule::Write(const QDate& date, int intervalDays)
{
    return WriteProfileString(kSectionUpdate, kDateEntry, FormatScheduleDate(date)) &&
           WriteProfileInt(kSectionUpdate, kIntervalEntry, intervalDays);
}
