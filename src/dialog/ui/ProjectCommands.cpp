#include "dialog/ui/ProjectCommands.h"

#include "acquire/ui/AcquireFromDevice.h"
#include "app/AppState.h"
#include "controls/ui/CommandRegistry.h"
#include "controls/ui/UserPrompts.h"
#include "dialog/ui/DialogLayout.h"
#include "export/FailureText.h"
#include "export/ui/ExportPrompts.h"
#include "io/FileError.h"
#include "io/FilePath.h"
#include "project/Project.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>

namespace {

// Holds the tooltip setting off while a file dialog runs and restores it.
class TipsHeldOff {
public:
    TipsHeldOff() : m_bSaved(App().m_bShowTips) { App().m_bShowTips = false; }
    TipsHeldOff(const TipsHeldOff&) = delete;
    TipsHeldOff& operator=(const TipsHeldOff&) = delete;
    ~TipsHeldOff() { App().m_bShowTips = m_bSaved; }

private:
    bool m_bSaved;
};

// The folder of a file, for the folder settings.
QString FolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

void ShowReadFailure(UserPrompts& prompts, QWidget* window, const QString& path, const std::exception& error)
{
    const std::string file = PathFromQString(path);
    prompts.Message(window, FailureMessage(StrId::CannotReadFile, file, FailureCause(error, file)), MsgButtons::Ok,
                    MsgIcon::Exclamation);
}

}  // namespace

CProjectCommands::CProjectCommands(Project& project, UserPrompts& prompts, ProjectCommandsHost& host,
                                   CCommandRegistry& commands, QObject* parent)
        : QObject(parent), m_project(project), m_prompts(prompts), m_host(host)
{
    commands.Add(Cmd::OpenPicture, [this] { OpenPicture(); });
    commands.SetShortcuts(Cmd::OpenPicture, {QKeySequence::Open});
    commands.Add(Cmd::OpenProject, [this] { OpenProject(); });
    commands.Add(Cmd::InsertPicture, [this] { InsertPicture(); });
    commands.Add(Cmd::LoadDeformations, [this] { LoadDeformations(); });
    commands.Add(Cmd::Acquire, [this] { Acquire(); });
    commands.Add(Cmd::SaveProject, [this] { SaveProject(true); });
    commands.Add(Cmd::Save, [this] { SaveProject(false); });
    commands.SetShortcuts(Cmd::Save, {QKeySequence::Save});
    commands.Add(Cmd::BackFromStart, [this] { BackFromStart(); });
    commands.Add(Cmd::Exit, [this] { Exit(); });
}

bool CProjectCommands::HasAnimation() const
{
    return m_project.Keys().GetTotalFrames() != 0;
}

void CProjectCommands::ShowFileError(const std::exception& error, const QString& path)
{
    // A FileError names its file; any other failure (no memory) is the picture's being opened.
    const auto* file = dynamic_cast<const FileError*>(&error);
    const bool full = file && file->GetCause() == FileError::Cause::DiskFull;
    m_prompts.Message(m_host.Window(),
                      FailureMessage(full ? StrId::CannotWriteFile : StrId::CannotReadFile,
                                     file ? file->Path() : PathFromQString(path), FailureCause(error)),
                      MsgButtons::Ok, MsgIcon::Exclamation);
    App().m_nCursorMode = kCursorArrow;
    m_host.RefreshCursor();
}

void CProjectCommands::ShowPictureNotes()
{
    if (m_project.PictureIncomplete())
        m_prompts.Message(m_host.Window(), FailureMessage(StrId::PictureIncomplete, m_project.Work().Path(), {}),
                          MsgButtons::Ok, MsgIcon::Exclamation);
}

void CProjectCommands::ShowActiveKey()
{
    const KeyframeStore& keys = m_project.Keys();
    if (keys.Active() >= 0 && keys.Active() < keys.Count())
        m_project.MakeActiveKeyCurrent();
}

// -------------------------------------------------------------- documents ---

