#include "dialog/ui/ScreenStack.h"

#include "controls/ui/Art.h"
#include "controls/ui/LayeredWindowHelper.h"
#include "controls/ui/MyButton.h"
#include "dialog/ui/BufferWnd.h"
#include "dialog/ui/DialogLayout.h"
#include "work/ui/WorkWnd.h"

#include <QPainter>
#include <QTimerEvent>
#include <QWidget>

#include <algorithm>

CScreenStack::CScreenStack(QWidget& window, bool fades)
        : QObject(&window), m_window(window), m_pBuffer(new CBufferWnd(&window)), m_bFades(fades)
{}

void CScreenStack::AddControl(int id, QWidget* control, QWidget* label)
{
    m_controls[id] = control;
    if (label)
        m_labels[id] = label;
}

QWidget* CScreenStack::Control(int id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CScreenStack::SetWorkWindow(CWorkWnd* work, std::function<bool()> hasPicture)
{
    m_pWorkWnd = work;
    m_hasPicture = std::move(hasPicture);
    AddControl(Cmd::WorkWindow, work);
}

QPoint CScreenStack::DesignOrigin() const
{
    return QPoint((m_window.width() - kDesignSize.width()) / 2, (m_window.height() - kDesignSize.height()) / 2);
}

// ---------------------------------------------------------------- screens ---

void CScreenStack::HideAll()
{
    for (int screen = 0; screen < Screen::Count; ++screen)
        ShowGroup(screen, false);
}

void CScreenStack::ShowGroup(int screen, bool show)
{
    for (int id : ScreenGroup(screen)) {
        if (QWidget* w = Control(id))
            w->setVisible(show);
        const auto label = m_labels.find(id);
        if (label != m_labels.end())
            label->second->setVisible(show);
    }
    if (show) {
        if (QWidget* options = Control(Cmd::Options))
            options->setVisible(true);
    }
    // The work window shows only with a picture.
    if (screen == Screen::Editing && show && m_pWorkWnd && !(m_hasPicture && m_hasPicture()))
        m_pWorkWnd->hide();
}

void CScreenStack::PositionGroup(int screen)
{
    const QPoint origin = DesignOrigin();
    std::vector<int> ids = ScreenGroup(screen);
    ids.push_back(Cmd::Options);
    for (int id : ids) {
        if (id == Cmd::WorkWindow) {
            if (m_pWorkWnd)
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
        const auto label = m_labels.find(id);
        if (label != m_labels.end()) {
            label->second->move(pos);
            w->move(pos + QPoint(label->second->width() + 6, 0));
        }
    }
}

void CScreenStack::SwitchTo(int screen)
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
    emit screenShown(screen);
    FinishTransition();
    m_window.update();
}

void CScreenStack::BackToEditing()
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
    emit screenShown(Screen::Editing);
    m_nScreen = Screen::Editing;
    m_window.update();
}

// ------------------------------------------------------------------ fades ---

void CScreenStack::StartTransition()
{
    if (!m_bFades || !m_window.isVisible())
        return;
    m_fadeOutTimer.stop();
    m_pBuffer->Capture();
    m_bFading = true;
}

void CScreenStack::FinishTransition()
{
    if (!m_bFading)
        return;
    m_pBuffer->raise();
    m_nOverlayOpacity = 255;
    m_fadeOutTimer.start(kFadeMs, this);
}

void CScreenStack::FadeIn()
{
    if (!m_bFades)
        return;
    const CLayeredWindowHelperST layered;
    layered.AddLayeredStyle(&m_window);
    m_nWindowOpacity = 0;
    layered.SetLayeredWindowAttributes(&m_window, 0, 0, CLayeredWindowHelperST::kAlpha);
    m_fadeInTimer.start(kFadeMs, this);
}

void CScreenStack::timerEvent(QTimerEvent* event)
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
            layered.RemoveLayeredStyle(&m_window);
        } else {
            layered.SetLayeredWindowAttributes(&m_window, 0, m_nWindowOpacity, CLayeredWindowHelperST::kAlpha);
        }
        return;
    }
    QObject::timerEvent(event);
}

// ------------------------------------------------------------ backgrounds ---

const QPixmap& CScreenStack::Background(int screen)
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

QImage CScreenStack::BackgroundPatch(int screen, const QRect& area)
{
    // copy() counts device pixels; the patch keeps the background's ratio.
    const QPixmap& whole = Background(screen);
    const qreal ratio = whole.devicePixelRatio();
    QImage patch = whole.copy(QRect(area.topLeft() * ratio, area.size() * ratio)).toImage();
    patch.setDevicePixelRatio(ratio);
    return patch;
}

void CScreenStack::Paint(QPainter& painter)
{
    painter.fillRect(m_window.rect(), QColor(0xEF, 0xE2, 0xC6));
    painter.drawPixmap(DesignOrigin(), Background(m_nScreen));
}
