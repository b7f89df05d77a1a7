#pragma once
// The main window: an 800 x 600 skinned dialog showing one of nine screens
// (editing, start, finish and six tool panels). It keeps the screens and the
// registry of its commands, one action per command identifier, which its
// buttons, menus and keys trigger; the commands themselves live in families
// of their own (tools, project, options, undo, exports), and the windows tell
// each other what happened through typed signals.

#include "controls/ui/PbHelpDlg.h"
#include "dialog/ui/DialogLayout.h"
#include "dialog/ui/HelpPages.h"
#include "dialog/ui/ProjectCommands.h"
#include "dialog/ui/ToolCommands.h"
#include "export/ui/ExportCommands.h"
#include "project/Project.h"
#include "update/UpdateEndpoints.h"
#include "work/ui/WorkWnd.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include <memory>

class CCommandRegistry;
class CHelpWindow;
class CKeysWnd;
class CMaskCommands;
class CMyButton;
class CMyRadioBtn;
class CMySlider;
class COptionCommands;
class CPlayer;
class CProgressWnd;
class CProjectEvents;
class CScreenStack;
class CSplashWnd;
class CToolIndicator;
class CUndoCommands;
class CWorkWnd;
class UserPrompts;

struct DialogOptions {
    bool splash = false;    // show the start-up splash
    bool fades = true;      // fade screen changes through the overlay
    int screenHeight = -1;  // the screen's height; -1: the primary screen's
    QString homePage = HomePageUrl();
    QStringList helpFolders = HelpFolders();  // where the help pages are looked for
};

class CKib3Dlg : public QDialog, public ToolCursor, private ExportHost, public HelpHost, private ProjectCommandsHost {
    Q_OBJECT
public:
    static constexpr int kNeutralPower = CToolCommands::kNeutralPower;

    CKib3Dlg(QStringList pictures, QString startProject, UserPrompts& prompts, DialogOptions options = {},
             QWidget* parent = nullptr);
    ~CKib3Dlg() override;

    // The start-up documents: the start project, then the first picture of the list.
    void OpenStartDocuments();
    // True once the exit command has ended the dialog.
    bool Ended() const;

    // Runs a command as its button, menu item or key does (nothing while it is off).
    void OnCommand(int id);
    CCommandRegistry& Commands() const { return *m_pCommands; }

    // The user-interface lock of exports: every screen's controls off, the work window busy.
    void LockUserInterface(bool lock);
    bool UserInterfaceLocked() const { return m_bLocked; }

    int CurrentScreen() const override;
    Project& GetProject() { return m_project; }
    CWorkWnd* WorkWnd() const { return m_pWorkWnd; }
    QWidget* Control(int id) const;
    CMyButton* Button(int id) const;
    CMySlider* Slider(int id) const;
    CMyRadioBtn* SaveModeButton(int id) const;
    CToolIndicator* Indicator() const;
    CProgressWnd* Progress() const { return m_pProgress; }
    CKeysWnd* KeysWnd() const { return m_pKeysWnd; }
    CPlayer* Player() const { return m_pPlayer; }
    CExportCommands* Exports() const { return m_pExports; }
    CUndoCommands* UndoCommands() const { return m_pUndo; }
    CProjectCommands* ProjectCommands() const { return m_pProjectCommands; }
    CMaskCommands* MaskCommands() const { return m_pMask; }
    // The help window, once help was asked for.
    CHelpWindow* HelpWindow() const;
    // HelpHost: opens the help window on a context's page.
    void ShowHelp(int context) override;
    bool Playing() const override;
    // The work window's client origin in dialog coordinates.
    QPoint WorkClientOrigin() const;

    // Opens a picture as a new project, or a project file (the open commands after their dialogs).
    bool OpenPictureFile(const QString& path) { return m_pProjectCommands->OpenPictureFile(path); }
    bool OpenProjectFile(const QString& path) { return m_pProjectCommands->OpenProjectFile(path); }

    // Pictures of the main screens for the documentation: screen-<name>.png in `folder`.
    bool SaveScreenshots(const QString& folder);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;
    void accept() override;

private:
    // ToolCursor
    void SetCursorKind(int kind) override;
    void RefreshCursor() override;
    // ExportHost
    QWidget* HostWindow() override { return this; }
    void ReturnToEditing() override;
    void SetBusy(bool busy) override { LockUserInterface(busy); }
    int Speed() const override { return m_pTools->Speed(); }
    void MakeActiveKeyCurrent() override;
    // ProjectCommandsHost
    QWidget* Window() override { return this; }
    bool Exporting() const override { return m_bLocked; }
    void SwitchToScreen(int screen) override;
    void DocumentChanged() override { AfterDocumentChanged(); }
    void TakePowerIntoMap() override { m_pTools->ApplyPower(); }
    void End() override { done(QDialog::Accepted); }

    // Construction.
    void PlaceDialog();
    void CreateWindows();
    void CreateCommandFamilies();
    void CreateScreens();
    void ConnectNotices();

    // While playing, the editing controls are off except the speed slider and the play button.
    void EnableWhilePlaying(bool playing);
    // After a new picture, project or deformations: the window fits the picture
    // again, the tool is prepared for its size and the commands follow.
    void AfterDocumentChanged();
    // The commands that need an animation are on exactly when there is one.
    void UpdateCommandStates();
    bool HasAnimation() const;
    // The work picture shows (and edits) the active keyframe's map.
    bool ShowsActiveKey() const;
    // The maps of the keyframes the onion skin ghosts.
    CWorkWnd::OnionMaps NeighbourKeys() const;
    void OnMapChanged();
    void OnThumbnailWanted();
    // "name.kib[*] - Warplet 4", with the modified marker of the project's state.
    void UpdateTitle();
    // The close box while an export runs: Yes stops it, and the exit command
    // runs once it has ended; No lets it go on.
    void AskToStopExportAndExit();
    void AfterExport();

    Project m_project;
    std::unique_ptr<CProjectEvents> m_pEvents;  // the project's notices, while it lives
    UserPrompts& m_prompts;
    DialogOptions m_options;
    QStringList m_pictures;
    QString m_strStartProject;

    CCommandRegistry* m_pCommands = nullptr;
    CScreenStack* m_pScreens = nullptr;
    CWorkWnd* m_pWorkWnd = nullptr;
    CKeysWnd* m_pKeysWnd = nullptr;
    CProgressWnd* m_pProgress = nullptr;
    CPlayer* m_pPlayer = nullptr;
    CExportCommands* m_pExports = nullptr;
    CToolCommands* m_pTools = nullptr;
    CUndoCommands* m_pUndo = nullptr;
    CProjectCommands* m_pProjectCommands = nullptr;
    COptionCommands* m_pOptions = nullptr;
    CMaskCommands* m_pMask = nullptr;
    QPointer<CSplashWnd> m_pSplash;
    bool m_bLocked = false;
    bool m_bShownOnce = false;
    bool m_bExitAfterExport = false;  // the close box stopped an export to exit
};
