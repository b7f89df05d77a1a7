#include "cli/CliCommands.h"
#include "project/Project.h"
#include "res/OutsideText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <iostream>

namespace {

QJsonObject Size(int width, int height)
{
    return {{"width", width}, {"height", height}};
}

}  // namespace

int RunInfo(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("info"));
    Project project;
    OpenProject(project, a.Single("project file"));
    const KeyframeStore& keys = project.Keys();

    QJsonArray keyframes;
    for (int i = 0; i < keys.Count(); ++i) {
        QJsonObject key = Size(keys.Key(i).Width(), keys.Key(i).Height());
        key["duration"] = keys.Key(i).Duration();
        keyframes.append(key);
    }
    const QJsonObject info{
        {"format", project.FileVersion()},
        // Names from the project file, escaped for the terminal.
        {"picture", QJsonObject{{"stored", ShownBytes(project.StoredPicturePath())},
                                {"resolved", ShownBytes(project.ResolvedPicturePath())},
                                {"loaded", ShownBytes(project.Work().Path())}}},
        {"pictureMissing", project.PictureMissing()},
        {"workPicture", Size(project.Picture().Width(), project.Picture().Height())},
        {"firstVisible", keys.FirstVisible()},
        {"selected", keys.Selected()},
        {"active", keys.Active()},
        {"thumbnail", Size(keys.ThumbSize().width, keys.ThumbSize().height)},
        {"keyframes", keyframes},
        {"totalFrames", keys.GetTotalFrames()},
        {"tool", QJsonObject{{"id", project.ActiveToolId()}, {"strength", project.ActiveToolStrength()}}},
        {"mask", project.HasMask()},
    };
    std::cout << QJsonDocument(info).toJson(QJsonDocument::Indented).toStdString();
    return 0;
}