bool CProjectCommands::OpenPictureFile(const QString& path)
{
    // The tool chosen in this run stays active on the new picture.
    const CTool* current = m_project.Picture().ActiveTool();
    const int toolId = current ? current->CommandId() : 0;
    const int strength = current ? current->Strength() : Project::kDefaultStrength;
    try {
        m_project.NewFromPicture(PathFromQString(path));
    } catch (const std::exception& error) {
        ShowFileError(error, path);
        return false;  // the previous project stays as it was
    }
    if (toolId)
        m_project.SetActiveToolId(toolId, strength);
    m_host.DocumentChanged();
    ShowActiveKey();
    m_host.SwitchToScreen(Screen::Editing);
    ShowPictureNotes();
    return true;
}

bool CProjectCommands::OpenProjectFile(const QString& path)
{
    bool opened = true;
    try {
        m_project.Load(PathFromQString(path));
    } catch (const std::exception& error) {
        ShowReadFailure(m_prompts, m_host.Window(), path, error);
        App().m_nCursorMode = kCursorArrow;
        opened = false;
    }
    if (opened)
        m_host.DocumentChanged();
    if (m_project.Picture().HasMap() && m_host.CurrentScreen() == Screen::Start)
        m_host.SwitchToScreen(Screen::Editing);
    if (opened)
        ShowPictureNotes();
    return opened;
}

void CProjectCommands::OpenStartDocuments(const QString& startProject, const QStringList& pictures)
{
    // The start project, then back to editing (or the exit command when it
    // brought no keyframes).
    if (!startProject.isEmpty()) {
        // A project without keyframes ends the program: the person is told why first.
        if (OpenProjectFile(startProject) && !m_project.Picture().HasMap())
            m_prompts.Message(m_host.Window(),
                              FailureMessage(StrId::ProjectWithoutKeyframes, PathFromQString(startProject), {}),
                              MsgButtons::Ok, MsgIcon::Information);
        BackFromStart();
    }
    // The first picture named on the command line, as a new project.
    if (!pictures.isEmpty() && !m_bEnded) {
        const QString picture = pictures.first();
        App().m_strPictDir = FolderOf(picture);
        OpenPictureFile(picture);
    }
}

void CProjectCommands::OpenDropped(const QString& path)
{
    if (!AtRest() || m_bEnded || !PromptSaveChanges())
        return;
    // Any extension the picture decoders read names a picture (.jpeg, .webp ...), not only the classic five.
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    if (IsPictureFile(path) || (!suffix.isEmpty() && QImageReader::supportedImageFormats().contains(suffix))) {
        App().m_strPictDir = FolderOf(path);
        OpenPictureFile(path);
    } else {
        App().m_strProjectDir = FolderOf(path);
        OpenProjectFile(path);
    }
}

QString CProjectCommands::AskPictureWithTipsOff()
{
    const TipsHeldOff tips;
    return m_prompts.AskOpenPicture(m_host.Window());
}

// --------------------------------------------------------------- commands ---

void CProjectCommands::OpenPicture()
{
    if (!AtRest() || !PromptSaveChanges())
        return;
    const QString path = AskPictureWithTipsOff();
    if (path.isEmpty())
        return;
    App().m_strPictDir = FolderOf(path);
    OpenPictureFile(path);
}

void CProjectCommands::Acquire()
{
    if (!AtRest() || !PromptSaveChanges())
        return;
    const QString path = AcquireFromDevice(m_host.Window(), m_prompts);
    if (!path.isEmpty())
        OpenPictureFile(path);
}

void CProjectCommands::InsertPicture()
{
    if (!HasAnimation() || !AtRest() || !PromptSaveChanges())
        return;
    const QString path = AskPictureWithTipsOff();
    if (path.isEmpty())
        return;
    try {
        m_project.InsertPicture(PathFromQString(path));
    } catch (const std::exception& error) {
        ShowFileError(error, path);
        return;
    }
    m_host.DocumentChanged();
    ShowActiveKey();
    if (m_project.Picture().HasMap())
        m_host.SwitchToScreen(Screen::Editing);
    ShowPictureNotes();
}

void CProjectCommands::OpenProject()
{
    if (!AtRest() || !PromptSaveChanges())
        return;
    const QString path = m_prompts.AskOpenProject(m_host.Window(), App().m_strProjectDir);
    if (path.isEmpty())
        return;
    App().m_strProjectDir = FolderOf(path);
    OpenProjectFile(path);
}

