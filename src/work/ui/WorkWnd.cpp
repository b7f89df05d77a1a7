#include "work/ui/WorkWnd.h"

#include "app/AppState.h"
#include "work/OutlineRegion.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTabletEvent>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>

CWorkWnd::CWorkWnd(WorkPicture& picture, QWidget* parent) : QWidget(parent), m_picture(picture)
{
    setObjectName(QStringLiteral("Work"));
    setMouseTracking(true);
    resize(2 * kEdge, 2 * kEdge);
    // The view's keys work wherever the focus is in the window.
    qApp->installEventFilter(this);
}

CWorkWnd::~CWorkWnd()
{
    if (m_bGrabbed)
        releaseMouse();
}

void CWorkWnd::PictureChanged()
{
    const int W = m_picture.Width(), H = m_picture.Height();
    resize(W + 2 * kEdge, H + 2 * kEdge);
    m_view.SetPictureSize(W, H);
    std::shared_ptr<const PackedPicture> detail = m_detailSource ? m_detailSource() : nullptr;
    if (!detail && m_picture.HasPicture())
        detail = std::make_shared<const PackedPicture>(m_picture.Source());
    m_zoomed.SetDetail(std::move(detail), W, H);
    m_noMap = DisplacementMap(W, H);
    m_frame = QImage(W, H, QImage::Format_RGB32);
    m_frame.fill(Qt::black);
    m_onion.Clear();
    m_bOnionStale = true;
    // With a picture every pixel is painted here: the dialog need not paint under it.
    setAttribute(Qt::WA_OpaquePaintEvent, m_picture.HasPicture());
    update();
}

void CWorkWnd::SetDetailSource(std::function<std::shared_ptr<const PackedPicture>()> source)
{
    m_detailSource = std::move(source);
}

void CWorkWnd::OnionKeysChanged()
{
    m_bOnionStale = true;
    if (App().m_bOnionSkin)
        update();
}

void CWorkWnd::OnionSkinToggled()
{
    // Every pixel shows the ghosts or not: the whole picture is composed again.
    m_bOnionStale = true;
    update();
}

void CWorkWnd::SetPlaying(bool playing)
{
    m_bPlaying = playing;
    update();
}

QPoint CWorkWnd::CenteredPosition(QSize windowSize)
{
    return QPoint(kAreaOrigin.x() - (windowSize.width() - kAreaSide + 1) / 2,
                  kAreaOrigin.y() - (windowSize.height() - kAreaSide + 1) / 2);
}

void CWorkWnd::CenterInWorkArea(QPoint designOrigin)
{
    move(designOrigin + CenteredPosition(size()));
}

void CWorkWnd::SetActiveTool(CTool* tool)
{
    m_picture.SetActiveTool(tool);
    update();
}

void CWorkWnd::RenderMap(int p, bool smooth)
{
    if (m_picture.RenderMap(p, smooth)) {
        m_nPower = p;
        update();
    }
}

void CWorkWnd::SetCursorPictures(const QCursor& tool, const QCursor& busy)
{
    m_toolCursor = tool;
    m_busyCursor = busy;
    RefreshCursor();
}

void CWorkWnd::RefreshCursor()
{
    if (m_bBusy) {
        setCursor(m_busyCursor);
        return;
    }
    switch (App().m_nCursorMode) {
    case kCursorNone: setCursor(Qt::BlankCursor); break;
    case kCursorTool: setCursor(m_toolCursor); break;
    case kCursorBusy: setCursor(m_busyCursor); break;
    default: setCursor(Qt::ArrowCursor); break;
    }
}

void CWorkWnd::SetBusy(bool busy)
{
    m_bBusy = busy;
    if (busy && Stroking())
        EndStroke(MapPoint(m_pointer), m_bRightStroke);
    RefreshCursor();
}

QPoint CWorkWnd::ToClient(QPointF widgetPos)
{
    return widgetPos.toPoint() - QPoint(kEdge, kEdge);
}

