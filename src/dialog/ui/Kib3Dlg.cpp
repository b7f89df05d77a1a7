#include "dialog/ui/Kib3Dlg.h"

#include "animation/ui/KeysWnd.h"
#include "animation/ui/Player.h"
#include "app/AppState.h"
#include "controls/ui/Art.h"
#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MySlider.h"
#include "controls/ui/ProgressWnd.h"
#include "controls/ui/SplashWnd.h"
#include "controls/ui/UserPrompts.h"
#include "dialog/ui/CommandGroups.h"
#include "dialog/ui/DropOpener.h"
#include "dialog/ui/MaskCommands.h"
#include "dialog/ui/OptionCommands.h"
#include "dialog/ui/ProjectEvents.h"
#include "dialog/ui/ScreenCommands.h"
#include "dialog/ui/ScreenStack.h"
#include "dialog/ui/Screenshots.h"
#include "dialog/ui/UndoCommands.h"
#include "dialog/ui/WindowDrag.h"
#include "io/FilePath.h"
#include "res/StringTable.h"
#include "work/ui/WorkWnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

// ----------------------------------------------------------- construction ---

CKib3Dlg::CKib3Dlg(QStringList pictures, QString startProject, UserPrompts& prompts, DialogOptions options,
                   QWidget* parent)
        : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
          m_prompts(prompts), m_options(std::move(options)), m_pictures(std::move(pictures)),
          m_strStartProject(std::move(startProject))
{
    setObjectName(QStringLiteral("Kib3Dlg"));
    setWindowTitle(AppString(StrId::ProductName));
    setWindowIcon(AppIcon());
    m_pCommands = new CCommandRegistry(*this);
    // Alt+F4 is the close box's key: it asks to exit, also while an export runs.
    auto* close = new QAction(this);
    close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    PlaceDialog();
    m_pScreens = new CScreenStack(*this, m_options.fades);
    CreateWindows();
    new CScreenCommands(*m_pCommands, *m_pScreens, *this);
    CreateCommandFamilies();
    CreateScreens();
    AssignCommandGroups(*m_pCommands);
    ConnectNotices();
    UpdateCommandStates();
    UpdateTitle();
}

CKib3Dlg::~CKib3Dlg()
{
    if (m_pPlayer)
        m_pPlayer->StopPlayback();
    m_pEvents.reset();
    // The history's and the work window's notices go before the project does,
    // and without telling this half-destroyed dialog anything.
    delete m_pUndo;
    delete m_pMask;
    disconnect(m_pWorkWnd, nullptr, this, nullptr);
    delete m_pWorkWnd;
    m_pWorkWnd = nullptr;
    if (m_pSplash)
        m_pSplash->CloseSplash();
}

void CKib3Dlg::PlaceDialog()
{
    setFixedSize(kDesignSize);
    QScreen* screen = QGuiApplication::primaryScreen();
    const int screenHeight = m_options.screenHeight >= 0 ? m_options.screenHeight
                             : screen                    ? screen->geometry().height()
                                                         : 768;
    // On a screen only 600 pixels high the dialog goes without its frame.
    if (screenHeight <= kDesignSize.height()) {
        // Chosen title buttons would bring the frame back.
        setWindowFlag(Qt::CustomizeWindowHint, false);
        setWindowFlag(Qt::FramelessWindowHint, true);
    }
    if (screen)
        move(CentredInArea(screen->availableGeometry(), kDesignSize));
}

