#include "dialog/ui/Kib3Dlg.h"

#include "acquire/ui/AcquireFromDevice.h"
#include "app/AppState.h"
#include "animation/ui/KeysWnd.h"
#include "animation/ui/Player.h"
#include "controls/ui/UserPrompts.h"
#include "controls/ui/AboutDlg.h"
#include "controls/ui/Art.h"
#include "controls/ui/BMenu.h"
#include "controls/ui/LayeredWindowHelper.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MySlider.h"
#include "controls/ui/ProgressWnd.h"
#include "controls/ui/SplashWnd.h"
#include "dialog/ui/BufferWnd.h"
#include "dialog/ui/HelpPages.h"
#include "dialog/ui/HelpWindow.h"
#include "dialog/ui/ToolIndicator.h"
#include "dialog/ui/UndoCommands.h"
#include "io/FileError.h"
#include "io/Archive.h"
#include "io/FilePath.h"
#include "res/StringTable.h"
#include "work/ui/WorkWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <span>

namespace {

// The buttons of the three command screens and the editing screen, with
// whether their caption is shown below the picture.
struct ButtonSpec {
    int id;
    bool caption;
};

constexpr ButtonSpec kCommandButtons[] = {
    {Cmd::Start, true},          {Cmd::Finish, true},           {Cmd::Options, false},    {Cmd::PanelEnlarge, true},
    {Cmd::PanelShrink, true},    {Cmd::PanelMore, true},        {Cmd::PanelCommon, true}, {Cmd::PanelDisaster, true},
    {Cmd::PanelGlobal, true},    {Cmd::LoadDeformations, true}, {Cmd::Play, true},        {Cmd::Reset, true},
    {Cmd::Acquire, true},        {Cmd::OpenProject, true},      {Cmd::OpenPicture, true}, {Cmd::InsertPicture, true},
    {Cmd::BackFromStart, true},  {Cmd::HomePage, true},         {Cmd::SaveVideo, true},   {Cmd::SaveAnimation, true},
    {Cmd::SaveProject, true},    {Cmd::SavePictures, true},     {Cmd::Print, true},       {Cmd::Exit, true},
    {Cmd::BackFromFinish, true}, {Cmd::BackEnlarge, true},      {Cmd::BackShrink, true},  {Cmd::BackMore, true},
    {Cmd::BackCommon, true},     {Cmd::BackDisaster, true},     {Cmd::BackGlobal, true},
};

// Buttons that need an animation (a total keyframe duration other than 0).
constexpr int kAnimationCommands[] = {Cmd::Reset,       Cmd::LoadDeformations, Cmd::Play,          Cmd::InsertPicture,
                                      Cmd::SaveProject, Cmd::SaveVideo,        Cmd::SaveAnimation, Cmd::Print,
                                      Cmd::SavePictures};

// A small round picture for the output-size choices: a pictogram on a tile.
QImage SaveModePicture(int id)
{
    // Drawn at the artwork's resolution for the screen, in logical coordinates.
    const qreal ratio = ArtRatio();
    QImage img(qRound(40 * ratio), qRound(40 * ratio), QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    const QColor key(0xEF, 0xE2, 0xC6);
    img.fill(key);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x4A, 0x38, 0x26), 1.5));
    p.setBrush(QColor(0x3A, 0x78, 0xC2));
    p.drawRoundedRect(QRectF(3, 3, 33, 33), 8, 8);
    p.setPen(QPen(QColor(0xFF, 0xFD, 0xF6), 2.2));
    p.setBrush(Qt::NoBrush);
    switch (id) {
    case Cmd::SaveModeScreen:  // a monitor
        p.drawRect(QRectF(10, 11, 19, 13));
        p.drawLine(QPointF(19.5, 24), QPointF(19.5, 28));
        p.drawLine(QPointF(14, 29), QPointF(25, 29));
        break;
    case Cmd::SaveModePicture:  // a framed picture
        p.drawRect(QRectF(10, 11, 19, 17));
        p.drawPolyline(
            QPolygonF({QPointF(11, 26), QPointF(17, 19), QPointF(21, 23), QPointF(24, 20), QPointF(28, 26)}));
        break;
    default:  // a resize corner
        p.drawRect(QRectF(10, 10, 11, 11));
        p.drawLine(QPointF(17, 17), QPointF(29, 29));
        p.drawLine(QPointF(29, 29), QPointF(29, 23));
        p.drawLine(QPointF(29, 29), QPointF(23, 29));
        break;
    }
    return img;
}

}  // namespace

// ----------------------------------------------------------- construction ---