bool CWorkWnd::ClientContains(QPoint p) const
{
    return p.x() >= 0 && p.y() >= 0 && p.x() < width() - 2 * kEdge && p.y() < height() - 2 * kEdge;
}

Rect CWorkWnd::BrushRectAt(QPoint p) const
{
    const CTool* tool = m_picture.ActiveTool();
    if (m_mask.Painting() && p != kNone) {
        const int r = MaskBrushFor(tool, m_picture.Width(), m_picture.Height(), false).radius;
        return Rect{p.x() - r, p.y() - r, p.x() + r, p.y() + r};
    }
    if (!tool || p == kNone)
        return Rect{};
    return tool->GetBrushRect(p.x(), p.y());
}

QPoint CWorkWnd::MapPoint(QPoint client) const
{
    return QPoint(m_view.MapX(client.x()), m_view.MapY(client.y()));
}

QRect CWorkWnd::ClientRectOf(const Rect& map) const
{
    const int s = m_view.Scale();
    return QRect(QPoint(map.left * s - m_view.OffsetX(), map.top * s - m_view.OffsetY()),
                 QSize((map.right - map.left) * s, (map.bottom - map.top) * s));
}

void CWorkWnd::InvalidateClient(const Rect& r)
{
    if (r.IsEmpty())
        return;
    // One pixel more on each side: the outline's pen reaches the rectangle's edge.
    update(ClientRectOf(r).adjusted(-1, -1, 1, 1).translated(kEdge, kEdge));
}

void CWorkWnd::InvalidateOutline(QPoint p)
{
    const Rect r = BrushRectAt(p);
    if (!r.IsEmpty())
        update(EllipseOutlineRegion(ClientRectOf(r)).translated(kEdge, kEdge));
}

// ------------------------------------------------------------------- view ---

QPoint CWorkWnd::ViewCentre() const
{
    return QPoint(m_view.Width() / 2, m_view.Height() / 2);
}

QRect CWorkWnd::IndicatorRect() const
{
    const QSize size(58, 20);
    return QRect(QPoint(m_view.Width() - size.width() - 6, m_view.Height() - size.height() - 6), size);
}

QRect CWorkWnd::NoticeRect() const
{
    if (m_strNotice.isEmpty())
        return {};
    QFont font = this->font();
    font.setBold(true);
    const int width = std::min(QFontMetrics(font).horizontalAdvance(m_strNotice) + 32, m_view.Width());
    const QSize size(width, 30);
    return QRect(QPoint((m_view.Width() - size.width()) / 2, (m_view.Height() - size.height()) / 2), size);
}

void CWorkWnd::ShowNotice(const QString& text)
{
    update(NoticeRect().translated(kEdge, kEdge));
    m_strNotice = text;
    update(NoticeRect().translated(kEdge, kEdge));
    m_noticeTimer.start(kNoticeMs, this);
}

void CWorkWnd::ClearNotice()
{
    m_noticeTimer.stop();
    update(NoticeRect().translated(kEdge, kEdge));
    m_strNotice.clear();
}

void CWorkWnd::ViewChanged()
{
    if (m_last != kNone)
        m_last = MapPoint(m_pointer);
    update();
}

void CWorkWnd::ZoomIn(QPoint anchor)
{
    if (m_view.ZoomIn(anchor.x(), anchor.y()))
        ViewChanged();
}

void CWorkWnd::ZoomOut(QPoint anchor)
{
    if (m_view.ZoomOut(anchor.x(), anchor.y()))
        ViewChanged();
}

void CWorkWnd::ZoomToFit()
{
    if (m_view.ZoomToFit())
        ViewChanged();
}

void CWorkWnd::PanBy(int dx, int dy)
{
    if (m_view.PanBy(dx, dy))
        ViewChanged();
}

void CWorkWnd::SetBeforeShown(bool shown)
{
    if (shown == m_bBefore)
        return;
    m_bBefore = shown;
    update();
}