void CKib3Dlg::CreateWindows()
{
    // The work window, the keyframe strip in its 640 x 84 place and the progress bar.
    m_project.SetDefaultPicture(PathFromQString(App().m_strDefaultPicture));
    m_pWorkWnd = new CWorkWnd(m_project.Picture(), this);
    m_pWorkWnd->SetCursorPictures(ArtCursor(ArtId::CursorTool), ArtCursor(ArtId::CursorBusy));
    m_pWorkWnd->SetDetailSource([this] { return m_project.Work().Detail(); });
    m_pWorkWnd->SetOnionSource([this] { return NeighbourKeys(); });
    m_pWorkWnd->installEventFilter(this);
    m_pCommands->Bind(Cmd::WorkWindow, m_pWorkWnd);
    m_pKeysWnd = new CKeysWnd(m_project.Keys(), this);
    m_pKeysWnd->setGeometry(QRect(m_pScreens->DesignOrigin() + kKeysRect.topLeft(), kKeysRect.size()));
    m_pKeysWnd->CreateSlots();
    for (QAction* action : m_pKeysWnd->Actions())
        m_pCommands->Adopt(action);
    m_pCommands->Bind(Cmd::KeysArea, m_pKeysWnd);
    m_pProgress = new CProgressWnd(this);
    m_pProgress->SetHostRect(QRect(m_pScreens->DesignOrigin(), kDesignSize));
    m_pProgress->hide();
    m_pExports = new CExportCommands(m_project, *m_pWorkWnd, *m_pProgress, *this, m_prompts, this);
}

void CKib3Dlg::CreateCommandFamilies()
{
    m_pTools = new CToolCommands(m_project, *m_pWorkWnd, *m_pCommands, m_prompts, *this, this);
    m_pOptions =
        new COptionCommands(*m_pCommands, m_prompts, *this, m_options.helpFolders, [this] { return CurrentScreen(); });
    m_pProjectCommands = new CProjectCommands(m_project, m_prompts, *this, *m_pCommands, this);
    m_pUndo = new CUndoCommands(m_project, *m_pCommands, *m_pTools);
    m_pUndo->RecordStrip(*m_pKeysWnd);
    m_pMask = new CMaskCommands(m_project, *m_pWorkWnd, *m_pCommands, *this, [this] { m_pTools->ApplyPower(); });
    m_pOptions->AddMenuSection(CMaskCommands::MenuItems());
    m_pTools->SelectTool(ReadToolId(), ReadToolPower());
    m_pPlayer = new CPlayer(m_project, *m_pWorkWnd, *m_pKeysWnd, this);
    m_pPlayer->SetControls(m_pCommands->Action(Cmd::Play), Button(Cmd::Play), m_pTools->Slider(Cmd::SpeedSlider));

    // The commands of the dialog itself: playback and exports.
    // Enter and Escape stop the loop; they never close the dialog.
    for (const int id : {Cmd::Ok, Cmd::Cancel})
        m_pCommands->Add(id, [this] { m_pPlayer->StopPlayback(); });
    for (const int id : {Cmd::SaveVideo, Cmd::SaveAnimation, Cmd::SavePictures, Cmd::Print})
        m_pCommands->Add(id, [this, id] { m_pExports->OnCommand(id); });
    m_pCommands->Add(Cmd::HomePage, [this] { m_prompts.OpenUrl(QUrl(m_options.homePage)); });
}

void CKib3Dlg::CreateScreens()
{
    for (const CToolCommands::Control& control : m_pTools->Controls())
        m_pScreens->AddControl(control.id, control.widget, control.label);
    for (const auto& [id, control] : m_pOptions->Controls())
        m_pScreens->AddControl(id, control);
    m_pScreens->AddControl(Cmd::KeysArea, m_pKeysWnd);
    m_pScreens->SetWorkWindow(m_pWorkWnd, [this] { return m_project.Picture().HasPicture(); });
    m_pScreens->HideAll();
    m_pScreens->SetFades(false);  // nothing to fade from yet
    m_pScreens->SwitchTo(Screen::Start);
    m_pScreens->SetFades(m_options.fades);
    new CWindowDrag(*this);
    auto* drops = new CDropOpener(*this, [this] { return !m_bLocked && !Playing(); });
    connect(drops, &CDropOpener::fileDropped, this, [this](const QString& path) {
        m_pProjectCommands->OpenDropped(path);
        UpdateTitle();
    });
}