CKib3Dlg::CKib3Dlg(QStringList pictures, QString startProject, UserPrompts& prompts, DialogOptions options,
                   QWidget* parent)
        : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
          m_prompts(prompts), m_options(std::move(options)), m_pictures(std::move(pictures)),
          m_strStartProject(std::move(startProject))
{
    setObjectName(QStringLiteral("Kib3Dlg"));
    // 1. Title and icon; the accelerators.
    setWindowTitle(AppString(StrId::ProductName));
    setWindowIcon(AppIcon());
    auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(altF4, &QShortcut::activated, this, [this] { OnCommand(Cmd::Exit); });
    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, this, [this] { OnCommand(Cmd::OpenPicture); });
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, [this] {
        OnSaveProject(false);
        UpdateTitle();
    });
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { OnHelp(WindowHelpContextForScreen(m_nScreen)); });
    setAcceptDrops(true);

    // 2. An 800 x 600 client area, centred on the desktop.
    PlaceDialog();

    // 3.-5. The work window, the keyframe strip's place and the progress bar.
    m_project.SetObserver(this);
    m_project.SetDefaultPicture(PathFromQString(App().m_strDefaultPicture));
    m_pWorkWnd = new CWorkWnd(m_project.Picture(), this);
    m_pWorkWnd->SetCursorPictures(ArtCursor(ArtId::CursorTool), ArtCursor(ArtId::CursorBusy));
    connect(m_pWorkWnd, &CWorkWnd::command, this, &CKib3Dlg::OnCommand);
    m_pWorkWnd->installEventFilter(this);
    // 4. The keyframe strip lays itself out in its 640 x 84 place.
    m_pKeysWnd = new CKeysWnd(m_project.Keys(), this);
    m_pKeysWnd->setGeometry(QRect(DesignOrigin() + kKeysRect.topLeft(), kKeysRect.size()));
    m_pKeysWnd->CreateSlots();
    connect(m_pKeysWnd, &CKeysWnd::command, this, &CKib3Dlg::OnCommand);
    connect(m_pKeysWnd, &CKeysWnd::keysEdited, this, [this] {
        App().m_bModified = true;
        UpdateCommandStates();
        UpdateTitle();
    });
    m_pProgress = new CProgressWnd(this);
    m_pProgress->SetHostRect(QRect(DesignOrigin(), kDesignSize));
    m_pProgress->hide();
    m_pExports = new CExportCommands(m_project, *m_pWorkWnd, *m_pProgress, *this, m_prompts, this);
    CreateUndoCommands();

    // 6. Tools; the last tool and its strength.
    m_tools = std::make_unique<ToolTable>(nullptr, this);
    CreateControls();
    RestoreTool();
    m_pPlayer = new CPlayer(m_project, *m_pWorkWnd, *m_pKeysWnd, this);
    m_pPlayer->SetControls(Button(Cmd::Play), Slider(Cmd::SpeedSlider));
    connect(m_pPlayer, &CPlayer::playingChanged, this, &CKib3Dlg::EnableWhilePlaying);

    // 7. Hide every group, then the start screen.
    for (int screen = 0; screen < Screen::Count; ++screen)
        ShowGroup(screen, false);
    const bool fades = m_options.fades;
    m_options.fades = false;  // nothing to fade from yet
    SwitchToScreen(Screen::Start);
    m_options.fades = fades;
    UpdateCommandStates();

    // 9. The transition overlay.
    m_pBuffer = new CBufferWnd(this);
    UpdateTitle();
}

CKib3Dlg::~CKib3Dlg()
{
    if (m_pPlayer)
        m_pPlayer->StopPlayback();
    m_project.SetObserver(nullptr);
    // The work window shows the project's picture: it goes before the project
    // does, and without telling this half-destroyed dialog anything.
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
    // 12. On a screen only 600 pixels high the dialog goes without its frame.
    if (screenHeight <= kDesignSize.height()) {
        // Chosen title buttons would bring the frame back.
        setWindowFlag(Qt::CustomizeWindowHint, false);
        setWindowFlag(Qt::FramelessWindowHint, true);
    }
    if (screen) {
        move(CentredInArea(screen->availableGeometry(), kDesignSize));
    }
}

QPoint CKib3Dlg::DesignOrigin() const
{
    return QPoint((width() - kDesignSize.width()) / 2, (height() - kDesignSize.height()) / 2);
}

QPoint CKib3Dlg::WorkClientOrigin() const
{
    return m_pWorkWnd->pos() + QPoint(CWorkWnd::kEdge, CWorkWnd::kEdge);
}

CMyButton* CKib3Dlg::AddButton(int id, int picture, bool caption)
{
    auto* button = new CMyButton(id, this);
    if (caption) {
        button->SetShowCaption(true);
        button->SetWindowText(AppCaption(id));
    }
    button->SetPicture(picture);
    connect(button, &CMyButton::commandIssued, this, &CKib3Dlg::OnCommand);
    m_buttons[id] = button;
    return button;
}