bool CWorkWnd::HandleKey(QKeyEvent* event)
{
    const bool press = event->type() == QEvent::KeyPress;
    const int key = event->key();
    if (key == kBeforeAfterKey || key == Qt::Key_Space) {
        // Held keys: auto-repeat changes nothing; the event goes on.
        if (!event->isAutoRepeat()) {
            if (key == kBeforeAfterKey)
                SetBeforeShown(press && m_picture.HasPicture());
            else
                m_bSpaceHeld = press;
        }
        return false;
    }
    if (press && (key == Qt::Key_BracketLeft || key == Qt::Key_BracketRight) &&
        !(event->modifiers() & Qt::ControlModifier)) {
        StepBrushSize(key == Qt::Key_BracketRight ? 1 : -1);
        return true;
    }
    if (!press || !(event->modifiers() & Qt::ControlModifier))
        return false;
    switch (key) {
    case Qt::Key_Equal:
    case Qt::Key_Plus: ZoomIn(); return true;
    case Qt::Key_Minus: ZoomOut(); return true;
    case Qt::Key_0: ZoomToFit(); return true;
    default: return false;
    }
}

bool CWorkWnd::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType() && isVisible() &&
        static_cast<QWidget*>(watched)->window() == window())
        return HandleKey(static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

void CWorkWnd::wheelEvent(QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    if (event->modifiers() == Qt::ShiftModifier) {
        // Some systems turn a wheel with Shift into a sideways one.
        StepBrushSize(m_brush.WheelSteps(angle.y() != 0 ? angle.y() : angle.x()));
        event->accept();
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        // Whole notches zoom; smaller steps of a touchpad add up to one.
        m_nWheelZoom += angle.y();
        const QPoint anchor = ToClient(event->position());
        for (; m_nWheelZoom >= 120; m_nWheelZoom -= 120)
            ZoomIn(anchor);
        for (; m_nWheelZoom <= -120; m_nWheelZoom += 120)
            ZoomOut(anchor);
        event->accept();
        return;
    }
    if (event->modifiers() != Qt::NoModifier || !m_view.Magnified()) {
        event->ignore();
        return;
    }
    // The wheel scrolls the picture: turning it away shows what is above.
    PanBy(-angle.x() * kWheelPan / 120, -angle.y() * kWheelPan / 120);
    event->accept();
}

void CWorkWnd::StepBrushSize(int steps)
{
    CTool* tool = m_picture.ActiveTool();
    // A stroke keeps the size it began with, as a replayed one does.
    if (!tool || m_bBusy || Stroking() || !m_picture.HasPicture())
        return;
    const Rect before = BrushRectAt(m_last);
    if (BrushInput::StepSize(*tool, steps, m_picture.Width(), m_picture.Height()))
        InvalidateClient(before.United(BrushRectAt(m_last)));
}

// ---------------------------------------------------------------- strokes ---

void CWorkWnd::StartStroke(QPoint p, bool right, bool reverse)
{
    if (m_mask.Painting())
        return StartMaskStroke(p, right);
    if (m_bBusy || m_picture.StrokeActive() || !m_picture.ActiveTool() || !m_picture.HasPicture())
        return;
    m_bRightStroke = right;
    m_brush.BeginStroke(m_picture, reverse, App().m_bPressureSize);
    // ButtonDown has the power taken into the map first.
    const bool repeats = m_picture.ButtonDown(p.x(), p.y(), right != m_brush.TurnsBack());
    if (!m_picture.StrokeActive()) {
        m_brush.EndStroke(m_picture);
        return;
    }
    if (!m_bGrabbed) {
        grabMouse();
        m_bGrabbed = true;
    }
    m_last = p;
    if (repeats)
        m_timer.start(kRepeatMs, this);
}

void CWorkWnd::StartMaskStroke(QPoint p, bool right)
{
    if (m_bBusy || m_bPlaying || Stroking() || !m_picture.HasPicture())
        return;
    m_bRightStroke = right;
    const MaskBrush brush = MaskBrushFor(m_picture.ActiveTool(), m_picture.Width(), m_picture.Height(), right);
    InvalidateClient(m_mask.Begin(brush, p.x(), p.y()));
    if (!m_bGrabbed) {
        grabMouse();
        m_bGrabbed = true;
    }
    m_last = p;
    emit maskStrokeChanged();
}

void CWorkWnd::EndStroke(QPoint p, bool right)
{
    m_timer.stop();
    const bool maskStroke = m_mask.StrokeActive();
    m_mask.End();
    m_picture.ButtonUp(right != m_brush.TurnsBack());
    m_brush.EndStroke(m_picture);
    if (m_bGrabbed) {
        releaseMouse();
        m_bGrabbed = false;
    }
    InvalidateOutline(m_last);
    InvalidateOutline(p);
    m_last = kNone;
    if (maskStroke)
        emit maskStrokeChanged();
}

void CWorkWnd::mousePressEvent(QMouseEvent* event)
{
    if (!m_bPenEvent)
        m_brush.SetPressure(kFullPressure);
    m_pointer = ToClient(event->position());
    const bool panButton = event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && m_bSpaceHeld);
    if (panButton && !Stroking()) {
        m_bPanning = true;
        m_panFrom = m_pointer;
    } else if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        const bool reverse = event->modifiers() & ReverseKeyModifier(App().m_reverseKey);
        StartStroke(MapPoint(m_pointer), event->button() == Qt::RightButton, reverse);
    }
    event->accept();
}

void CWorkWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double-click is a second press for the tools.
    mousePressEvent(event);
}

void CWorkWnd::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bPenEvent)
        m_brush.SetPressure(kFullPressure);
    const QPoint client = ToClient(event->position());
    m_pointer = client;
    if (m_bPanning) {
        // The picture follows the pointer.
        const QPoint moved = client - m_panFrom;
        m_panFrom = client;
        PanBy(-moved.x(), -moved.y());
        return;
    }
    const QPoint p = MapPoint(client);
    const CTool* tool = m_picture.ActiveTool();
    if (tool && tool->IsGlobal() && !m_mask.Painting())
        return;  // whole-picture tools step on the timer only and show no outline
    const bool stroke = Stroking();
    if (ClientContains(client) || stroke) {
        if ((tool || m_mask.Painting()) && m_picture.HasPicture()) {
            InvalidateOutline(m_last);
            InvalidateOutline(p);
            m_last = p;
        }
    } else {
        InvalidateOutline(m_last);
        m_last = kNone;
    }
    if (m_mask.StrokeActive())
        InvalidateClient(
            m_mask.Continue(MaskBrushFor(tool, m_picture.Width(), m_picture.Height(), m_mask.Erasing()), p.x(), p.y()));
    else if (stroke)
        InvalidateClient(m_picture.MouseMove(p.x(), p.y()));
}

void CWorkWnd::mouseReleaseEvent(QMouseEvent* event)
{
    m_pointer = ToClient(event->position());
    if (m_bPanning && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        m_bPanning = false;
        return;
    }
    const bool right = event->button() == Qt::RightButton;
    if (event->button() != Qt::LeftButton && !right)
        return;
    // Only the button that started the stroke ends it.
    if (Stroking() && right != m_bRightStroke)
        return;
    EndStroke(MapPoint(m_pointer), right);
}

void CWorkWnd::tabletEvent(QTabletEvent* event)
{
    const QEvent::Type type = event->type();
    const QEvent::Type mouseType = type == QEvent::TabletPress     ? QEvent::MouseButtonPress
                                   : type == QEvent::TabletRelease ? QEvent::MouseButtonRelease
                                   : type == QEvent::TabletMove    ? QEvent::MouseMove
                                                                   : QEvent::None;
    if (mouseType == QEvent::None) {
        QWidget::tabletEvent(event);
        return;
    }
    // The pen acts as the mouse does, with its pressure on the next steps.
    m_brush.SetPressure(QuantisePressure(event->pressure()));
    QMouseEvent mouse(mouseType, event->position(), event->globalPosition(), event->button(), event->buttons(),
                      event->modifiers(), event->pointingDevice());
    m_bPenEvent = true;
    if (mouseType == QEvent::MouseButtonPress)
        mousePressEvent(&mouse);
    else if (mouseType == QEvent::MouseMove)
        mouseMoveEvent(&mouse);
    else
        mouseReleaseEvent(&mouse);
    m_bPenEvent = false;
    if (mouseType == QEvent::MouseButtonRelease)
        m_brush.SetPressure(kFullPressure);
    // Accepted, it brings no mouse event of its own.
    event->accept();
}