void CKib3Dlg::ConnectNotices()
{
    m_pEvents = std::make_unique<CProjectEvents>(m_project, [this] { return Playing(); });
    connect(m_pEvents.get(), &CProjectEvents::powerRequested, m_pTools, &CToolCommands::ApplyPower);
    connect(m_pEvents.get(), &CProjectEvents::keyframeActivated, this, [this] {
        m_pWorkWnd->OnionKeysChanged();
        m_pWorkWnd->update();
        m_pKeysWnd->KeysChanged();
    });
    connect(m_pEvents.get(), &CProjectEvents::mapChanged, this, &CKib3Dlg::OnMapChanged);
    // The keyframes (and perhaps the picture) came back from a step: the strip,
    // the work window and the buttons follow them.
    connect(m_pEvents.get(), &CProjectEvents::documentRestored, this, &CKib3Dlg::AfterDocumentChanged);
    connect(m_pEvents.get(), &CProjectEvents::maskChanged, m_pMask, &CMaskCommands::MaskChanged);
    connect(m_pKeysWnd, &CKeysWnd::thumbnailWanted, this, &CKib3Dlg::OnThumbnailWanted);
    connect(m_pKeysWnd, &CKeysWnd::keysEdited, this, [this] {
        m_pWorkWnd->OnionKeysChanged();
        UpdateCommandStates();
        UpdateTitle();
    });
    connect(m_pPlayer, &CPlayer::starting, m_pTools, &CToolCommands::ApplyPower);
    connect(m_pPlayer, &CPlayer::playingChanged, this, &CKib3Dlg::EnableWhilePlaying);
    connect(m_pOptions, &COptionCommands::thumbnailOptionsChanged, m_pKeysWnd, &CKeysWnd::RefreshSlots);
    connect(m_pOptions, &COptionCommands::onionSkinToggled, m_pWorkWnd, &CWorkWnd::OnionSkinToggled);
    connect(m_pExports, &CExportCommands::finished, this, &CKib3Dlg::AfterExport);
    connect(m_pMask, &CMaskCommands::paintingToggled, m_pTools, &CToolCommands::UpdateIndicator);
    connect(m_pWorkWnd, &CWorkWnd::maskStrokeChanged, m_pTools, &CToolCommands::UpdateIndicator);
    // A tool chosen on a panel takes the window back to editing with it.
    connect(m_pTools, &CToolCommands::toolSelected, this, [this] {
        if (IsToolPanel(CurrentScreen()))
            SwitchToScreen(Screen::Editing);
    });
    connect(m_pScreens, &CScreenStack::screenShown, m_pTools, [this](int screen) {
        if (screen == Screen::Editing || IsToolPanel(screen))
            m_pTools->UpdateIndicator();
    });
    connect(m_pTools, &CToolCommands::mapEdited, this, &CKib3Dlg::UpdateTitle);
    connect(m_pUndo, &CUndoCommands::historyChanged, this, &CKib3Dlg::UpdateTitle);
    connect(m_pCommands, &CCommandRegistry::triggered, this, &CKib3Dlg::UpdateTitle);
}

void CKib3Dlg::OpenStartDocuments()
{
    m_pProjectCommands->OpenStartDocuments(m_strStartProject, m_pictures);
}

bool CKib3Dlg::Ended() const
{
    return m_pProjectCommands->Ended();
}

// --------------------------------------------------------------- controls ---

int CKib3Dlg::CurrentScreen() const
{
    return m_pScreens->Current();
}

void CKib3Dlg::SwitchToScreen(int screen)
{
    m_pScreens->SwitchTo(screen);
}

QWidget* CKib3Dlg::Control(int id) const
{
    return m_pScreens->Control(id);
}

CMyButton* CKib3Dlg::Button(int id) const
{
    return qobject_cast<CMyButton*>(Control(id));
}

CMySlider* CKib3Dlg::Slider(int id) const
{
    return qobject_cast<CMySlider*>(Control(id));
}

CMyRadioBtn* CKib3Dlg::SaveModeButton(int id) const
{
    return m_pOptions->SaveModeButton(id);
}