void CKib3Dlg::CreateControls()
{
    for (const ButtonSpec& button : kCommandButtons)
        AddButton(button.id, button.id, button.caption);
    for (int screen = Screen::Enlarge; screen <= Screen::Global; ++screen) {
        for (int id : PanelTools(screen)) {
            const CTool* tool = m_tools->Find(id);
            AddButton(id, tool ? tool->BitmapId() : 0, false);
        }
    }
    m_pIndicator = new CToolIndicator(this);
    CreateSliders();
    CreateSaveModeChoice();
}

void CKib3Dlg::CreateSliders()
{
    struct SliderSpec {
        int id, min, max, pos;
        QColor done, rest;
    };
    const SliderSpec specs[] = {
        {Cmd::StrengthSlider, 0, 64, 64, QColor(0x2E, 0x9C, 0x8F), QColor(0xCF, 0xE6, 0xE0)},
        {Cmd::PowerSlider, 0, kNeutralPower, kNeutralPower, QColor(0xE0, 0x8A, 0x2E), QColor(0xF3, 0xDD, 0xC2)},
        {Cmd::SpeedSlider, 1, 60, 30, QColor(0x3A, 0x78, 0xC2), QColor(0xCC, 0xDC, 0xEF)},
    };
    for (const SliderSpec& s : specs) {
        auto* slider = new CMySlider(s.id, this);
        slider->SetRange(s.min, s.max);
        slider->SetPos(s.pos);
        slider->SetColors(s.done, s.rest);
        slider->resize(164, 30);
        const int id = s.id;
        connect(slider, &CMySlider::hScroll, this, [this, id](int, int position) {
            if (id == Cmd::PowerSlider)
                OnPowerSlider(position);
            else if (id == Cmd::StrengthSlider)
                OnStrengthSlider(position);
        });
        m_sliders[s.id] = slider;
        // The label is the first line of the slider's string.
        auto* label = new QLabel(AppString(s.id).section(QLatin1Char('\n'), 0, 0), this);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setStyleSheet(QStringLiteral("color: #4a3826; font-weight: bold;"));
        label->resize(70, 30);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_sliderLabels[s.id] = label;
    }
}

void CKib3Dlg::CreateSaveModeChoice()
{
    m_pOutputLabel = new QLabel(AppString(StrId::OutputResolution), this);
    m_pOutputLabel->setStyleSheet(QStringLiteral("color: #4a3826; font-weight: bold;"));
    m_pOutputLabel->resize(300, 22);
    for (int id : {Cmd::SaveModeScreen, Cmd::SaveModePicture, Cmd::SaveModeCustom}) {
        auto* radio = new CMyRadioBtn(id, this);
        radio->SetShowCaption(true);
        radio->SetWindowText(AppCaption(id));
        radio->SetPicture(SaveModePicture(id));
        connect(radio, &CMyButton::commandIssued, this, &CKib3Dlg::OnCommand);
        m_saveModes[id] = radio;
    }
    UpdateSaveModeChoice();
}

void CKib3Dlg::CreateUndoCommands()
{
    m_pUndo = new CUndoCommands(
        m_project.History(), *this, [this] { return UndoAllowed(); },
        [this](bool undo) { return DiscardPowerPreview(undo); });
    m_pUndo->RecordStrip(*m_pKeysWnd);
    connect(m_pUndo, &CUndoCommands::historyChanged, this, &CKib3Dlg::UpdateTitle);
}

void CKib3Dlg::RestoreTool()
{
    SelectTool(ReadToolId());
    if (CTool* tool = m_project.Picture().ActiveTool()) {
        tool->SetStrength(std::clamp(ReadToolPower(), 0, 64));
        m_project.SetActiveToolId(tool->CommandId(), tool->Strength());
        m_sliders[Cmd::StrengthSlider]->SetPos(tool->Strength());
    }
}