void CWorkWnd::leaveEvent(QEvent* event)
{
    if (!Stroking()) {
        InvalidateOutline(m_last);
        m_last = kNone;
    }
    QWidget::leaveEvent(event);
}

void CWorkWnd::hideEvent(QHideEvent* event)
{
    if (Stroking())
        EndStroke(MapPoint(m_pointer), m_bRightStroke);
    m_bPanning = false;
    // Only a real hide of this window takes the power into the map; a minimised
    // (or closing) main window hides its children without hiding them for good.
    if (isHidden() && !event->spontaneous())
        emit powerRequested();
    QWidget::hideEvent(event);
}

bool CWorkWnd::event(QEvent* event)
{
    // Another window took over (a message box or file dialog opened by a key
    // while the button is held): the release may never come here, so the stroke
    // ends now instead of stepping on under the other window.
    if (event->type() == QEvent::WindowDeactivate) {
        if (Stroking())
            EndStroke(MapPoint(m_pointer), m_bRightStroke);
        // The releases of held keys go to the other window.
        SetBeforeShown(false);
        m_bSpaceHeld = false;
        m_bPanning = false;
    }
    return QWidget::event(event);
}

void CWorkWnd::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_noticeTimer.timerId()) {
        ClearNotice();
        return;
    }
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    TimerStep();
}

void CWorkWnd::TimerStep()
{
    if (!m_picture.StrokeActive())
        return;
    const QPoint p = MapPoint(m_pointer);
    InvalidateClient(m_picture.TimerTick(p.x(), p.y()));
}

// --------------------------------------------------------------- painting ---

void CWorkWnd::ShowStretchedFrame(const QImage& frame)
{
    m_stretched = frame;
    repaint();
}

void CWorkWnd::ClearStretchedFrame()
{
    if (m_stretched.isNull())
        return;
    m_stretched = QImage();
    update();
}

void CWorkWnd::UpdateOnion()
{
    if (!m_bOnionStale || !m_onionSource)
        return;
    const OnionMaps maps = m_onionSource();
    m_onion.Update(m_picture.Source(), maps.previous, maps.next);
    m_bOnionStale = false;
}

