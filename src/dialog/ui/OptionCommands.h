#pragma once
// The main dialog's options: the options menu (undo and redo, help and about,
// the display and editing options, the reverse key), the finish screen's choice of output size, and
// help, the program's own help window on the page of a screen or dialog.

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

class CCommandRegistry;
class CHelpWindow;
class CMyRadioBtn;
class QLabel;
class QWidget;
class UserPrompts;

class COptionCommands : public QObject {
    Q_OBJECT
public:
    // The menu and the help window open over `window`; help pages are looked
    // for in `helpFolders`; `currentScreen` names the screen whose help the
    // help command shows.
    COptionCommands(CCommandRegistry& commands, UserPrompts& prompts, QWidget& window, QStringList helpFolders,
                    std::function<int()> currentScreen);

    // The options menu at the pointer.
    void ShowMenu();
    // The help window on the page of a help context.
    void ShowHelp(int context);
    CHelpWindow* HelpWindow() const;

    // Further items of the menu, after a separator, from another command family.
    void AddMenuSection(std::vector<int> ids) { m_sections.push_back(std::move(ids)); }

    CMyRadioBtn* SaveModeButton(int id) const;
    // The controls for the finish screen: the output size's label and choices.
    std::vector<std::pair<int, QWidget*>> Controls() const;

signals:
    // Durations or keyframe numbers were switched on or off: the strip's
    // slots draw them at once.
    void thumbnailOptionsChanged();
    // The onion skin was switched on or off: the work area shows it at once.
    void onionSkinToggled();

private:
    void CreateSaveModeChoice();
    void Toggle(int id);
    void ChooseSaveMode(int id);
    // The check marks of the options and the output size follow the settings.
    void ShowSettings();

    CCommandRegistry& m_commands;
    UserPrompts& m_prompts;
    QWidget& m_window;
    QStringList m_helpFolders;
    std::function<int()> m_currentScreen;
    QLabel* m_pOutputLabel = nullptr;
    std::map<int, CMyRadioBtn*> m_saveModes;
    QPointer<CHelpWindow> m_pHelp;
    std::vector<std::vector<int>> m_sections;
};
