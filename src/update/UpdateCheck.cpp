#include "update/UpdateCheck.h"

#include "app/AppState.h"
#include "res/OutsideText.h"
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

QString SettingsError()
{
    return QStringLiteral("the settings cannot be written: %1").arg(ProfileFilePath());
}

// The schedule and the connection test: an outcome that ends the check, or none.
std::optional<CheckOutcome> Precondition(const CheckSettings& settings, const QDateTime& now)
{
    if (settings.force)
        return std::nullopt;
    const StoredSchedule schedule = StoredSchedule::Read();
    switch (CheckSchedule(schedule.date, schedule.intervalDays, now)) {
    case ScheduleState::FirstRun:
        if (!StoredSchedule::Write(now.date(), kDefaultCheckInterval))
            return CheckOutcome::SettingsUnwritable;
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
    case CheckOutcome::SettingsUnwritable: return "settings-unwritable";
    }
    return "unknown";
}

CheckResult RunUpdateCheck(HttpClient& http, const CheckSettings& settings)
{
    const QDateTime now = settings.now.isValid() ? settings.now : QDateTime::currentDateTime();
    if (const std::optional<CheckOutcome> end = Precondition(settings, now))
        return Ended(*end, *end == CheckOutcome::SettingsUnwritable ? SettingsError() : QString());

    const HttpResult locator = http.Get("http://" + UpdateHost() + kUpdateLocatorPath);
    if (!locator.ok)
        return Ended(CheckOutcome::NetworkError, ShownText(locator.error));
    const std::optional<QUrl> address = LocatorAddress(locator.body);
    if (!address)
        return Ended(CheckOutcome::BadLocator, QStringLiteral("the update host named no address to ask: \"%1\"")
                                                   .arg(ShownBytes(locator.body.left(80).toStdString())));

    const HttpResult reply = http.Get(QuestionUrl(*address, UpdateQuery(ThisProgram())));
    if (!reply.ok)
        return Ended(CheckOutcome::NetworkError, ShownText(reply.error));

    CheckResult result;
    const QString text = QString::fromUtf8(reply.body).left(kMaxAnswerLength);
    ParseUpdateAnswer(text, result.answer);
    result.answered = !text.isEmpty();
    result.outcome = result.answered ? CheckOutcome::Answered : CheckOutcome::EmptyAnswer;
    if (!StoredSchedule::Write(now.date(), result.answer.nextCheckInDays)) {
        result.outcome = CheckOutcome::SettingsUnwritable;
        result.error = SettingsError();
    }
    return result;
}