void CWorkWnd::ComposeFrame(const QRect& r)
{
    const int s = m_view.Scale();
    if (s == 1) {
        const PackedPicture& shown = m_bBefore ? m_picture.Source() : m_picture.Display();
        CopyPackedToImage(shown, r.left(), r.top(), r.right() + 1, r.bottom() + 1, m_frame);
    } else {
        const Rect area = m_view.ViewToMagnified(Rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
        const MapRef attached = m_picture.Map();
        const bool usable = attached.HasSize(m_picture.Width(), m_picture.Height());
        const MapRef map = usable ? attached : m_noMap.Ref();
        m_zoomed.Render(map, s, m_bBefore || !usable ? 0 : m_nPower, area, m_frame, r.left(), r.top());
    }
    if (App().m_bOnionSkin && !m_bBefore && !m_bPlaying)
        DrawGhosts(r);
    if (m_mask.OverlayVisible() && !m_bBefore && !m_bPlaying)
        DrawMaskOverlay(m_frame, r, m_view, *m_mask.Mask());
}

void CWorkWnd::DrawGhosts(const QRect& r)
{
    UpdateOnion();
    m_onion.DrawOver(m_frame, r, m_view);
}

void CWorkWnd::DrawEdge(QPainter& painter) const
{
    const QRect outer = rect();
    // The sunken edge: dark above and left, light below and right.
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawLine(outer.topLeft(), outer.topRight());
    painter.drawLine(outer.topLeft(), outer.bottomLeft());
    painter.setPen(QColor(0x40, 0x40, 0x40));
    painter.drawLine(outer.topLeft() + QPoint(1, 1), outer.topRight() + QPoint(-1, 1));
    painter.drawLine(outer.topLeft() + QPoint(1, 1), outer.bottomLeft() + QPoint(1, -1));
    painter.setPen(QColor(0xFF, 0xFF, 0xFF));
    painter.drawLine(outer.bottomLeft(), outer.bottomRight());
    painter.drawLine(outer.topRight(), outer.bottomRight());
    painter.setPen(QColor(0xD4, 0xD0, 0xC8));
    painter.drawLine(outer.bottomLeft() + QPoint(1, -1), outer.bottomRight() + QPoint(-1, -1));
    painter.drawLine(outer.topRight() + QPoint(-1, 1), outer.bottomRight() + QPoint(-1, -1));
}

void CWorkWnd::DrawTile(QPainter& painter, const QRect& client, const QString& text, qreal radius)
{
    // Text on a tile in the skin's colours: dark brown text on the light cream
    // of the dialog's tiles, a brown rim.
    const QRectF tile = QRectF(client).translated(kEdge, kEdge).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x4A, 0x38, 0x26), 1.2));
    painter.setBrush(QColor(0xEF, 0xE2, 0xC6, 0xE6));
    painter.drawRoundedRect(tile, radius, radius);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x4A, 0x38, 0x26));
    painter.drawText(tile, Qt::AlignCenter, text);
    painter.restore();
}

void CWorkWnd::paintEvent(QPaintEvent* event)
{
    if (!m_picture.HasPicture() || m_picture.Display().Empty())
        return;  // the main dialog's background shows through
    QPainter painter(this);
    const QRect client(0, 0, m_picture.Width(), m_picture.Height());
    if (!m_stretched.isNull()) {
        // An export's frame of another size is shown stretched over the picture.
        painter.drawImage(QRect(client).translated(kEdge, kEdge), m_stretched);
        DrawEdge(painter);
        return;
    }
    if (m_frame.size() != client.size())
        m_frame = QImage(client.size(), QImage::Format_RGB32);
    // Only the changed parts are composed and copied.
    for (const QRect& changed : event->region()) {
        const QRect dirty = changed.translated(-kEdge, -kEdge) & client;
        if (!dirty.isEmpty()) {
            ComposeFrame(dirty);
            painter.drawImage(dirty.topLeft() + QPoint(kEdge, kEdge), m_frame, dirty);
        }
    }
    const CTool* tool = m_picture.ActiveTool();
    if (m_last != kNone && !m_bBefore && (m_mask.Painting() || (tool && !tool->IsGlobal()))) {
        painter.save();
        painter.setClipRect(client.translated(kEdge, kEdge));
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        // Mask mode shows a dashed outline.
        painter.setPen(QPen(Qt::white, 0, m_mask.Painting() ? Qt::DashLine : Qt::SolidLine));
        painter.setBrush(Qt::NoBrush);
        // A one-pixel pen draws a QRect's outline one pixel wider and higher than
        // the rectangle: the ellipse stays inside [left, right) x [top, bottom).
        const QRect r = ClientRectOf(BrushRectAt(m_last));
        painter.drawEllipse(r.adjusted(0, 0, -1, -1).translated(kEdge, kEdge));
        painter.restore();
    }
    // The zoom level on a small tile, a notice on a larger one in the middle.
    if (!m_view.IsFit())
        DrawTile(painter, IndicatorRect(), QStringLiteral("%1 %").arg(m_view.Percent()), 6);
    if (!m_strNotice.isEmpty())
        DrawTile(painter, NoticeRect(), m_strNotice, 8);
    DrawEdge(painter);  // the painter keeps to the changed region
}
