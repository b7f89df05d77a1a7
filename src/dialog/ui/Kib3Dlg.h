#pragma once
// The main window: an 800 x 600 skinned dialog showing one of nine screens
// (editing, start, finish and six tool panels). Buttons send numeric commands
// that OnCommand dispatches; the work window and the project talk to it through
// the internal commands 32772 to 32775.

#include "controls/ui/PbHelpDlg.h"
#include "dialog/ui/DialogLayout.h"
#include "dialog/ui/HelpPages.h"
#include "dialog/ui/HelpWindow.h"
#include "engine/ToolTable.h"
#include "export/ui/ExportCommands.h"
#include "project/Project.h"
#include "update/UpdateEndpoints.h"

#include <QBasicTimer>
#include <QDialog>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class CBufferWnd;
class CKeysWnd;
class CMyButton;
class CMyRadioBtn;
class CMySlider;
class CPlayer;
class CProgressWnd;
class CSplashWnd;
class CToolIndicator;
class CUndoCommands;
class CWorkWnd;
class QLabel;
class UserPrompts;

struct DialogOptions {
    bool splash = false;    // show the start-up splash
    bool fades = true;      // fade screen changes through the overlay
    int screenHeight = -1;  // the screen's height; -1: the primary screen's
    QString homePage = HomePageUrl();
    QStringList helpFolders = HelpFolders();  // where the help pages are looked for
};

class CKib3Dlg : public QDialog, private ProjectObserver, public ToolCursor, private ExportHost, public HelpHost {
    Q_OBJECT
public:
    static constexpr int kNeutralPower = 64;
    static constexpr int kFadeStep = 80;
    static constexpr int kFadeMs = 40;

    CKib3Dlg(QStringList pictures, QString startProject, UserPrompts& prompts, DialogOptions options = {},
             QWidget* parent = nullptr);
    ~CKib3Dlg() override;

    // The start-up documents: the start project, then the first picture of the list.
    void OpenStartDocuments();

    // True once the exit command has ended the dialog.
    bool Ended() const { return m_bEnded; }

    // Runs a command (button, menu, internal notification).
    void OnCommand(int id);

    // Asks whether to save unsaved changes. False when the operation that asked
    // must be abandoned: the user cancelled, or chose to save and the save did
    // not happen.
    bool PromptSaveChanges();
    // Enables the buttons that need an animation exactly when there is one.
    void UpdateCommandStates();
    // The user-interface lock of long operations.
    void LockUserInterface(bool lock);
    bool UserInterfaceLocked() const { return m_bLocked; }

    int CurrentScreen() const { return m_nScreen; }
    Project& GetProject() { return m_project; }
    ToolTable& Tools() { return *m_tools; }
    CWorkWnd* WorkWnd() const { return m_pWorkWnd; }
    CMyButton* Button(int id) const;
    CMySlider* Slider(int id) const;
    CMyRadioBtn* SaveModeButton(int id) const;
    CToolIndicator* Indicator() const { return m_pIndicator; }
    CProgressWnd* Progress() const { return m_pProgress; }
    CKeysWnd* KeysWnd() const { return m_pKeysWnd; }
    CPlayer* Player() const { return m_pPlayer; }
    CExportCommands* Exports() const { return m_pExports; }
    CUndoCommands* UndoCommands() const { return m_pUndo; }
    // The help window, once help was asked for.
    CHelpWindow* HelpWindow() const { return m_pHelp; }
    // HelpHost: opens the help window on a context's page.
    void ShowHelp(int context) override { OnHelp(context); }
    QWidget* Control(int id) const;
    bool Playing() const override;
    // The design area's top-left corner in the client area.
    QPoint DesignOrigin() const;
    // The work window's client origin in dialog coordinates.
    QPoint WorkClientOrigin() const;

    // Opens a picture as a new project (command 1011 after its file dialog).
    bool OpenPictureFile(const QString& path);
    // Opens a project file (command 1009 after its file dialog).
    bool OpenProjectFile(const QString& path);

    // Pictures of the main screens for the documentation: screen-<name>.png in `folder`.
    bool SaveScreenshots(const QString& folder);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;
    void accept() override;

private:
    // ProjectObserver
    void ApplyPowerRequested() override;
    void ActiveKeyChanged() override;
    void MapChanged() override;
    void DocumentRestored() override;
    // ToolCursor
    void SetCursorKind(int kind) override;
    void RefreshCursor() override;
    // ExportHost
    QWidget* HostWindow() override { return this; }
    void ReturnToEditing() override;
    void SetBusy(bool busy) override { LockUserInterface(busy); }
    int Speed() const override;
    void MakeActiveKeyCurrent() override;