CMyButton* CKib3Dlg::Button(int id) const
{
    const auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

CMySlider* CKib3Dlg::Slider(int id) const
{
    const auto it = m_sliders.find(id);
    return it == m_sliders.end() ? nullptr : it->second;
}

CMyRadioBtn* CKib3Dlg::SaveModeButton(int id) const
{
    const auto it = m_saveModes.find(id);
    return it == m_saveModes.end() ? nullptr : it->second;
}

QWidget* CKib3Dlg::Control(int id) const
{
    if (CMyButton* b = Button(id))
        return b;
    if (CMySlider* s = Slider(id))
        return s;
    if (CMyRadioBtn* r = SaveModeButton(id))
        return r;
    switch (id) {
    case Cmd::WorkWindow: return m_pWorkWnd;
    case Cmd::KeysArea: return m_pKeysWnd;
    case Cmd::Indicator: return m_pIndicator;
    case Cmd::OutputLabel: return m_pOutputLabel;
    default: return nullptr;
    }
}

void CKib3Dlg::OpenStartDocuments()
{
    // 8. The start project, then back to editing (or the exit command when it
    // brought no keyframes).
    if (!m_strStartProject.isEmpty()) {
        OpenProjectFile(m_strStartProject);
        OnBackFromStart();
    }
    // 11. The first picture named on the command line, as a new project.
    if (!m_pictures.isEmpty() && !m_bEnded) {
        const QString picture = m_pictures.first();
        App().m_strPictDir = FolderOf(picture);
        OpenPictureFile(picture);
    }
}

// ---------------------------------------------------------------- screens ---

void CKib3Dlg::ShowGroup(int screen, bool show)
{
    for (int id : ScreenGroup(screen)) {
        if (QWidget* w = Control(id))
            w->setVisible(show);
        const auto label = m_sliderLabels.find(id);
        if (label != m_sliderLabels.end())
            label->second->setVisible(show);
    }
    if (show) {
        if (QWidget* options = Button(Cmd::Options))
            options->setVisible(true);
    }
    // The work window shows only with a picture.
    if (screen == Screen::Editing && show && !m_project.Picture().HasPicture())
        m_pWorkWnd->hide();
}

void CKib3Dlg::PositionGroup(int screen)
{
    const QPoint origin = DesignOrigin();
    std::vector<int> ids = ScreenGroup(screen);
    ids.push_back(Cmd::Options);
    for (int id : ids) {
        if (id == Cmd::WorkWindow) {
            m_pWorkWnd->CenterInWorkArea(origin);
            continue;
        }
        QWidget* w = Control(id);
        if (!w)
            continue;
        QPoint pos = origin + ControlPosition(screen, id);
        if (id == Cmd::KeysArea)
            pos.rx() += (kKeysRect.width() - w->width()) / 2;  // centred in its place
        w->move(pos);
        // A button draws on the screen's own background, not on a patch of skin.
        if (auto* button = qobject_cast<CMyButton*>(w))
            button->SetBackdrop(BackgroundPatch(screen, QRect(pos - origin, w->size())));
        const auto label = m_sliderLabels.find(id);
        if (label != m_sliderLabels.end()) {
            label->second->move(pos);
            w->move(pos + QPoint(label->second->width() + 6, 0));
        }
    }
}

void CKib3Dlg::SwitchToScreen(int screen)
{
    if (screen == Screen::Editing) {
        BackToEditing();
        return;
    }
    StartTransition();
    if (m_nScreen >= 0)
        ShowGroup(m_nScreen, false);
    PositionGroup(screen);
    ShowGroup(screen, true);
    m_nScreen = screen;
    if (IsToolPanel(screen))
        UpdateIndicator();
    FinishTransition();
    update();
}

void CKib3Dlg::BackToEditing()
{
    // Only the other screens fade in; the editing screen is back at once, and
    // a fade still running over the screen being left ends now.
    if (m_bFading) {
        m_fadeOutTimer.stop();
        m_pBuffer->Release();
        m_bFading = false;
    }
    if (m_nScreen >= 0 && m_nScreen != Screen::Editing)
        ShowGroup(m_nScreen, false);
    PositionGroup(Screen::Editing);
    ShowGroup(Screen::Editing, true);
    UpdateIndicator();
    m_nScreen = Screen::Editing;
    update();
}

void CKib3Dlg::StartTransition()
{
    if (!m_options.fades || !m_pBuffer || !isVisible())
        return;
    m_fadeOutTimer.stop();
    m_pBuffer->Capture();
    m_bFading = true;
}

void CKib3Dlg::FinishTransition()
{
    if (!m_bFading)
        return;
    m_pBuffer->raise();
    m_nOverlayOpacity = 255;
    m_fadeOutTimer.start(kFadeMs, this);
}

void CKib3Dlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_fadeOutTimer.timerId()) {
        // Every 40 ms the overlay loses 80 of its 255 opacity.
        m_nOverlayOpacity -= kFadeStep;
        if (m_nOverlayOpacity <= 0) {
            m_fadeOutTimer.stop();
            m_pBuffer->Release();
            m_bFading = false;
        } else {
            m_pBuffer->SetOpacity(m_nOverlayOpacity);
        }
        return;
    }
    if (event->timerId() == m_fadeInTimer.timerId()) {
        const CLayeredWindowHelperST layered;
        m_nWindowOpacity += kFadeStep;
        if (m_nWindowOpacity > 254) {
            m_fadeInTimer.stop();
            layered.RemoveLayeredStyle(this);
        } else {
            layered.SetLayeredWindowAttributes(this, 0, m_nWindowOpacity, CLayeredWindowHelperST::kAlpha);
        }
        return;
    }
    QDialog::timerEvent(event);
}

