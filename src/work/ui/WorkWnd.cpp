#include "work/ui/WorkWnd.h"

#include "app/AppState.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

CWorkWnd::CWorkWnd(WorkPicture& picture, QWidget* parent) : QWidget(parent), m_picture(picture)
{
    setObjectName(QStringLiteral("Work"));
    setMouseTracking(true);
    resize(2 * kEdge, 2 * kEdge);
}

CWorkWnd::~CWorkWnd()
{
    if (m_bGrabbed)
        releaseMouse();
}

void CWorkWnd::PictureChanged()
{
    resize(m_picture.Width() + 2 * kEdge, m_picture.Height() + 2 * kEdge);
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
    if (m_picture.RenderMap(p, smooth))
        update();
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
    if (busy && m_picture.StrokeActive())
        EndStroke(m_pointer, m_bRightStroke);
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
    if (!tool || p == kNone)
        return Rect{};
    return tool->GetBrushRect(p.x(), p.y());
}

void CWorkWnd::InvalidateClient(const Rect& r)
{
    if (r.IsEmpty())
        return;
    // One pixel more on each side: the outline's pen reaches the rectangle's edge.
    update(QRect(r.left + kEdge - 1, r.top + kEdge - 1, r.right - r.left + 3, r.bottom - r.top + 3));
}

// ---------------------------------------------------------------- strokes ---

void CWorkWnd::StartStroke(QPoint p, bool right)
{
    if (m_bBusy || m_picture.StrokeActive() || !m_picture.ActiveTool() || !m_picture.HasPicture())
        return;
    m_bRightStroke = right;
    const bool repeats = m_picture.ButtonDown(p.x(), p.y(), right);  // asks for the power first
    if (!m_picture.StrokeActive())
        return;
    if (!m_bGrabbed) {
        grabMouse();
        m_bGrabbed = true;
    }
    m_last = p;
    if (repeats)
        m_timer.start(kRepeatMs, this);
}

void CWorkWnd::EndStroke(QPoint p, bool right)
{
    m_timer.stop();
    m_picture.ButtonUp(right);
    if (m_bGrabbed) {
        releaseMouse();
        m_bGrabbed = false;
    }
    InvalidateClient(BrushRectAt(m_last).United(BrushRectAt(p)));
    m_last = kNone;
}

void CWorkWnd::mousePressEvent(QMouseEvent* event)
{
    m_pointer = ToClient(event->position());
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        StartStroke(m_pointer, event->button() == Qt::RightButton);
    event->accept();
}

void CWorkWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double-click is a second press for the tools.
    mousePressEvent(event);
}

void CWorkWnd::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = ToClient(event->position());
    m_pointer = p;
    const CTool* tool = m_picture.ActiveTool();
    if (tool && tool->IsGlobal())
        return;  // whole-picture tools step on the timer only and show no outline
    const bool stroke = m_picture.StrokeActive();
    if (ClientContains(p) || stroke) {
        if (tool && m_picture.HasPicture()) {
            InvalidateClient(BrushRectAt(m_last).United(BrushRectAt(p)));
            m_last = p;
        }
    } else {
        InvalidateClient(BrushRectAt(m_last));
        m_last = kNone;
    }
    if (stroke)
        InvalidateClient(m_picture.MouseMove(p.x(), p.y()));
}

void CWorkWnd::mouseReleaseEvent(QMouseEvent* event)
{
    m_pointer = ToClient(event->position());
    const bool right = event->button() == Qt::RightButton;
    if (event->button() != Qt::LeftButton && !right)
        return;
    // Only the button that started the stroke ends it.
    if (m_picture.StrokeActive() && right != m_bRightStroke)
        return;
    EndStroke(m_pointer, right);
}

void CWorkWnd::leaveEvent(QEvent* event)
{
    if (!m_picture.StrokeActive()) {
        InvalidateClient(BrushRectAt(m_last));
        m_last = kNone;
    }
    QWidget::leaveEvent(event);
}

void CWorkWnd::hideEvent(QHideEvent* event)
{
    if (m_picture.StrokeActive())
        EndStroke(m_pointer, m_bRightStroke);
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
    if (event->type() == QEvent::WindowDeactivate && m_picture.StrokeActive())
        EndStroke(m_pointer, m_bRightStroke);
    return QWidget::event(event);
}

void CWorkWnd::timerEvent(QTimerEvent* event)
{
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
    InvalidateClient(m_picture.TimerTick(m_pointer.x(), m_pointer.y()));
}

// --------------------------------------------------------------- painting ---

QImage CWorkWnd::DisplayImage() const
{
    const PackedPicture& display = m_picture.Display();
    // Packed rows are bottom-up BGR; the view is top-down.
    const QImage view(display.Bits().data(), display.Width(), display.Height(), display.Stride(),
                      QImage::Format_BGR888);
    return view.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

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

void CWorkWnd::paintEvent(QPaintEvent*)
{
    if (!m_picture.HasPicture() || m_picture.Display().Empty())
        return;  // the main dialog's background shows through
    // Compose the picture and the outline off screen, then copy once. An
    // export's frame of another size is shown stretched over the picture.
    QImage frame = m_stretched.isNull() ? DisplayImage()
                                        : m_stretched.scaled(m_picture.Width(), m_picture.Height(),
                                                             Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const CTool* tool = m_picture.ActiveTool();
    if (tool && m_last != kNone && !tool->IsGlobal()) {
        QPainter p(&frame);
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        p.setPen(QPen(Qt::white, 0));
        p.setBrush(Qt::NoBrush);
        const Rect r = tool->GetBrushRect(m_last.x(), m_last.y());
        // A one-pixel pen draws a QRect's outline one pixel wider and higher than
        // the rectangle: the ellipse stays inside [left, right) x [top, bottom).
        p.drawEllipse(QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1));
    }
    QPainter painter(this);
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
    painter.drawImage(kEdge, kEdge, frame);
}
