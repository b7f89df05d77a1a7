#include "cli/CliCommands.h"

#include "res/OutsideText.h"
#include "update/CurlHttpClient.h"
#include "update/UpdateCheck.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <iostream>

int RunCheckUpdate(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("check-update"));
    if (!a.Positional().empty())
        throw CliError("check-update takes no file: " + a.Positional().front());
    CheckSettings settings;
    settings.force = a.Has("--force");
    CurlHttpClient http;
    const CheckResult result = RunUpdateCheck(http, settings);
    if (result.outcome == CheckOutcome::NetworkError || result.outcome == CheckOutcome::BadLocator ||
        result.outcome == CheckOutcome::SettingsUnwritable)
        throw CliError("the update check failed: " + result.error.trimmed().toStdString());

    QJsonObject out{{"outcome", OutcomeName(result.outcome)}};
    if (result.outcome == CheckOutcome::Answered || result.outcome == CheckOutcome::EmptyAnswer) {
        // The service's texts, with their control characters escaped for the terminal.
        const UpdateAnswer& answer = result.answer;
        out["status"] = answer.status;
        out["message40"] = ShownText(answer.message40);
        out["message80"] = ShownText(answer.message80);
        out["message250"] = ShownText(answer.message250);
        out["updateUrl"] = ShownText(answer.updateUrl);
        out["moreInfoUrl"] = ShownText(answer.moreInfoUrl);
        out["nextCheckInDays"] = answer.nextCheckInDays;
    }
    std::cout << QJsonDocument(out).toJson(QJsonDocument::Indented).toStdString();
    return 0;
}