void CKib3Dlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bShownOnce)
        return;
    m_bShownOnce = true;
    if (m_options.fades) {
        const CLayeredWindowHelperST layered;
        layered.AddLayeredStyle(this);
        m_nWindowOpacity = 0;
        layered.SetLayeredWindowAttributes(this, 0, 0, CLayeredWindowHelperST::kAlpha);
        m_fadeInTimer.start(kFadeMs, this);
    }
    if (m_options.splash)
        CSplashWnd::ShowSplash(this, m_pSplash, true);
}

// --------------------------------------------------------------- painting ---

const QPixmap& CKib3Dlg::Background(int screen)
{
    const int set = BackgroundSetForScreen(std::max(screen, 0));
    auto it = m_backgrounds.find(set);
    if (it == m_backgrounds.end()) {
        // The set's 80 x 80 tiles, each keyed by its corner in the design area.
        // Composed at the artwork's own device pixel ratio (2 on a screen
        // scaled by two); tiles are placed in logical pixels.
        const QImage whole = ArtImage(set);
        const qreal ratio = whole.isNull() ? 1.0 : whole.devicePixelRatio();
        QPixmap composed(kDesignSize * ratio);
        composed.setDevicePixelRatio(ratio);
        composed.fill(QColor(0xEF, 0xE2, 0xC6));
        QPainter p(&composed);
        for (int y = 0; y < kDesignSize.height(); y += kBackgroundTile)
            for (int x = 0; x < kDesignSize.width(); x += kBackgroundTile) {
                const QRect tile =
                    QRect(x, y, kBackgroundTile, kBackgroundTile).intersected(QRect(QPoint(), LogicalSize(whole)));
                if (!tile.isEmpty())
                    p.drawImage(QRectF(tile), whole,
                                QRectF(QPointF(tile.topLeft()) * ratio, QSizeF(tile.size()) * ratio));
            }
        it = m_backgrounds.emplace(set, composed).first;
    }
    return it->second;
}

QImage CKib3Dlg::BackgroundPatch(int screen, const QRect& area)
{
    // copy() counts device pixels; the patch keeps the background's ratio.
    const QPixmap& whole = Background(screen);
    const qreal ratio = whole.devicePixelRatio();
    QImage patch = whole.copy(QRect(area.topLeft() * ratio, area.size() * ratio)).toImage();
    patch.setDevicePixelRatio(ratio);
    return patch;
}

void CKib3Dlg::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.fillRect(rect(), QColor(0xEF, 0xE2, 0xC6));
    painter.drawPixmap(DesignOrigin(), Background(m_nScreen));
}

// ------------------------------------------------------------------- input ---

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
    // The dialog ends only through the exit command, which calls done().
    event->ignore();
    OnCommand(Cmd::Exit);
}

void CKib3Dlg::mousePressEvent(QMouseEvent* event)
{
    // A drag on the background moves the window; a click without motion does nothing.
    if (event->button() != Qt::LeftButton)
        return;
    m_bPressed = true;
    m_bDragging = false;
    m_pressPos = event->globalPosition().toPoint();
    m_dragOffset = m_pressPos - frameGeometry().topLeft();
}

void CKib3Dlg::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bPressed || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->globalPosition().toPoint();
    if (!m_bDragging) {
        if ((pos - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return;
        // The window system's own move, where it has one; it ends the press.
        if (windowHandle() && windowHandle()->startSystemMove()) {
            m_bPressed = false;
            return;
        }
        m_bDragging = true;
    }
    move(pos - m_dragOffset);
}

void CKib3Dlg::mouseReleaseEvent(QMouseEvent*)
{
    m_bPressed = false;
    m_bDragging = false;
}

void CKib3Dlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Back from a modal dialog or a menu: a button the pointer left meanwhile
    // loses its hover look.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        for (const auto& [id, button] : m_buttons)
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

void CKib3Dlg::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile() && !m_bLocked && !Playing())
        event->acceptProposedAction();
}

void CKib3Dlg::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    const QString path = urls.first().toLocalFile();
    // The drop is finished first: the questions and the loading that follow
    // must not keep the program the file came from waiting for its answer.
    QTimer::singleShot(0, this, [this, path] {
        if (m_bLocked || Playing() || m_bEnded || !PromptSaveChanges())
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
    });
}