void CProjectCommands::LoadDeformations()
{
    if (!HasAnimation() || !AtRest() || !PromptSaveChanges())
        return;
    const TipsHeldOff tips;
    const QString path = m_prompts.AskOpenProject(m_host.Window(), App().m_strProjectDir);
    if (path.isEmpty())
        return;
    Project::DeformationResult result;
    try {
        result = m_project.LoadDeformations(PathFromQString(path));
    } catch (const std::exception& error) {
        ShowReadFailure(m_prompts, m_host.Window(), path, error);
        return;  // the current deformations stay
    }
    if (result != Project::DeformationResult::Applied)
        return;  // a project without keyframes changes nothing
    m_host.DocumentChanged();
    ShowActiveKey();
}

QString CProjectCommands::ProposedProjectPath() const
{
    if (!m_project.ProjectPath().empty())
        return PathToQString(m_project.ProjectPath());
    // A new project takes the picture's name, in the folder of the last
    // project, or beside the picture before there was one.
    QString folder = App().m_strProjectDir;
    if (folder.isEmpty()) {
        const std::string& picture = m_project.Work().Path();
        folder = picture.empty() ? QDir::homePath() : FolderOf(PathToQString(picture));
    }
    return folder + QLatin1Char('/') + DocumentName(m_project) + QStringLiteral(".kib");
}

bool CProjectCommands::Save(bool askName)
{
    QString path;
    if (!askName && !m_project.ProjectPath().empty())
        path = PathToQString(m_project.ProjectPath());
    else
        path = m_prompts.AskSaveProject(m_host.Window(), ProposedProjectPath());
    if (path.isEmpty())
        return false;
    // The file gets the deformation as it is shown: a weaker power set on the
    // slider (shortcut or exit question on the editing screen) goes into the map first.
    m_host.TakePowerIntoMap();
    if (m_project.PictureMissing())
        m_prompts.Message(m_host.Window(),
                          FailureMessage(StrId::PictureMissingOnSave, m_project.ResolvedPicturePath(),
                                         AppString(StrId::PictureMissingKept)),
                          MsgButtons::Ok, MsgIcon::Exclamation);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool saved = false;
    try {
        saved = m_project.Save(PathFromQString(path));
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        m_prompts.Message(m_host.Window(),
                          FailureMessage(StrId::CannotWriteFile, PathFromQString(path), FailureCause(error)),
                          MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    QApplication::restoreOverrideCursor();
    if (!saved)
        return false;
    App().m_strProjectDir = FolderOf(path);
    if (m_host.CurrentScreen() == Screen::Finish)
        m_host.SwitchToScreen(Screen::Editing);
    return true;
}

void CProjectCommands::SaveProject(bool askName)
{
    if (!HasAnimation() || m_host.Exporting())
        return;
    Save(askName);
}

bool CProjectCommands::PromptSaveChanges()
{
    if (!m_project.m_bModified)
        return true;
    switch (m_prompts.Message(m_host.Window(), AppString(StrId::ProjectNotSaved), MsgButtons::YesNoCancel,
                              MsgIcon::Question)) {
    case MsgAnswer::No: return true;
    case MsgAnswer::Yes:
        // Nothing to write is nothing lost; a cancelled or failed save keeps the
        // work and stops the operation that asked.
        return !HasAnimation() || Save(false);
    default: return false;
    }
}

void CProjectCommands::BackFromStart()
{
    if (m_project.Picture().HasMap())
        m_host.SwitchToScreen(Screen::Editing);
    else
        Exit();
}

void CProjectCommands::Exit()
{
    if (m_host.Playing())
        return;
    if (m_host.Exporting()) {
        m_prompts.Message(m_host.Window(), AppString(StrId::CannotExitWhileWriting), MsgButtons::Ok,
                          MsgIcon::Exclamation);
        return;
    }
    if (!PromptSaveChanges())
        return;
    const CTool* tool = m_project.Picture().ActiveTool();
    WriteToolId(tool ? tool->CommandId() : 0);
    WriteToolPower(tool ? tool->Strength() : kDefaultToolPower);
    m_bEnded = true;
    m_host.End();
}
