#pragma once
// One run of the update check, start to end, on the calling thread: the
// schedule, the connection test, the locator page, the question, the answer
// and the schedule written back. Network failures end it quietly with nothing
// stored, so that the next start tries again; settings that cannot be written
// are a failure of their own.

#include "update/UpdateAnswer.h"

#include <QDateTime>
#include <QString>

#include <functional>

class HttpClient;

enum class CheckOutcome {
    FirstRun,            // the schedule was written; nothing was asked
    NotDue,              // the interval has not passed yet
    ScheduleUnreadable,  // the stored date cannot be read; nothing was asked
    Offline,             // the connection test failed
    NetworkError,        // a request failed; nothing stored
    BadLocator,          // the locator page names no usable address; nothing stored
    EmptyAnswer,         // the service said nothing; the schedule is stored with 0 days
    Answered,            // the answer was parsed and the schedule stored
    SettingsUnwritable,  // the schedule could not be stored (the answer, if any, is kept)
};

// A short English name of an outcome ("first-run", "answered", ...).
const char* OutcomeName(CheckOutcome outcome);

struct CheckSettings {
    bool force = false;            // skip the schedule and the connection test
    std::function<bool()> online;  // the connection test; IsOnline when empty
    QDateTime now;                 // the local time; the current one when invalid
};

struct CheckResult {
    CheckOutcome outcome = CheckOutcome::NotDue;
    UpdateAnswer answer;
    bool answered = false;  // the service said something (also when the schedule was not stored after it)
    QString error;          // for NetworkError, BadLocator and SettingsUnwritable; outside text escaped
};

CheckResult RunUpdateCheck(HttpClient& http, const CheckSettings& settings);
