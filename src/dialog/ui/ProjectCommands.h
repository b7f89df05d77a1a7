#pragma once
// The main dialog's project and picture commands: open a picture or a
// project (from their dialogs, a scanner or camera, the command line or a
// drop), insert a picture, load deformations, save, exit, and the
// unsaved-changes question that guards them.

#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>

class CCommandRegistry;
class Project;
class QWidget;
class UserPrompts;

// What the project commands need from the window they serve.
class ProjectCommandsHost {
public:
    virtual ~ProjectCommandsHost() = default;
    // The parent of the questions and file dialogs.
    virtual QWidget* Window() = 0;
    virtual bool Playing() const = 0;
    // An export runs: nothing is opened, and exit is refused.
    virtual bool Exporting() const = 0;
    virtual int CurrentScreen() const = 0;
    virtual void SwitchToScreen(int screen) = 0;
    // After a new picture, project or deformations: the windows follow the document.
    virtual void DocumentChanged() = 0;
    // The power shown on the slider becomes part of the map (before saving).
    virtual void TakePowerIntoMap() = 0;
    // The cursor of the application's cursor kind is shown again.
    virtual void RefreshCursor() = 0;
    // The exit command ends the window.
    virtual void End() = 0;
};

class CProjectCommands : public QObject {
    Q_OBJECT
public:
    CProjectCommands(Project& project, UserPrompts& prompts, ProjectCommandsHost& host, CCommandRegistry& commands,
                     QObject* parent = nullptr);

    // Opens a picture as a new project (the open-picture command after its dialog).
    bool OpenPictureFile(const QString& path);
    // Opens a project file (the open-project command after its dialog).
    bool OpenProjectFile(const QString& path);
    // The start-up documents: the start project, then the first picture of the list.
    void OpenStartDocuments(const QString& startProject, const QStringList& pictures);
    // A file dropped on the window: a picture of any type the decoders read, else a project.
    void OpenDropped(const QString& path);

    void OpenPicture();
    void OpenProject();
    void InsertPicture();
    void LoadDeformations();
    void Acquire();
    // The save button asks for a name; Ctrl+S writes the project's own file
    // when it has one.
    void SaveProject(bool askName);
    void BackFromStart();
    void Exit();
    // True once the exit command has ended the window.
    bool Ended() const { return m_bEnded; }

    // The work window edits the active keyframe (after a document was opened, or an export).
    void ShowActiveKey();
    // Tells the person what the picture's file lacked (a picture cut short).
    void ShowPictureNotes();

    // Asks whether to save unsaved changes. False when the operation that asked
    // must be abandoned: the user cancelled, or chose to save and the save did
    // not happen.
    bool PromptSaveChanges();
    // What the project save dialog proposes: the project's own file, or the
    // picture's name for a new project.
    QString ProposedProjectPath() const;

private:
    bool HasAnimation() const;
    bool AtRest() const { return !m_host.Playing() && !m_host.Exporting(); }
    // Writes the project to its own file, or, asked for or for a project never
    // saved, to a file chosen in the save dialog; false when cancelled or failed.
    bool Save(bool askName);
    // The open-picture dialog, with tooltips held off while it runs.
    QString AskPictureWithTipsOff();
    void ShowFileError(const std::exception& error, const QString& path = {});

    Project& m_project;
    UserPrompts& m_prompts;
    ProjectCommandsHost& m_host;
    bool m_bEnded = false;
};
