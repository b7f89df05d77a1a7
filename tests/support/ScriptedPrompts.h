#pragma once
// A UserPrompts that answers from a script instead of asking, and records
// every message, so that window tests never block on a modal box.

#include "controls/ui/UserPrompts.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <vector>

class ScriptedPrompts : public UserPrompts {
public:
    struct Shown {
        QString text;
        MsgButtons buttons;
        MsgIcon icon;
    };

    // Answers for the next question boxes, in order; an empty queue answers
    // Cancel (or Ok for a box with only Ok).
    std::deque<MsgAnswer> answers;
    // File names the next file dialogs return; an empty queue is a cancel.
    std::deque<QString> pictures;
    std::deque<QString> openProjects;
    std::deque<QString> saveProjects;
    bool openUrlSucceeds = true;

    std::vector<Shown> messages;
    std::vector<QUrl> urls;
    std::vector<QString> proposedProjects;  // the paths the project save dialogs proposed
    int fileDialogs = 0;

    MsgAnswer Message(QWidget*, const QString& text, MsgButtons buttons, MsgIcon icon) override
    {
        messages.push_back({text, buttons, icon});
        if (buttons == MsgButtons::Ok)
            return MsgAnswer::Ok;
        if (answers.empty())
            return MsgAnswer::Cancel;
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString AskOpenPicture(QWidget*) override { return Take(pictures); }
    QString AskOpenProject(QWidget*, const QString&) override { return Take(openProjects); }
    QString AskSaveProject(QWidget*, const QString& proposed) override
    {
        proposedProjects.push_back(proposed);
        return Take(saveProjects);
    }
    bool OpenUrl(const QUrl& url) override
    {
        urls.push_back(url);
        return openUrlSucceeds;
    }

    QStringList Texts() const
    {
        QStringList list;
        for (const Shown& m : messages)
            list.append(m.text);
        return list;
    }

private:
    QString Take(std::deque<QString>& queue)
    {
        ++fileDialogs;
        if (queue.empty())
            return {};
        QString s = queue.front();
        queue.pop_front();
        return s;
    }
};