    // Initialisation.
    void CreateControls();
    CMyButton* AddButton(int id, int picture, bool caption);
    void CreateSliders();
    void CreateSaveModeChoice();
    void CreateUndoCommands();
    void PlaceDialog();
    void RestoreTool();

    // Screens.
    void SwitchToScreen(int screen);
    void BackToEditing();
    void ShowGroup(int screen, bool show);
    // The composed background of a screen's set (design-area size).
    const QPixmap& Background(int screen);
    // The patch of a screen's background under `area` (logical pixels).
    QImage BackgroundPatch(int screen, const QRect& area);
    void PositionGroup(int screen);
    void StartTransition();
    void FinishTransition();

    // Commands.
    void RunCommand(int id);
    void SelectTool(int id);
    void OnApplyPower();
    void OnPowerSlider(int position);
    void OnStrengthSlider(int position);
    // The open-picture dialog, with tooltips held off while it runs.
    QString AskPictureWithTipsOff();
    void OnOpenPicture();
    void OnAcquire();
    void OnInsertPicture();
    void OnOpenProject();
    void OnLoadDeformations();
    // The save button asks for a name; Ctrl+S writes the project's own file
    // when it has one.
    void OnSaveProject(bool askName);
    void OnReset();
    void OnExit();
    void OnBackFromStart();
    void OnPlay();
    // While playing, the editing controls are off except the speed slider and the play button.
    void EnableWhilePlaying(bool playing);
    void OnOptionsMenu();
    void OnHelp(int context);
    void OnSaveMode(int id);
    // Flips the option `id` names; false when it names none.
    bool ToggleOption(int id);
    // Writes the project to its own file, or, asked for or for a project never
    // saved, to a file chosen in the save dialog; false when cancelled or failed.
    bool SaveProject(bool askName);
    // What the project save dialog proposes: the project's own file, or the
    // picture's name for a new project.
    QString ProposedProjectPath() const;
    // After a new picture, project or deformations: the window fits the picture
    // again, the tool is prepared for its size and the indicator is brought up to date.
    void AfterDocumentChanged();
    void ShowFileError(const std::exception& error);
    // The folder of a file, for the folder settings.
    static QString FolderOf(const QString& path);
    bool HasAnimation() const;
    // The work picture shows (and edits) the active keyframe's map.
    bool ShowsActiveKey() const;
    void SetPowerSlider(int position);
    void UpdateIndicator();
    void UpdateSaveModeChoice();
    // "name.kib[*] - Warplet 4", with the modified marker of the project's state.
    void UpdateTitle();
    // Undo and redo are taken only on a window at rest: not while playing or exporting.
    bool UndoAllowed() const;
    // A power preview on the slider is what the first undo takes back.
    bool DiscardPowerPreview(bool undo);

    Project m_project;
    UserPrompts& m_prompts;
    DialogOptions m_options;
    std::unique_ptr<ToolTable> m_tools;
    QStringList m_pictures;
    QString m_strStartProject;

    CWorkWnd* m_pWorkWnd = nullptr;
    CKeysWnd* m_pKeysWnd = nullptr;
    CPlayer* m_pPlayer = nullptr;
    CExportCommands* m_pExports = nullptr;
    CUndoCommands* m_pUndo = nullptr;
    CToolIndicator* m_pIndicator = nullptr;
    CProgressWnd* m_pProgress = nullptr;
    CBufferWnd* m_pBuffer = nullptr;
    QLabel* m_pOutputLabel = nullptr;
    std::map<int, CMyButton*> m_buttons;
    std::map<int, CMySlider*> m_sliders;
    std::map<int, QLabel*> m_sliderLabels;
    std::map<int, CMyRadioBtn*> m_saveModes;
    std::vector<QWidget*> m_lockedControls;
    std::vector<QWidget*> m_playDisabled;  // controls switched off while playing
    QPointer<CSplashWnd> m_pSplash;
    QPointer<CHelpWindow> m_pHelp;

    int m_nScreen = -1;
    bool m_bLocked = false;
    bool m_bEnded = false;
    bool m_bFading = false;
    int m_nOverlayOpacity = 0;   // the overlay's, while it fades out
    int m_nWindowOpacity = 255;  // the dialog's, while it fades in
    QBasicTimer m_fadeOutTimer;  // the overlay fading out after a screen change
    QBasicTimer m_fadeInTimer;   // the dialog fading in when first shown
    bool m_bShownOnce = false;
    QPoint m_dragOffset;
    QPoint m_pressPos;  // where the left button went down on the background
    bool m_bPressed = false;
    bool m_bDragging = false;  // moving the window ourselves (no system move)
    std::map<int, QPixmap> m_backgrounds;
};
