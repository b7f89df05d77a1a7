#pragma once
// Brings the update answer to the window thread: while it lives, a finished
// check with something to say posts a queued call to OnAutoUpdate, which shows
// the update dialog over the main window.

#include <QObject>

class QWidget;
class UpdateInfo;
class UserPrompts;

class CUpdateNotifier : public QObject {
    Q_OBJECT
public:
    // Listens to `info` for the window `mainWindow` (which owns the notifier).
    CUpdateNotifier(UpdateInfo& info, QWidget* mainWindow, UserPrompts& prompts);
    ~CUpdateNotifier() override;

    // The answer has arrived: nothing when its status is 0, otherwise the
    // update dialog, modal over the main window.
    void OnAutoUpdate();

private:
    UpdateInfo& m_info;
    QWidget* m_pMainWindow;
    UserPrompts& m_prompts;
};