// ---------------------------------------------------------------- commands ---

void CKib3Dlg::OnCommand(int id)
{
    RunCommand(id);
    UpdateTitle();
}

void CKib3Dlg::RunCommand(int id)
{
    if (const int panel = PanelScreenForCommand(id); panel >= 0) {
        SwitchToScreen(panel);
        return;
    }
    if (IsPanelBackCommand(id)) {
        SwitchToScreen(Screen::Editing);
        return;
    }
    switch (id) {
    case Cmd::Start: SwitchToScreen(Screen::Start); return;
    case Cmd::Finish: SwitchToScreen(Screen::Finish); return;
    case Cmd::Options: OnOptionsMenu(); return;
    case Cmd::Play: OnPlay(); return;
    case Cmd::Ok:
    case Cmd::Cancel:
        if (Playing())
            OnPlay();
        return;
    case Cmd::OpenProject: OnOpenProject(); return;
    case Cmd::Acquire: OnAcquire(); return;
    case Cmd::OpenPicture: OnOpenPicture(); return;
    case Cmd::InsertPicture: OnInsertPicture(); return;
    case Cmd::BackFromStart: OnBackFromStart(); return;
    case Cmd::SaveProject: OnSaveProject(true); return;
    case Cmd::SaveVideo:
    case Cmd::SaveAnimation:
    case Cmd::SavePictures:
    case Cmd::Print:
        if (!m_bLocked && !Playing())
            m_pExports->OnCommand(id);
        return;
    case Cmd::Exit: OnExit(); return;
    case Cmd::BackFromFinish: SwitchToScreen(Screen::Editing); return;
    case Cmd::LoadDeformations: OnLoadDeformations(); return;
    case Cmd::Reset: OnReset(); return;
    case Cmd::HomePage: m_prompts.OpenUrl(QUrl(m_options.homePage)); return;
    case Cmd::SaveModeScreen:
    case Cmd::SaveModePicture:
    case Cmd::SaveModeCustom: OnSaveMode(id); return;
    case Cmd::KeyPicture:
        // The keyframe strip asks for the active keyframe's thumbnail.
        if (ShowsActiveKey()) {
            m_project.Keys().SetKeyPicture(m_project.Keys().Active(), m_project.Picture().Display());
            m_pKeysWnd->RefreshTooltips();
        }
        return;
    case Cmd::ActiveKeyChanged:
        if (m_project.Keys().Active() >= 0 && m_project.Keys().Active() < m_project.Keys().Count())
            m_project.MakeActiveKeyCurrent();
        return;
    case Cmd::MapChanged:
        // Only an edit of the active keyframe changes its thumbnail; the frames
        // an export or the frame dialog render in between do not.
        if (!Playing() && m_pKeysWnd && ShowsActiveKey())
            m_pKeysWnd->RequestPicture(m_project.Keys().Active());
        return;
    case Cmd::ApplyPower: OnApplyPower(); return;
    case Cmd::About: {
        CAboutDlg about(this);
        about.exec();
        return;
    }
    case Cmd::Help: OnHelp(HelpContextForScreen(m_nScreen)); return;
    case Cmd::Undo: m_pUndo->Undo(); return;
    case Cmd::Redo: m_pUndo->Redo(); return;
    default: break;
    }
    if (ToggleOption(id))
        return;
    if (FindToolRow(id))
        SelectTool(id);
}

void CKib3Dlg::SelectTool(int id)
{
    CTool* tool = m_tools->Find(id);
    if (!tool)
        return;
    m_project.SelectTool(*m_tools, id);
    for (const auto& [toolId, button] : m_buttons) {
        if (FindToolRow(toolId))
            button->SetLatched(toolId == id);
    }
    if (CMySlider* strength = Slider(Cmd::StrengthSlider))
        strength->SetPos(tool->Strength());
    UpdateIndicator();
    m_pWorkWnd->update();
    if (IsToolPanel(m_nScreen))
        OnCommand(PanelBackCommand(m_nScreen));
}

void CKib3Dlg::UpdateIndicator()
{
    const CTool* tool = m_project.Picture().ActiveTool();
    if (tool)
        m_pIndicator->SetTool(tool->BitmapId(), AppString(tool->CommandId()));
    else
        m_pIndicator->SetTool(0, QString());
}

void CKib3Dlg::SetPowerSlider(int position)
{
    if (CMySlider* power = Slider(Cmd::PowerSlider))
        power->SetPos(position);
}

