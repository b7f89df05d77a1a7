#include "cli/CliCommands.h"

#include "update/CurlHttpClient.h"
#include "update/UpdateCheck.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <iostream>

int RunCheckUpdate(const std::vector<std::string>& args)
{
    const CliArgs a(args, {{"--force", 0}});
    if (!a.Positional().empty())
        throw CliError("check-update takes no file: " + a.Positional().front());
    CheckSettings settings;
    settings.force = a.Has("--force");
    CurlHttpClient http;
    const CheckResult result = RunUpdateCheck(http, settings);
    if (result.outcome == CheckOutcome::NetworkError || result.outcome == CheckOutcome::BadLocator)
        throw CliError("the update check failed: " + result.error.toStdString());

    QJsonObject out{{"outcome", OutcomeName(result.outcome)}};
    if (result.outcome == CheckOutcome::Answered || result.outcome == CheckOutcome::EmptyAnswer) {
        const UpdateAnswer& answer = result.answer;
        out["status"] = answer.status;
        out["message40"] = answer.message40;
        out["message80"] = answer.message80;
        out["message250"] = answer.message250;
        out["updateUrl"] = answer.updateUrl;
        out["moreInfoUrl"] = answer.moreInfoUrl;
        out["nextCheckInDays"] = answer.nextCheckInDays;
    }
    std::cout << QJsonDocument(out).toJson(QJsonDocument::Indented).toStdString();
    return 0;
}
