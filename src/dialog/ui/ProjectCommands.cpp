// The main dialog's project and picture commands: open a picture or a
// project, insert a picture, load deformations, save, and the unsaved-changes
// question that guards them.

#include "dialog/ui/Kib3Dlg.h"

#include "animation/ui/KeysWnd.h"
#include "app/AppState.h"
#include "controls/ui/UserPrompts.h"
#include "controls/ui/MySlider.h"
#include "export/FailureText.h"
#include "io/FileError.h"
#include "export/ui/ExportPrompts.h"
#include "io/FilePath.h"
#include "res/StringTable.h"
#include "work/ui/WorkWnd.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

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

}  // namespace

QString CKib3Dlg::FolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

void CKib3Dlg::ShowFileError(const std::exception& error)
{
    const auto* file = dynamic_cast<const FileError*>(&error);
    const bool full = file && file->GetCause() == FileError::Cause::DiskFull;
    m_prompts.Message(this,
                      FailureMessage(full ? StrId::CannotWriteFile : StrId::CannotReadFile,
                                     file ? file->Path() : std::string(), FailureCause(error)),
                      MsgButtons::Ok, MsgIcon::Exclamation);
    App().m_nCursorMode = kCursorArrow;
    m_pWorkWnd->RefreshCursor();
}

void CKib3Dlg::AfterDocumentChanged()
{
    m_pWorkWnd->PictureChanged();
    m_pWorkWnd->CenterInWorkArea(DesignOrigin());
    // The document may name another tool (a project stores its own).
    const int toolId = m_project.ActiveToolId();
    const int strength = m_project.ActiveToolStrength();
    if (m_tools->Find(toolId)) {
        SelectTool(toolId);
        if (CTool* tool = m_project.Picture().ActiveTool()) {
            tool->SetStrength(std::clamp(strength, 0, 64));
            m_project.SetActiveToolId(toolId, tool->Strength());
            Slider(Cmd::StrengthSlider)->SetPos(tool->Strength());
        }
    }
    SetPowerSlider(kNeutralPower);
    UpdateCommandStates();
    m_pKeysWnd->KeysChanged();
    m_pWorkWnd->setVisible(m_nScreen == Screen::Editing && m_project.Picture().HasPicture());
    m_pWorkWnd->update();
    update();
    UpdateTitle();
}

bool CKib3Dlg::OpenPictureFile(const QString& path)
{
    // The tool chosen in this run stays active on the new picture.
    const CTool* current = m_project.Picture().ActiveTool();
    const int toolId = current ? current->CommandId() : 0;
    const int strength = current ? current->Strength() : Project::kDefaultStrength;
    try {
        m_project.NewFromPicture(PathFromQString(path));
    } catch (const std::exception& error) {
        ShowFileError(error);
        return false;  // the previous project stays as it was
    }
    if (toolId)
        m_project.SetActiveToolId(toolId, strength);
    AfterDocumentChanged();
    OnCommand(Cmd::ActiveKeyChanged);
    SwitchToScreen(Screen::Editing);
    return true;
}

bool CKib3Dlg::OpenProjectFile(const QString& path)
{
    bool opened = true;
    try {
        m_project.Load(PathFromQString(path));
    } catch (const std::exception& error) {
        const std::string file = PathFromQString(path);
        m_prompts.Message(this, FailureMessage(StrId::CannotReadFile, file, FailureCause(error, file)), MsgButtons::Ok,
                          MsgIcon::Exclamation);
        App().m_nCursorMode = kCursorArrow;
        opened = false;
    }
    if (opened)
        AfterDocumentChanged();
    if (m_project.Picture().HasMap() && m_nScreen == Screen::Start)
        SwitchToScreen(Screen::Editing);
    return opened;
}

QString CKib3Dlg::AskPictureWithTipsOff()
{
    const TipsHeldOff tips;
    return m_prompts.AskOpenPicture(this);
}

void CKib3Dlg::OnOpenPicture()
{
    if (Playing() || m_bLocked || !PromptSaveChanges())
        return;
    const QString path = AskPictureWithTipsOff();
    if (path.isEmpty())
        return;
    App().m_strPictDir = FolderOf(path);
    OpenPictureFile(path);
}

void CKib3Dlg::OnInsertPicture()
{
    if (!HasAnimation() || Playing() || m_bLocked || !PromptSaveChanges())
        return;
    const QString path = AskPictureWithTipsOff();
    if (path.isEmpty())
        return;
    try {
        m_project.InsertPicture(PathFromQString(path));
    } catch (const std::exception& error) {
        ShowFileError(error);
        return;
    }
    AfterDocumentChanged();
    OnCommand(Cmd::ActiveKeyChanged);
    if (m_project.Picture().HasMap())
        SwitchToScreen(Screen::Editing);
}

void CKib3Dlg::OnOpenProject()
{
    if (Playing() || m_bLocked || !PromptSaveChanges())
        return;
    const QString path = m_prompts.AskOpenProject(this, App().m_strProjectDir);
    if (path.isEmpty())
        return;
    App().m_strProjectDir = FolderOf(path);
    OpenProjectFile(path);
}

void CKib3Dlg::OnLoadDeformations()
{
    if (!HasAnimation() || Playing() || m_bLocked || !PromptSaveChanges())
        return;
    const TipsHeldOff tips;
    const QString path = m_prompts.AskOpenProject(this, App().m_strProjectDir);
    if (path.isEmpty())
        return;
    Project::DeformationResult result;
    try {
        result = m_project.LoadDeformations(PathFromQString(path));
    } catch (const std::exception& error) {
        const std::string file = PathFromQString(path);
        m_prompts.Message(this, FailureMessage(StrId::CannotReadFile, file, FailureCause(error, file)), MsgButtons::Ok,
                          MsgIcon::Exclamation);
        return;  // the current deformations stay
    }
    if (result != Project::DeformationResult::Applied)
        return;  // a project without keyframes changes nothing
    AfterDocumentChanged();
    OnCommand(Cmd::ActiveKeyChanged);
}

QString CKib3Dlg::ProposedProjectPath() const
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

bool CKib3Dlg::SaveProject(bool askName)
{
    QString path;
    if (!askName && !m_project.ProjectPath().empty())
        path = PathToQString(m_project.ProjectPath());
    else
        path = m_prompts.AskSaveProject(this, ProposedProjectPath());
    if (path.isEmpty())
        return false;
    // The file gets the deformation as it is shown: a weaker power set on the
    // slider (shortcut or exit question on the editing screen) goes into the map first.
    OnApplyPower();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool saved = false;
    try {
        saved = m_project.Save(PathFromQString(path));
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        m_prompts.Message(this, FailureMessage(StrId::CannotWriteFile, PathFromQString(path), FailureCause(error)),
                          MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    QApplication::restoreOverrideCursor();
    if (!saved)
        return false;
    App().m_strProjectDir = FolderOf(path);
    if (m_nScreen == Screen::Finish)
        OnCommand(Cmd::BackFromFinish);
    return true;
}

void CKib3Dlg::OnSaveProject(bool askName)
{
    if (!HasAnimation() || m_bLocked)
        return;
    SaveProject(askName);
}

bool CKib3Dlg::PromptSaveChanges()
{
    if (!m_project.m_bModified)
        return true;
    switch (m_prompts.Message(this, AppString(StrId::ProjectNotSaved), MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgAnswer::No: return true;
    case MsgAnswer::Yes:
        // Nothing to write is nothing lost; a cancelled or failed save keeps the
        // work and stops the operation that asked.
        return !HasAnimation() || SaveProject(false);
    default: return false;
    }
}