CToolIndicator* CKib3Dlg::Indicator() const
{
    return m_pTools->Indicator();
}

CHelpWindow* CKib3Dlg::HelpWindow() const
{
    return m_pOptions->HelpWindow();
}

void CKib3Dlg::ShowHelp(int context)
{
    m_pOptions->ShowHelp(context);
}

QPoint CKib3Dlg::WorkClientOrigin() const
{
    return m_pWorkWnd->pos() + QPoint(CWorkWnd::kEdge, CWorkWnd::kEdge);
}

bool CKib3Dlg::SaveScreenshots(const QString& folder)
{
    return ::SaveScreenshots(folder, *this, *m_pScreens, *m_pTools, m_project);
}

// --------------------------------------------------------------- commands ---

void CKib3Dlg::OnCommand(int id)
{
    m_pCommands->Trigger(id);
}

bool CKib3Dlg::HasAnimation() const
{
    return m_project.Keys().GetTotalFrames() != 0;
}

void CKib3Dlg::UpdateCommandStates()
{
    m_pCommands->SetGroupOff(NeedsAnimation, !HasAnimation());
    // Off for want of a picture, a command's tip says so.
    const QString needs =
        m_project.Picture().HasPicture() ? QString() : QLatin1Char('\n') + AppString(StrId::NeedsDocument);
    for (int id : AnimationCommands()) {
        if (id != Cmd::Play || !Playing())  // the playing button's tip is the stop tip
            m_pCommands->Action(id)->setToolTip(AppString(id) + needs);
    }
}

void CKib3Dlg::LockUserInterface(bool lock)
{
    if (lock == m_bLocked)
        return;
    m_bLocked = lock;
    m_pCommands->SetGroupOff(OffWhileBusy, lock);
    m_pWorkWnd->SetBusy(lock);
}

bool CKib3Dlg::Playing() const
{
    return m_pPlayer && m_pPlayer->Playing();
}

void CKib3Dlg::EnableWhilePlaying(bool playing)
{
    m_pCommands->SetGroupOff(OffWhilePlaying, playing);
    m_pWorkWnd->SetPlaying(playing);
    m_pKeysWnd->update();
}

CWorkWnd::OnionMaps CKib3Dlg::NeighbourKeys() const
{
    // The keyframes before and after the active one, round the loop; with two
    // keyframes the other one once.
    const KeyframeStore& keys = m_project.Keys();
    const int n = keys.Count(), active = keys.Active();
    if (n < 2 || active < 0 || active >= n)
        return {};
    const std::vector<Displacement>& previous = keys.Key((active + n - 1) % n).Map();
    const std::vector<Displacement>& next = keys.Key((active + 1) % n).Map();
    if (n == 2)
        return {{}, next};
    return {previous, next};
}

void CKib3Dlg::AfterDocumentChanged()
{
    m_pWorkWnd->PictureChanged();
    m_pWorkWnd->CenterInWorkArea(m_pScreens->DesignOrigin());
    m_pTools->AdoptDocumentTool();
    UpdateCommandStates();
    m_pUndo->Refresh();
    m_pMask->Refresh();
    m_pKeysWnd->KeysChanged();
    m_pWorkWnd->setVisible(CurrentScreen() == Screen::Editing && m_project.Picture().HasPicture());
    m_pWorkWnd->update();
    update();
    UpdateTitle();
}

bool CKib3Dlg::ShowsActiveKey() const
{
    const KeyframeStore& keys = m_project.Keys();
    const int active = keys.Active();
    return m_project.Picture().HasPicture() && active >= 0 && active < keys.Count() &&
           m_project.Picture().Map().data == keys.Key(active).Map().data();
}

void CKib3Dlg::OnMapChanged()
{
    // Only an edit of the active keyframe changes its thumbnail; the frames
    // an export or the frame dialog render in between do not.
    if (!Playing() && ShowsActiveKey())
        m_pKeysWnd->RequestPicture(m_project.Keys().Active());
    UpdateTitle();
}