void CKib3Dlg::OnApplyPower()
{
    CMySlider* power = Slider(Cmd::PowerSlider);
    if (!power)
        return;
    const int p = power->GetPos();
    // The active keyframe's map takes the slider's scaling for good; that is a
    // change of the project like a tool's, so it must not be lost unasked.
    if (p != kNeutralPower && m_project.Picture().HasMap()) {
        // Inside a recorded edit (a strip command leaving its keyframe) the
        // power becomes part of that edit's step.
        ProjectHistory& history = m_project.History();
        const bool own = !history.Recording();
        if (own)
            history.BeginMapEdit();
        m_project.Picture().ScaleMap(p);
        if (own)
            history.EndMapEdit(AppString(Cmd::PowerSlider).section(QLatin1Char('\n'), 0, 0));
        App().m_bModified = true;
    }
    power->SetPos(kNeutralPower);
}

void CKib3Dlg::OnPowerSlider(int position)
{
    m_pWorkWnd->RenderMap(position, true);
}

void CKib3Dlg::OnStrengthSlider(int position)
{
    if (CTool* tool = m_project.Picture().ActiveTool()) {
        tool->SetStrength(position);
        m_project.SetActiveToolId(tool->CommandId(), position);
    }
}

bool CKib3Dlg::HasAnimation() const
{
    return m_project.Keys().GetTotalFrames() != 0;
}

void CKib3Dlg::UpdateCommandStates()
{
    const bool enable = HasAnimation() && !m_bLocked;
    // Off for want of a picture, a button's tip says so.
    const QString needs =
        m_project.Picture().HasPicture() ? QString() : QLatin1Char('\n') + AppString(StrId::NeedsDocument);
    for (int id : kAnimationCommands) {
        CMyButton* b = Button(id);
        if (!b)
            continue;
        if (b->isEnabled() != enable)
            b->setEnabled(enable);
        if (id != Cmd::Play || !Playing())  // the playing button's tip is the stop tip
            b->setToolTip(AppString(id) + needs);
    }
}

void CKib3Dlg::LockUserInterface(bool lock)
{
    if (lock == m_bLocked)
        return;
    m_bLocked = lock;
    if (lock) {
        m_lockedControls.clear();
        for (int screen = 0; screen < Screen::Count; ++screen) {
            std::vector<int> ids = ScreenGroup(screen);
            ids.push_back(Cmd::Options);
            for (int id : ids) {
                QWidget* w = Control(id);
                if (w && w != m_pWorkWnd && w->isEnabled() &&
                    std::find(m_lockedControls.begin(), m_lockedControls.end(), w) == m_lockedControls.end()) {
                    w->setEnabled(false);
                    m_lockedControls.push_back(w);
                }
            }
        }
        m_pWorkWnd->SetBusy(true);
    } else {
        for (QWidget* w : m_lockedControls)
            w->setEnabled(true);
        m_lockedControls.clear();
        m_pWorkWnd->SetBusy(false);
    }
}

void CKib3Dlg::OnAcquire()
{
    if (Playing() || m_bLocked || !PromptSaveChanges())
        return;
    const QString path = AcquireFromDevice(this, m_prompts);
    if (!path.isEmpty())
        OpenPictureFile(path);
}

void CKib3Dlg::OnReset()
{
    if (!HasAnimation() || Playing() || m_bLocked)
        return;
    if (m_prompts.Message(this, AppString(StrId::ResetQuestion), MsgButtons::YesNo, MsgIcon::Question) !=
        MsgAnswer::Yes)
        return;
    if (m_project.Picture().HasMap()) {
        m_project.History().BeginMapEdit();
        m_project.Picture().ScaleMap(0);
        m_project.History().EndMapEdit(AppCaption(Cmd::Reset));
        App().m_bModified = true;
    }
    SetPowerSlider(kNeutralPower);
    m_pWorkWnd->RenderMap(kNeutralPower, true);
    update();
}

void CKib3Dlg::OnBackFromStart()
{
    if (m_project.Picture().HasMap())
        SwitchToScreen(Screen::Editing);
    else
        OnExit();
}

