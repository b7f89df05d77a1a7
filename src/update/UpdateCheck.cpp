#include "update/UpdateCheck.h"

#include "update/ConnectionState.h"
#include "update/HttpClient.h"
#include "update/UpdateEndpoints.h"
#include "update/UpdateRequest.h"
#include "update/UpdateSchedule.h"

#include <optional>

namespace {

CheckResult Ended(CheckOutcome outcome, const QString& error = {})
{
    CheckResult result;
    result.outcome = outcome;
    result.error = error;
    return result;
}

// The schedule and the connection test: an outcome that ends the check, or none.
std::optional<CheckOutcome> Precondition(const CheckSettings& settings, const QDateTime& now)
{
    if (settings.force)
        return std::nullopt;
    const StoredSchedule schedule = StoredSchedule::Read();
    switch (CheckSchedule(schedule.date, schedule.intervalDays, now)) {
    case ScheduleState::FirstRun:
        StoredSchedule::Write(now.date(), kDefaultCheckInterval);
        return CheckOutcome::FirstRun;
    case ScheduleState::NotDue: return CheckOutcome::NotDue;
    case ScheduleState::Unreadable: return CheckOutcome::ScheduleUnreadable;
    case ScheduleState::Due: break;
    }
    const bool online = settings.online ? settings.online() : IsOnline();
    if (!online)
        return CheckOutcome::Offline;
    return std::nullopt;
}

}  // namespace

const char* OutcomeName(CheckOutcome outcome)
{
    switch (outcome) {
    case CheckOutcome::FirstRun: return "first-run";
    case CheckOutcome::NotDue: return "not-due";
    case CheckOutcome::ScheduleUnreadable: return "schedule-unreadable";
    case CheckOutcome::Offline: return "offline";
    case CheckOutcome::NetworkError: return "network-error";
    case CheckOutcome::BadLocator: return "bad-locator";
    case CheckOutcome::EmptyAnswer: return "empty-answer";
    case CheckOutcome::Answered: return "answered";
    }
    return "unknown";
}

CheckResult RunUpdateCheck(HttpClient& http, const CheckSettings& settings)
{
    const QDateTime now = settings.now.isValid() ? settings.now : QDateTime::currentDateTime();
    if (const std::optional<CheckOutcome> end = Precondition(settings, now))
        return Ended(*end);

    const HttpResult locator = http.Get(UpdateHost(), kUpdateLocatorPath);
    if (!locator.ok)
        return Ended(CheckOutcome::NetworkError, locator.error);
    const std::optional<AnswerLocation> location = SplitAnswerUrl(locator.body);
    if (!location)
        return Ended(CheckOutcome::BadLocator,
                     QStringLiteral("the update host named no address to ask: \"%1\"")
                         .arg(QString::fromUtf8(locator.body.left(80))));

    const HttpResult reply = http.Get(location->host, RequestTarget(location->object, UpdateQuery(ThisProgram())));
    if (!reply.ok)
        return Ended(CheckOutcome::NetworkError, reply.error);

    CheckResult result;
    const QString text = QString::fromUtf8(reply.body).left(kMaxAnswerLength);
    ParseUpdateAnswer(text, result.answer);
    result.outcome = text.isEmpty() ? CheckOutcome::EmptyAnswer : CheckOutcome::Answered;
    StoredSchedule::Write(now.date(), result.answer.nextCheckInDays);
    return result;
}