void CKib3Dlg::OnThumbnailWanted()
{
    if (ShowsActiveKey()) {
        m_project.Keys().SetKeyPicture(m_project.Keys().Active(), m_project.Picture().Display());
        m_pKeysWnd->RefreshTooltips();
    }
}

void CKib3Dlg::ReturnToEditing()
{
    // The frames must show from the first one on: no overlay fading over them
    // (going back to editing ends any fade).
    SwitchToScreen(Screen::Editing);
    repaint();
}

void CKib3Dlg::MakeActiveKeyCurrent()
{
    m_pProjectCommands->ShowActiveKey();
    UpdateTitle();
    m_pWorkWnd->repaint();
}

void CKib3Dlg::UpdateTitle()
{
    const QString product = AppString(StrId::ProductName);
    if (!m_project.Picture().HasPicture()) {
        setWindowTitle(product);
        setWindowModified(false);
        return;
    }
    const std::string& path = m_project.ProjectPath();
    const QString name = path.empty() ? AppString(StrId::Untitled) : QFileInfo(PathToQString(path)).fileName();
    setWindowTitle(name + QStringLiteral("[*] - ") + product);
    setWindowModified(m_project.m_bModified);
}

void CKib3Dlg::SetCursorKind(int kind)
{
    App().m_nCursorMode = kind;
}

void CKib3Dlg::RefreshCursor()
{
    if (m_pWorkWnd)
        m_pWorkWnd->RefreshCursor();
}

// ------------------------------------------------------------------ events ---

void CKib3Dlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bShownOnce)
        return;
    m_bShownOnce = true;
    m_pScreens->FadeIn();
    if (m_options.splash)
        CSplashWnd::ShowSplash(this, m_pSplash, true);
}

void CKib3Dlg::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    m_pScreens->Paint(painter);
}

void CKib3Dlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape: OnCommand(Cmd::Cancel); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: OnCommand(Cmd::Ok); return;
    default: break;
    }
    QWidget::keyPressEvent(event);
}

void CKib3Dlg::reject()
{
    OnCommand(Cmd::Cancel);
}

void CKib3Dlg::accept()
{
    OnCommand(Cmd::Ok);
}

void CKib3Dlg::closeEvent(QCloseEvent* event)
{
    // The dialog ends only through the exit command, which calls done(). While
    // an export keeps the exit button off, the close box asks whether to stop
    // the export and exit.
    event->ignore();
    if (m_pExports->Running())
        AskToStopExportAndExit();
    else
        m_pProjectCommands->Exit();
    UpdateTitle();
}

void CKib3Dlg::AskToStopExportAndExit()
{
    if (m_bExitAfterExport)
        return;  // stopping already; the exit follows
    if (m_prompts.Message(this, AppString(StrId::StopExportAndExit), MsgButtons::YesNo, MsgIcon::Question) !=
        MsgAnswer::Yes)
        return;  // the export goes on
    if (!m_pExports->Running()) {
        m_pProjectCommands->Exit();  // it ended while the question was open
        return;
    }
    // The exit follows once the worker has ended and its unfinished file is gone.
    m_bExitAfterExport = true;
    m_pExports->RequestStop();
}

void CKib3Dlg::AfterExport()
{
    if (!m_bExitAfterExport)
        return;
    m_bExitAfterExport = false;
    m_pProjectCommands->Exit();  // unsaved changes are still asked about
    UpdateTitle();
}

void CKib3Dlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Back from a modal dialog or a menu: a button the pointer left meanwhile
    // loses its hover look.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        for (CMyButton* button : findChildren<CMyButton*>(Qt::FindDirectChildrenOnly))
            button->RefreshHover();
    }
}

bool CKib3Dlg::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the work window sets the cursor of the current cursor kind.
    if (watched == m_pWorkWnd && event->type() == QEvent::Enter)
        m_pWorkWnd->RefreshCursor();
    return QDialog::eventFilter(watched, event);
}