void CKib3Dlg::OnExit()
{
    if (Playing())
        return;
    if (m_bLocked) {
        m_prompts.Message(this, AppString(StrId::CannotExitWhileWriting), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    if (!PromptSaveChanges())
        return;
    const CTool* tool = m_project.Picture().ActiveTool();
    WriteToolId(tool ? tool->CommandId() : 0);
    WriteToolPower(tool ? tool->Strength() : kDefaultToolPower);
    m_bEnded = true;
    done(QDialog::Accepted);
}

void CKib3Dlg::OnPlay()
{
    if (!Playing()) {
        if (!HasAnimation() || m_bLocked)
            return;
        OnApplyPower();  // a weaker power becomes part of the keyframe first
    }
    m_pPlayer->OnPlay();
}

bool CKib3Dlg::ShowsActiveKey() const
{
    const KeyframeStore& keys = m_project.Keys();
    const int active = keys.Active();
    return m_project.Picture().HasPicture() && active >= 0 && active < keys.Count() &&
           m_project.Picture().Map().data == keys.Key(active).Map().data();
}

bool CKib3Dlg::Playing() const
{
    return m_pPlayer && m_pPlayer->Playing();
}

void CKib3Dlg::EnableWhilePlaying(bool playing)
{
    if (playing) {
        m_playDisabled.clear();
        std::vector<int> ids = ScreenGroup(Screen::Editing);
        ids.push_back(Cmd::Options);  // in every screen's group, the editing screen's too
        for (int id : ids) {
            QWidget* w = Control(id);
            if (w && id != Cmd::SpeedSlider && id != Cmd::Play && w->isEnabled()) {
                w->setEnabled(false);
                m_playDisabled.push_back(w);
            }
        }
    } else {
        for (QWidget* w : m_playDisabled)
            w->setEnabled(true);
        m_playDisabled.clear();
    }
    m_pWorkWnd->update();
    m_pKeysWnd->update();
}

void CKib3Dlg::ReturnToEditing()
{
    // The frames must show from the first one on: no overlay fading over them
    // (going back to editing ends any fade).
    SwitchToScreen(Screen::Editing);
    repaint();
}

int CKib3Dlg::Speed() const
{
    const CMySlider* speed = Slider(Cmd::SpeedSlider);
    return speed ? speed->GetPos() : 30;
}

void CKib3Dlg::MakeActiveKeyCurrent()
{
    OnCommand(Cmd::ActiveKeyChanged);
    m_pWorkWnd->repaint();
}

// ------------------------------------------------------ observer and cursor ---

void CKib3Dlg::ApplyPowerRequested()
{
    OnCommand(Cmd::ApplyPower);
}

void CKib3Dlg::ActiveKeyChanged()
{
    m_pWorkWnd->update();
    if (m_pKeysWnd)
        m_pKeysWnd->KeysChanged();
}

void CKib3Dlg::MapChanged()
{
    OnCommand(Cmd::MapChanged);
}

void CKib3Dlg::DocumentRestored()
{
    // The keyframes (and perhaps the picture) came back from a step: the strip,
    // the work window and the buttons follow them.
    AfterDocumentChanged();
}

// ------------------------------------------------------------ undo, title ---

bool CKib3Dlg::UndoAllowed() const
{
    return !Playing() && !m_bLocked && !m_bEnded && m_project.Picture().HasPicture();
}

bool CKib3Dlg::DiscardPowerPreview(bool undo)
{
    CMySlider* power = Slider(Cmd::PowerSlider);
    if (!power || power->GetPos() == kNeutralPower)
        return false;
    power->SetPos(kNeutralPower);
    m_pWorkWnd->RenderMap(kNeutralPower, true);
    return undo;
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
    setWindowModified(App().m_bModified);
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

// ------------------------------------------------------------ screenshots ---

bool CKib3Dlg::SaveScreenshots(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return false;
    const bool fades = m_options.fades;
    m_options.fades = false;
    const int screenBefore = m_nScreen;
    struct Shot {
        int screen;
        const char* name;
    };
    const Shot shots[] = {{Screen::Start, "start"},     {Screen::Editing, "editing"},   {Screen::Finish, "finish"},
                          {Screen::Enlarge, "enlarge"}, {Screen::Disaster, "disaster"}, {Screen::Global, "global"}};
    // An untouched picture gets one gentle enlarging stroke, so the pictures show what the program does.
    WorkPicture& work = m_project.Picture();
    if (work.HasMap() && std::all_of(work.Map().data, work.Map().data + work.Map().Count(),
                                     [](const Displacement& d) { return d.dx == 0 && d.dy == 0; })) {
        const int toolId = m_project.ActiveToolId();
        SelectTool(ToolCommand("enlarge", ToolSize::Large));
        const Project::StrokePoint centre{work.Width() / 2, work.Height() / 2, 80};
        m_project.PerformStroke(std::span(&centre, 1), false);
        SelectTool(toolId);
    }
    bool ok = true;
    for (const Shot& shot : shots) {
        if (shot.screen == Screen::Editing && !m_project.Picture().HasPicture())
            continue;
        SwitchToScreen(shot.screen);
        QApplication::processEvents();
        const QString path = folder + QStringLiteral("/screen-%1.png").arg(QLatin1String(shot.name));
        ok = grab().save(path, "PNG") && ok;
    }
    SwitchToScreen(std::max(screenBefore, 0));
    m_options.fades = fades;
    return ok;
}
